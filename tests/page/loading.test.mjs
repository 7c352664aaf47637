// SPDX-License-Identifier: GPL-3.0-or-later
// Loading, and what the page says when the program cannot run: no
// JavaScript, no WebGL, a failed or slow download, an abort, another
// Emscripten, and index.html opened from disk.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

import {
  address, closePage, draws, failing, launch, openPage, pageTest, setWidth, settle, sleep, waitForDraws,
} from './harness.mjs';
import {
  site, chromiumOnly, server, browser, catalogs, visible, NOTHING_TO_CLICK, STOPPED_CONTROLS, controlsDisabled,
  assertFailureShown, countWakeups, wakeupsOver, withFailingServer, inFolder, serveCopy, stopServing,
} from './page_checks.mjs';

pageTest('without JavaScript, nothing looks usable and the message stands where the canvas would be', chromiumOnly, async () => {
  const page = await openPage(browser, null);
  try {
    await page.setJavaScriptEnabled(false);
    await page.goto(address(server));
    const shown = await page.evaluate(() => Array.from(document.querySelectorAll('#stage canvas, #stage > p, #stage .notice, #controls, #help, #explain, #language'))
      .filter((element) => element.checkVisibility()).map((element) => element.id || element.className));
    assert.deepEqual(shown, ['notice']);
    // Briefly, in every language, each marked as such for a screen reader.
    const notices = await page.$$eval('#stage .notice p', (paragraphs) => paragraphs
      .map((paragraph) => [paragraph.lang, paragraph.dir, paragraph.textContent]));
    assert.deepEqual(notices, Object.entries(catalogs).map(([language, catalog]) =>
      [language, language === 'ar' ? 'rtl' : 'ltr', catalog['page.noScript']]));
  } finally {
    await closePage(page);
  }
});


// The WebGL context: the page checks for it by making the program's own,
// and the program's request gets that one back, with
// the attributes it asks for; no other context is made, as a context is the
// dearest thing the page makes.
pageTest("one WebGL context, made by the page on the program's canvas, with the attributes the program asks for", async () => {
  const page = await openPage(browser, null);
  try {
    await page.evaluateOnNewDocument(() => {
      window.contexts = [];
      const { getContext } = HTMLCanvasElement.prototype;
      HTMLCanvasElement.prototype.getContext = function recordedGetContext(type, attributes) {
        const context = getContext.call(this, type, attributes);
        if (type.startsWith('webgl')) {
          window.contexts.push({ canvas: this.id, asked: attributes, context });
        }
        return context;
      };
    });
    await page.goto(address(server));
    await settle(page, { read: false });
    const [made, asked] = await page.evaluate(() => {
      const [first, ...rest] = window.contexts;
      const given = first.context.getContextAttributes();
      return [[window.contexts.length, first.canvas, rest.every(({ context }) => context === first.context)],
        rest.map(({ asked: { antialias, alpha, depth, stencil } }) => [{ antialias, alpha, depth, stencil },
          { antialias: given.antialias, alpha: given.alpha, depth: given.depth, stencil: given.stencil }])];
    });
    assert.deepEqual(made, [2, 'canvas', true]);
    for (const [program, given] of asked) assert.deepEqual(given, program);
  } finally {
    await closePage(page);
  }
});


pageTest('without WebGL, the page says so in words', async () => {
  const noWebGL = await launch({ extraFlags: ['--disable-webgl', '--disable-3d-apis'], prefs: { 'webgl.disabled': true } });
  try {
    const target = await openPage(noWebGL, address(server));
    await assertFailureShown(target, /WebGL/);
  } finally {
    await noWebGL.close();
  }
});


// Each way the download of the program can fail, named in words.
for (const [name, file, fault, words] of [
  ['a dropped WebAssembly request is named as a failed connection', '.wasm', 'drop',
    /vibrating-string\.wasm\) could not be downloaded: the connection failed/],
  ['a WebAssembly download cut off is named as a broken connection', '.wasm', 'cut',
    /vibrating-string\.wasm\) could not be downloaded: the connection broke off/],
  ['a 404 for the WebAssembly is named with the status', '.wasm', '404',
    /vibrating-string\.wasm\) could not be downloaded: the server answered 404/],
  ['WebAssembly that is not WebAssembly is named as damaged', '.wasm', 'garbage', /vibrating-string\.wasm\) arrived damaged/],
  ['a program script that cannot be downloaded is named', 'vibrating-string.js', 'drop',
    /vibrating-string\.js\) could not be downloaded/],
]) {
  pageTest(name, () => withFailingServer(failing(file, fault), (target) => assertFailureShown(target, words)));
}


