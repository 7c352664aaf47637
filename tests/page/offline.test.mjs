// SPDX-License-Identifier: GPL-3.0-or-later
// The page away from a server: the single file from disk, offline after
// one visit, a new build reaching a returning visitor, and the installed app.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, readFileSync, renameSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

import {
  address, clickCanvas, closePage, draws, keepSaves, openPage, pageTest, savedBy, setWidth, settle,
  waitForDraws, waitInPage,
} from './harness.mjs';
import {
  site, chromiumOnly, browser, onServedPage, assertShowsFrameBeforeLastAdvance, firstPictureFit,
  assertRowsAreFrames, savedPicture, assertHistoryOf, stateShown, inFolder, serveCopy, stopServing, assertRuns,
  inLanguage, chooseLanguage, catalogs,
} from './page_checks.mjs';

// Resolves once the service worker has this build's files and runs the page.
const keptOffline = (target) => waitInPage(target, 'a service worker to run the page',
  () => navigator.serviceWorker.controller !== null);


// Resolves once the service worker is at rest: no new build installing or
// waiting (every load asks the server for one, and a failing update is tried
// again), and `cache` the only one kept.
const workerAtRest = (target, cache) => waitInPage(target, `${cache} to be the only cache, with no update under way`,
  async (kept) => {
    const names = await window.caches.keys();
    const registration = await navigator.serviceWorker.getRegistration();
    return names.length === 1 && names[0] === kept && !registration.installing && !registration.waiting;
  }, cache);


