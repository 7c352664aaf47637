// SPDX-License-Identifier: GPL-3.0-or-later
// The page in the learner's language: each language's words, numbers,
// direction and manifest; the pseudo-language; switching while it runs;
// choosing the language; a phone and the single file in German and Arabic.
import assert from 'node:assert/strict';
import { copyFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

import MessageFormat from '@messageformat/core';

import { KEPT_FRAMES, NODES } from '../../web/page/facts.js';
import {
  address, closePage, draws, failing, firstPicture, historyLines, keepSaves, launch, openPage, pageTest,
  savedBy, setWidth, settle, toolModes, waitForDraws, waitInPage,
} from './harness.mjs';
import {
  site, chromiumOnly, testBuild, server, browser, PHONE, inLanguage, onServedPage, assertShowsFrameBeforeLastAdvance,
  assertStaysStill, assertRowsAreFrames, assertPicturesAligned, runUntil, numbersShown, descriptionShown, largestNode,
  assertClose, catalogs, stateShown, visible, assertFailureShown, withFailingServer, inFolder, assertRuns,
  chooseLanguage, catalogsFetched, axeViolations,
} from './page_checks.mjs';

// In every language: every word from its catalog, every number in its
// format; right to left, the pictures the same as in English.




// Every text the page shows or says that is no word of the test build's
// pseudo-language, whose every letter is accented: any run of two plain
// Latin letters is English left behind. Names the same in every language
// (the program's, its files', a version) and the menu, which names each
// language in itself, do not count.
const englishLeft = (target) => target.evaluate(() => {
  const NAMES = /vibrating-string(\.(html|js|wasm))?/g;
  const found = [];
  const check = (where, text) => {
    if (/[A-Za-z]{2,}/.test((text ?? '').replace(NAMES, ''))) found.push(`${where}: ${text}`);
  };
  check('title', document.title);
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    if (!node.parentElement.closest('script, style, noscript, #language')) check(node.parentElement.localName, node.data);
  }
  for (const element of document.querySelectorAll('[aria-label], [title], [alt], [placeholder], meta[name="description"]')) {
    for (const name of ['aria-label', 'title', 'alt', 'placeholder', 'content']) {
      if (element.hasAttribute(name)) check(`${element.localName} ${name}`, element.getAttribute(name));
    }
  }
  return found;
});


// The first picture as the English page draws it, read once.
let englishFirstPicture = null;

async function firstPictureInEnglish() {
  if (!englishFirstPicture) {
    const page = await openPage(browser, address(server));
    try {
      englishFirstPicture = await firstPicture(page);
    } finally {
      await closePage(page);
    }
  }
  return englishFirstPicture;
}


pageTest('in the pseudo-language, no English is left: loading, a failed download, no WebGL, running, stopped, described', testBuild, async () => {
  const PSEUDO = 'en-XA';
  await withFailingServer(failing('.wasm', '404', 3000), async (target) => {
    await waitInPage(target, 'the page in the pseudo-language', (code) => document.documentElement.lang === code, PSEUDO);
    assert.equal(await visible(target, '#status'), true);
    assert.deepEqual(await englishLeft(target), [], 'loading');
    await assertFailureShown(target, /404/);
    assert.deepEqual(await englishLeft(target), [], 'the download failed');
  }, PSEUDO);
  const noWebGL = await launch({ extraFlags: ['--disable-webgl', '--disable-3d-apis'], prefs: { 'webgl.disabled': true } });
  try {
    const target = await openPage(noWebGL, inLanguage(address(server), PSEUDO));
    await assertFailureShown(target, /ŴéƀĜĹ/);
    assert.deepEqual(await englishLeft(target), [], 'without WebGL');
  } finally {
    await noWebGL.close();
  }
  await onServedPage(async (page) => {
    assert.deepEqual(await englishLeft(page), [], 'stopped, at frame 0');
    await page.click('#start');
    await waitForDraws(page, 20);
    assert.deepEqual(await englishLeft(page), [], 'running');
    await page.click('#stop');
    await settle(page, { read: false });
    await page.type('#node', '50');
    await page.keyboard.press('Tab');
    await page.click('#copy-link');
    await page.click('#describe');
    assert.deepEqual(await englishLeft(page), [], 'stopped, a node traced, the link made, and described');
  }, {}, PSEUDO);
});