pageTest('a running program that aborts is stopped whole and says so', async () => {
  const target = await openPage(browser, address(server));
  try {
    await settle(target);
    assert.deepEqual(await controlsDisabled(target), STOPPED_CONTROLS);
    await target.click('#start');
    await waitForDraws(target, 10);
    await countWakeups(target);
    await target.evaluate(() => setTimeout(() => window.abort('a fault in the program')));
    await assertFailureShown(target, /The program stopped with an error/);
    // Nothing of the program runs on, neither drawing nor asking to.
    await sleep(300);
    const after = await wakeupsOver(target, () => sleep(1000));
    assert.equal(after.draws, 0);
    assert.equal(after.frames, 0);
  } finally {
    await closePage(target);
  }
});


pageTest('while the WebAssembly is slow to come: loading, nothing to click, then the failure', () => withFailingServer(
  failing('.wasm', '404', 3000), async (target) => {
    await sleep(1000);
    assert.equal(await visible(target, '#status'), true);
    assert.match(await target.$eval('#status', (status) => status.textContent), /Loading/);
    // Waiting on it says so: it never drew, rather than it kept drawing.
    await assert.rejects(settle(target, { limitMs: 500 }), /^Error: the program never drew/);
    assert.equal(await visible(target, '#canvas'), false);
    assert.deepEqual(await controlsDisabled(target), NOTHING_TO_CLICK);
    // A click on Start or the slider now does nothing; the label keeps
    // the canvas's width.
    await target.click('#start').catch(() => {});
    await setWidth(target, 300);
    assert.equal(await target.$eval('#width-value', (output) => output.textContent), '1000 px');
    assert.equal(await target.$eval('#canvas', (canvas) => canvas.width), 1000);
    await assertFailureShown(target, /server answered 404/);
  }));


// Where an Emscripten other than the one the page was written for builds the
// program otherwise, the page says so, rather than run without its hooks:
// here the built program's Browser.requestAnimationFrame (3.1.6's; 3.1.69's
// MainLoop.requestAnimationFrame) renamed.
pageTest('a program built without the Emscripten internals the page hooks into is named as such', () => inFolder(async (folder) => {
  const { copy, copyServer } = await serveCopy(folder);
  let target = null;
  try {
    const program = join(copy, 'vibrating-string.js');
    // Its definition, as 3.1.6 writes it (a property) or 3.1.69 (a method).
    const definition = /requestAnimationFrame(:function\(func\)|\(func\))\{/;
    const built = readFileSync(program, 'utf8');
    assert.match(built, definition);
    writeFileSync(program, built.replace(definition, 'requestAnimationFrameLater$1{'));
    target = await openPage(browser, address(copyServer));
    const words = new RegExp('Browser\\.requestAnimationFrame \\(or, as in 3\\.1\\.69, MainLoop\\.requestAnimationFrame\\), ' +
      'which the page hooks into, is not there \\(the page was written for Emscripten 3\\.1\\.6 and 3\\.1\\.69\\)');
    await target.waitForFunction(() => !document.getElementById('failure').hidden, { timeout: 20000 });
    assert.match(await target.$eval('#failure', (failure) => failure.textContent), words);
    assert.equal(await visible(target, '#canvas'), false);
    assert.deepEqual(await controlsDisabled(target), NOTHING_TO_CLICK);
    // The program stops there, before its main: nothing is drawn, and no
    // other error shows.
    assert.notEqual(await target.evaluate(() => window.Module.calledRun), true);
    assert.equal(await draws(target), 0);
    assert.deepEqual(target.errors.filter((error) => !words.test(error)), []);
  } finally {
    if (target) await closePage(target);
    stopServing(copyServer);
  }
}));


pageTest('index.html opened from disk says it needs a web server and names the single file, not a reload', async () => {
  const target = await openPage(browser, pathToFileURL(join(site, 'index.html')).href);
  try {
    await assertFailureShown(target, /needs a web server.*open vibrating-string\.html/s);
    assert.doesNotMatch(await target.$eval('#failure', (failure) => failure.textContent), /reload/i);
  } finally {
    await closePage(target);
  }
});