pageTest('the single file, alone in a folder and opened from disk, runs as the served page with no request', () => inFolder(async (folder) => {
  mkdirSync(join(folder, 'alone'));
  const file = join(folder, 'alone', 'vibrating-string.html');
  copyFileSync(join(site, 'vibrating-string.html'), file);
  const target = await openPage(browser, pathToFileURL(file).href);
  try {
    await assertRuns(target);
    // The mouse table and the width control.
    const stopped = await draws(target);
    await clickCanvas(target, 'left');
    await waitForDraws(target, stopped + 10);
    await clickCanvas(target, 'right');
    assert.equal(await stateShown(target), 'stopped');
    await setWidth(target, 300);
    const narrow = await settle(target);
    const frame = assertShowsFrameBeforeLastAdvance(narrow);
    assert.deepEqual([frame.firstInView, frame.lastInView], [28, 61]);
    // Both saves, from disk: the run's data, and the space-time picture as shown.
    await keepSaves(target);
    assertHistoryOf((await savedBy(target, '#save-data')).text, narrow.draws - 1);
    const png = await savedPicture(target);
    assert.equal(png.name, `vibrating-string-space-time-${narrow.draws - 1}.png`);
    // Its rows are the frames as the page shows them, at the width shown.
    await assertRowsAreFrames(target, narrow.draws - 1, png.pixels);
    assert.deepEqual(target.requests.filter((url) => url !== pathToFileURL(file).href), []);
    assert.deepEqual(target.errors, []);
    // Nor can it ask for one later (an install check, a click): the file's
    // own markup names no file, only data: URLs and places in itself.
    const references = await target.evaluate((html) => {
      const parsed = new DOMParser().parseFromString(html, 'text/html');
      const attributes = [...parsed.querySelectorAll('*')].flatMap((element) => [...element.attributes]
        .filter((attribute) => /^(href|src|srcset|action|poster|data)$/.test(attribute.name))
        .map((attribute) => `${element.localName} ${attribute.name}=${attribute.value}`));
      const styles = [...parsed.querySelectorAll('style, [style]')]
        .flatMap((element) => (element.localName === 'style' ? element.textContent : element.getAttribute('style'))
          .match(/url\([^)]*\)/g) ?? []);
      return { links: [...parsed.querySelectorAll('link')].map((link) => link.rel), attributes, styles };
    }, readFileSync(file, 'utf8'));
    assert.ok(!references.links.includes('manifest'), 'the single file links a manifest');
    assert.deepEqual(references.attributes.filter((reference) => !/=(data:|#)/.test(reference)), []);
    assert.deepEqual(references.styles.filter((url) => !/^url\(["']?data:/.test(url)), []);
  } finally {
    await closePage(target);
  }
}));


pageTest('after one visit, with the server gone, a reload and a new tab draw the string and answer Start and Stop', () => inFolder(async (folder) => {
  const { copyServer } = await serveCopy(folder);
  const url = address(copyServer);
  const context = await browser.createBrowserContext();
  try {
    const visited = await openPage(context, url);
    await settle(visited, { read: false });
    await keptOffline(visited);
    // Kept for later only once the first picture is up, not competing with it.
    const drawsAtRegister = await visited.evaluate(() => window.drawsAtRegister);
    assert.ok(drawsAtRegister >= 1, `the worker was registered after ${drawsAtRegister} draws`);
    stopServing(copyServer);
    await visited.reload();
    await assertRuns(visited);
    const newTab = await openPage(context, url);
    await assertRuns(newTab);
    // Every language is kept, the one the visit used and the others: a link in Arabic, and a choice of German.
    const linked = await openPage(context, inLanguage(url, 'ar'));
    await assertRuns(linked);
    await chooseLanguage(linked, 'de');
    assert.equal(await linked.$eval('#help', (help) => help.textContent), catalogs.de['page.help']);
    assert.deepEqual([...visited.errors, ...newTab.errors, ...linked.errors], []);
  } finally {
    await context.close();
    stopServing(copyServer);
  }
}));


pageTest('a returning visitor gets a new build by the second load, and keeps the working one when an update fails', () => inFolder(async (folder) => {
  const { copy, copyServer } = await serveCopy(folder);
  // A new build at the same address: another version, made by the build's own step.
  const publish = (version) => {
    const index = join(copy, 'index.html');
    writeFileSync(index, readFileSync(index, 'utf8').replace(/vibrating-string \d+\.\d+\.\d+/, `vibrating-string ${version}`));
    execFileSync(process.execPath, [fileURLToPath(new URL('../../cmake/site.mjs', import.meta.url)), copy]);
  };
  const target = await openPage(browser, address(copyServer));
  const version = () => target.$eval('footer', (footer) => footer.textContent.trim());
  try {
    await settle(target, { read: false });
    await keptOffline(target);
    const [working] = await target.evaluate(() => window.caches.keys());
    const first = await version();

    // The update's files cannot all be had: the install fails, as a whole.
    publish('9.9.8');
    renameSync(join(copy, 'icon-512.png'), join(folder, 'icon-512.png'));
    const outcome = await target.evaluate(async () => {
      const registration = await navigator.serviceWorker.getRegistration();
      const found = new Promise((resolve) => {
        registration.addEventListener('updatefound', () => resolve(registration.installing), { once: true });
        setTimeout(() => resolve(null), 30000);
      });
      await registration.update().catch(() => {});
      const worker = await found;
      if (!worker) return 'no new worker';
      return new Promise((resolve) => {
        const settled = () => ['redundant', 'activated'].includes(worker.state) && resolve(worker.state);
        worker.addEventListener('statechange', settled);
        settled();
      });
    });
    assert.equal(outcome, 'redundant', 'the failing update did not fail as a whole');
    for (let load = 0; load < 2; load += 1) {
      await target.reload();
      await assertRuns(target);
      assert.equal(await version(), first);
    }
    // Each load tried the failing update again, which must leave nothing
    // behind; and the next build must not be published under an install
    // still fetching this one's files.
    await workerAtRest(target, working);

    // Published whole: the first load fetches it, the second shows it.
    publish('9.9.9');
    renameSync(join(folder, 'icon-512.png'), join(copy, 'icon-512.png'));
    await target.reload();
    await waitInPage(target, 'the new build to replace the old in the cache', async (old) => {
      const names = await window.caches.keys();
      return names.length === 1 && names[0] !== old;
    }, working);
    await target.reload();
    assert.equal(await version(), 'vibrating-string 9.9.9');
    await assertRuns(target);
    assert.deepEqual(target.errors, []);
  } finally {
    await closePage(target);
    stopServing(copyServer);
  }
}));


pageTest("the installed app's start address, from the page's manifest, answers with the page at frame 0", () => onServedPage(async (page) => {
  const manifestUrl = await page.$eval('link[rel="manifest"]', (link) => link.href);
  const manifest = await (await fetch(manifestUrl)).json();
  const start = new URL(manifest.start_url, manifestUrl).href;
  const answer = await fetch(start);
  assert.equal(answer.status, 200, `the start address ${start} answers ${answer.status}`);
  const app = await openPage(browser, start);
  try {
    await settle(app, { read: false });
    assert.ok((await firstPictureFit(app)).matches, `the first picture at ${start} is not frame 0`);
    assert.deepEqual(app.errors, []);
  } finally {
    await closePage(app);
  }
}));


pageTest('installable: Chromium finds no installability errors in a normal profile', chromiumOnly, () => inFolder(async (folder) => {
  const { copyServer } = await serveCopy(folder);
  const target = await openPage(browser.defaultBrowserContext(), address(copyServer));
  try {
    await settle(target, { read: false });
    await keptOffline(target);
    const session = await target.createCDPSession();
    assert.deepEqual((await session.send('Page.getInstallabilityErrors')).installabilityErrors, []);
    const manifest = await session.send('Page.getAppManifest');
    assert.deepEqual(manifest.errors, []);
    assert.deepEqual(JSON.parse(manifest.data).icons.map((icon) => icon.sizes), ['any', '192x192', '512x512']);
  } finally {
    // The profile outlives the test: nothing of this origin stays in it.
    await target.evaluate(async () => {
      for (const registration of await navigator.serviceWorker.getRegistrations()) await registration.unregister();
      for (const name of await window.caches.keys()) await window.caches.delete(name);
    });
    await target.close();
    stopServing(copyServer);
  }
}));