// Each language's own: its words, title and manifest, its number format,
// Describe, axe. What depends on the direction alone (the pictures and
// their place, node 0 on the left) once for each: English's own tests, and
// here right to left. What depends on neither, such as Save data's bytes,
// English's tests check.
for (const [language, catalog] of Object.entries(catalogs)) {
  const direction = language === 'ar' ? 'rtl' : 'ltr';
  pageTest(`in ${language}: its words, title, manifest and number format, the model's numbers, axe clean${direction === 'rtl' ? ', the pictures as in English' : ''}`, () => onServedPage(async (page) => {
    const root = await page.evaluate(() => [document.documentElement.lang, document.documentElement.dir, document.title]);
    assert.deepEqual(root, [language, direction, catalog['page.title']]);
    assert.equal(await page.$eval('#start', (start) => start.textContent), catalog['control.start']);
    // The string's facts in the page's own words, in the language's numbers.
    const last = new Intl.NumberFormat(language).format(NODES - 1);
    assert.equal(await page.$eval('#end-free', (end) => end.textContent), catalog['explain.endFree'].replace('{last}', last));
    // Installed from here, the app is named in this language.
    const manifest = await (await fetch(await page.$eval('link[rel="manifest"]', (link) => link.href))).json();
    assert.deepEqual([manifest.lang, manifest.name, manifest.short_name], [language, catalog['page.title'], catalog['page.shortName']]);
    if (direction === 'rtl') {
      const first = await firstPicture(page);
      assert.ok(first[2].equals((await firstPictureInEnglish())[2]), 'the first picture differs from the English page\'s');
    }
    await page.click('#describe');
    const words = await descriptionShown(page);
    assert.ok(words.includes(catalog['describe.atRest']), `Describe did not speak ${language}: ${words}`);
    assert.deepEqual(await axeViolations(page), []);

    const frame = (await runUntil(page, 60)).draws - 1;
    const tool = historyLines(frame);
    const [toolFrame, toolTime, toolLargest, toolEnergy] = tool.at(-1).split(',').map(Number);
    const shown = await numbersShown(page);
    assert.deepEqual([shown.frame, shown.node], [toolFrame, largestNode(frame)]);
    assertClose(shown.time, toolTime, 'the time');
    assertClose(shown.largest, toolLargest, 'the largest displacement');
    assertClose(shown.energy, toolEnergy / Number(tool[1].split(',')[3]), 'the energy against frame 0');
    if (direction === 'rtl') {
      // The pictures are the physics': node 0 on the left in every direction.
      await assertRowsAreFrames(page, frame);
      await assertPicturesAligned(page);
    }
  }, {}, language));
}

pageTest('switching language while the string runs, then stopped, keeps its frames, rows and trace, and writes the chosen mode anew', () => onServedPage(async (page) => {
  await page.type('#node', '50');
  await page.keyboard.press('Tab');
  const start = await draws(page);
  await page.click('#start');
  await waitForDraws(page, start + 20);
  await chooseLanguage(page, 'de');
  await waitForDraws(page, start + 40);
  await chooseLanguage(page, 'ar');
  await waitForDraws(page, start + 60);
  await page.click('#stop');
  // One run throughout: the picture is the frame of every draw so far, and
  // every row is its frame.
  const stopped = await settle(page);
  assertShowsFrameBeforeLastAdvance(stopped);
  await assertRowsAreFrames(page, stopped.draws - 1);
  assert.equal((await numbersShown(page)).frame, stopped.draws - 1);
  assert.equal(await page.$eval('#state', (state) => state.textContent), catalogs.ar['string.stopped']);
  // Stopped, nothing else redraws the chosen mode's numbers: the switch does, in German's format.
  await page.type('#mode', '5');
  await page.keyboard.press('Tab');
  await chooseLanguage(page, 'de');
  const mode = await numbersShown(page, ['mode-frequency', 'mode-amplitude', 'mode-swing']);
  const tool = toolModes(stopped.draws - 1);
  for (const [name, column] of [['frequency', 'frequencies'], ['amplitude', 'amplitudes'], ['swing', 'swings']]) {
    assertClose(mode[`mode-${name}`], tool[column][5], `mode 5's ${name} in German`);
  }

  const kept = () => page.evaluate(() => ['energy-trace', 'spacetime']
    .map((id) => document.getElementById(id).toDataURL()).concat(document.getElementById('number-frame').textContent));
  const before = await kept();
  await assertStaysStill(page, () => chooseLanguage(page, 'en'));
  const after = await kept();
  assert.deepEqual(after.slice(0, 2), before.slice(0, 2), 'the trace or the rows changed');
  assert.equal(Number(after[2]), stopped.draws - 1);
  assert.equal(await stateShown(page), 'stopped');
  // What the explanation keeps is the run's, whatever the language: the
  // traced node's every frame, from before the switches too.
  await keepSaves(page);
  const frame = stopped.draws - 1;
  const first = Math.max(0, frame - (KEPT_FRAMES - 1));
  const saved = await savedBy(page, '#save-node');
  assert.equal(saved.name, `vibrating-string-node-50-frames-${first}-${frame}.csv`);
  assert.equal(saved.text.trimEnd().split('\n').length, frame - first + 2, 'Save node lost frames');
}));


pageTest('the language: the browser\'s best match first, then the one chosen, kept, and ?lang= over both, an unknown one falling back', async () => {
  const context = await browser.createBrowserContext();
  // By default a Portuguese reader from Portugal, whose browser takes English too.
  const open = async (language, languages = ['pt-PT', 'en']) => {
    const page = await openPage(context, null);
    await page.evaluateOnNewDocument((tags) => Object.defineProperty(navigator, 'languages', { get: () => tags }), languages);
    await page.goto(inLanguage(address(server), language));
    await page.waitForFunction(() => !document.getElementById('start').disabled);
    return page;
  };
  const shownIn = (page) => page.evaluate(() => [document.documentElement.lang, document.getElementById('language').value]);
  try {
    const first = await open();
    assert.deepEqual(await shownIn(first), ['pt-BR', 'pt-BR']);
    assert.deepEqual(await open('xx').then(shownIn), ['pt-BR', 'pt-BR']);
    // Chinese by its script: Singapore's is simplified, Taiwan's is not.
    assert.deepEqual(await open(undefined, ['zh-SG']).then(shownIn), ['zh-CN', 'zh-CN']);
    assert.deepEqual(await open(undefined, ['zh-TW', 'ja-JP']).then(shownIn), ['ja', 'ja']);
    // Named in itself in the menu, each one.
    assert.deepEqual(await first.$$eval('#language option', (options) => options.map((option) => [option.value, option.lang, option.textContent])),
      Object.entries(catalogs).map(([language, catalog]) => [language, language, catalog['language.name']]));
    await chooseLanguage(first, 'ja');
    assert.equal(await first.$eval('#help', (help) => help.textContent), catalogs.ja['page.help']);
    const next = await open();
    assert.deepEqual(await shownIn(next), ['ja', 'ja']);
    const linked = await open('fr');
    assert.deepEqual(await shownIn(linked), ['fr', 'fr']);
    // A choice from the menu on a linked page changes its link too.
    await chooseLanguage(linked, 'es');
    assert.equal(new URL(linked.url()).searchParams.get('lang'), 'es');
    for (const page of [first, next, linked]) {
      assert.deepEqual(page.errors, []);
      assert.equal(await visible(page, '#failure'), false);
    }
  } finally {
    await context.close();
  }
});


// From the first paint the page is in its language and direction, every
// label, menu and number in its place: nothing moves, in the lesson's
// layout and in a phone's column, at full speed and on a CPU slowed as a
// phone's, where a page that ran its script after painting would be drawn
// twice (Chromium's layout-shift entries, summed as Lighthouse does). It
// fetches only its own language's catalog, and makes no number format
// before its first picture: a page's first loads the browser's number data,
// which takes tens of milliseconds.
pageTest('in English, German and Arabic, at full speed and on a slow CPU, on a screen and on a phone, nothing moves from the first paint on, only its own catalog is fetched, and no number is formatted before the first picture', chromiumOnly, async () => {
  const screen = { width: 1280, height: 1000 };
  for (const [language, slowdown, viewport] of [undefined, 'de', 'ar']
    .flatMap((code) => [[code, 1, screen], [code, 4, screen], [code, 4, PHONE]])) {
    const page = await openPage(browser, null, viewport);
    try {
      await page.emulateCPUThrottling(slowdown);
      await page.evaluateOnNewDocument(() => {
        window.layoutShifts = [];
        new PerformanceObserver((list) => window.layoutShifts.push(...list.getEntries()
          .map((shift) => [shift.value, shift.sources.map(({ node }) => node?.id || node?.nodeName).join(' ')])))
          .observe({ type: 'layout-shift', buffered: true });
        window.formatsBeforeFirstPicture = 0;
        const { NumberFormat } = Intl;
        Intl.NumberFormat = function countedFormat(...args) {
          if (window.draws === 0) window.formatsBeforeFirstPicture += 1;
          return new NumberFormat(...args);
        };
      });
      await page.goto(inLanguage(address(server), language));
      await waitForDraws(page, 1);
      // All the page writes once the program runs is written by the browser's next idle moment.
      await page.evaluate(() => new Promise((idle) => requestIdleCallback(() => requestAnimationFrame(() => requestAnimationFrame(idle)))));
      assert.deepEqual(await page.evaluate(() => window.layoutShifts), [],
        `in ${language ?? 'en'}, ${slowdown}x slower, ${viewport.width} px wide`);
      assert.equal(await page.evaluate(() => window.formatsBeforeFirstPicture), 0);
      assert.equal(await page.$eval('#help', (help) => help.textContent), catalogs[language ?? 'en']['page.help']);
      assert.deepEqual(catalogsFetched(page), language ? [`messages.${language}.js`] : []);
    } finally {
      await closePage(page);
    }
  }
});

// A catalog that cannot be fetched, and slow to say so: the page opens in
// English, which it carries, says so in words, and runs; choosing that
// language later leaves the page as it is, saying so in the language it
// stays in; and another language chosen meanwhile is the one that counts.
pageTest("a language's catalog that cannot be fetched: the page runs in English and says so, and a later choice of it changes nothing", () => withFailingServer(
  failing('messages.de.js', '404', 1000), async (target) => {
    await target.waitForFunction(() => !document.getElementById('start').disabled);
    const shown = () => target.evaluate(() => [document.documentElement.lang, document.documentElement.dir,
      document.getElementById('language').value, document.getElementById('help').textContent,
      document.getElementById('language-note').textContent]);
    const failedIn = (language) => new MessageFormat(language).compile(catalogs[language]['language.failed'])({ language: 'Deutsch' });
    assert.deepEqual(await shown(), ['en', 'ltr', 'en', catalogs.en['page.help'], failedIn('en')]);
    await chooseLanguage(target, 'ar');
    assert.deepEqual(await shown(), ['ar', 'rtl', 'ar', catalogs.ar['page.help'], '']);
    await target.select('#language', 'de');
    await target.waitForFunction(() => document.getElementById('language-note').textContent !== '');
    assert.deepEqual(await shown(), ['ar', 'rtl', 'ar', catalogs.ar['page.help'], failedIn('ar')]);
    await target.select('#language', 'de');
    await chooseLanguage(target, 'fr');
    await target.waitForFunction(() => 'ended' in (document.querySelector('script[src="messages.de.js"]')?.dataset ?? {}),
      { polling: 'mutation' });
    assert.deepEqual(await shown(), ['fr', 'ltr', 'fr', catalogs.fr['page.help'], '']);
    await assertRuns(target);
    assert.deepEqual(target.errors.filter((error) => !/404/.test(error)), []);
  }, 'de'));


pageTest('on a phone, in German, whose words are long, and in Arabic: no sideways scrolling', chromiumOnly, async () => {
  for (const language of ['de', 'ar']) {
    await onServedPage(async (phone) => {
      for (const width of [300, 1000]) {
        await setWidth(phone, width);
        await settle(phone, { read: false });
        const scrollWidth = await phone.evaluate(() => document.documentElement.scrollWidth);
        assert.ok(scrollWidth <= 375, `in ${language} the page is ${scrollWidth} px wide at width ${width}`);
        await assertPicturesAligned(phone);
      }
    }, PHONE, language);
  }
});


pageTest('the single file, opened from disk in German and in Arabic, speaks them with no request', () => inFolder(async (folder) => {
  const file = join(folder, 'vibrating-string.html');
  copyFileSync(join(site, 'vibrating-string.html'), file);
  for (const language of ['de', 'ar']) {
    const url = `${pathToFileURL(file).href}?lang=${language}`;
    const target = await openPage(browser, url);
    try {
      await assertRuns(target);
      assert.equal(await target.evaluate(() => document.documentElement.lang), language);
      assert.equal(await target.$eval('#state', (state) => state.textContent), catalogs[language]['string.stopped']);
      assert.deepEqual(target.requests.filter((request) => request !== url), []);
      assert.deepEqual(target.errors, []);
    } finally {
      await closePage(target);
    }
  }
}));
