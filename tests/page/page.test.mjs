// SPDX-License-Identifier: GPL-3.0-or-later
// The page in Debian's headless Chromium or in Firefox ESR (BROWSER): the
// program's picture read back and matched against the model, its mouse
// controls, the page's own controls and the state it announces, a lost
// WebGL context, what it says when it cannot run, the page away from a
// server, and, in Chromium, a phone and a browser without JavaScript.
// Every test opens its own pages and leaves nothing behind, so any one runs
// alone or in any order. CTest runs each on its own (CMakeLists.txt):
//   ctest --preset page -R 'Chromium.*narrower'
// or, by hand, with the site and the matcher from a browser build:
//   SITE_DIR=build-web/site PICTURE_CHECK=build-web/tests/picture_check.js \
//     node --test-name-pattern='^a narrower' tests/page/page.test.mjs
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import {
  copyFileSync, cpSync, mkdirSync, mkdtempSync, readFileSync, renameSync, rmSync, writeFileSync,
} from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { after, before } from 'node:test';

import { REFERENCE, readCatalogs } from '../../cmake/messages.mjs';
import {
  address, bytesOf, checkFrames, clickCanvas, closePage, draws, failing, firstPicture, historyLines, keepSaves, launch,
  legendColour, modelDisplacements, openPage, pageTest, savedBy, serve, setWidth, settle, sleep, spacetimePixels,
  testBrowser, waitForDraws, waitInPage,
} from './harness.mjs';

const site = process.env.SITE_DIR;
const MESSAGES = fileURLToPath(new URL('../../messages', import.meta.url));
const chromiumOnly = { chromiumOnly: true };
const testBuild = { testBuild: true };
let server;
let browser;
let releaseBrowser;

before(async () => {
  assert.ok(site && process.env.PICTURE_CHECK, 'SITE_DIR and PICTURE_CHECK must be set');
  server = await serve(site);
  ({ browser, release: releaseBrowser } = await testBrowser());
});
after(async () => {
  await releaseBrowser?.();
  server?.close();
});

const TOUCH_SCREEN = { hasTouch: true, isMobile: true };
const PHONE = { width: 375, height: 667, deviceScaleFactor: 3, ...TOUCH_SCREEN };

// The address of the page, or of the page in `language` (?lang=).
const inLanguage = (url, language) => (language ? `${url}?lang=${language}` : url);

// A page of the test's own on the served site (in `viewport`, in
// `language`), once it takes input; it must show no error in its console,
// and is closed afterwards.
async function onServedPage(use, viewport, language) {
  const page = await openPage(browser, inLanguage(address(server), language), viewport);
  try {
    await page.waitForFunction(() => !document.getElementById('start').disabled);
    await use(page);
    assert.deepEqual(page.errors, [], 'the console shows errors');
  } finally {
    await closePage(page);
  }
}

// The picture after n draws is frame n - 1, since each draw shows the string
// and only then advances it: it matches that frame within a pixel and, once
// the string moves more than a hair a frame, fits it better than either
// neighbour.
function assertShowsFrameBeforeLastAdvance({ draws: count, pixels }, { bestFit = true } = {}) {
  const frame = count - 1;
  const fits = checkFrames(pixels, Math.max(frame - 1, 0), frame + 1);
  assert.ok(fits.get(frame).matches, `after ${count} draws the picture is not frame ${frame}`);
  if (bestFit) {
    for (const neighbour of [frame - 1, frame + 1]) {
      assert.ok(fits.get(frame).meanDistance < fits.get(neighbour).meanDistance,
        `frame ${neighbour} fits the picture after ${count} draws as well as frame ${frame}`);
    }
  }
  return fits.get(frame);
}

// The program, stopped, is idle again after `action` with nothing drawn. An
// action that set it running never lets it be idle.
async function assertStaysStill(target, action) {
  const before = await settle(target);
  await action();
  const after = await settle(target);
  assert.equal(after.draws, before.draws);
  assert.equal(after.pixels[2].join(), before.pixels[2].join());
}

// How the first picture the program drew fits frame 0, and its size.
async function firstPictureFit(target) {
  const pixels = await firstPicture(target);
  return { size: pixels.slice(0, 2), ...checkFrames(pixels, 0, 0).get(0) };
}

// The space-time picture as drawn (or its `pixels`, as a saved picture
// holds them) once `newest` is the frame drawn last: row r from
// the top is frame newest - r, for every frame kept, and each node in view
// has in its column, under its vertex in the string's canvas
// (9 i - 400 pixels from the middle), the legend's colour for the model's
// displacement of that node in that frame, to within rounding; rows of no
// frame yet are clear or grey. Once the string moves, the rows fit their own frames
// better than the frames before or after them.
async function assertRowsAreFrames(target, newest, pixels = null) {
  const [width, height, rgba] = pixels ?? await spacetimePixels(target);
  assert.deepEqual([width, height], [await target.$eval('#canvas', (canvas) => canvas.width), 300]);
  const oldest = Math.max(0, newest - height + 1);
  const model = modelDisplacements(Math.max(0, oldest - 1), newest + 1);
  const column = (i) => width / 2 - 400 + 9 * i;
  const nodes = Array.from({ length: 100 }, (_, i) => i).filter((i) => column(i) >= 0 && column(i) < width);
  const offBy = (frame, shownAs) => nodes.map((i) => {
    const at = 4 * ((newest - frame) * width + column(i));
    const expected = legendColour(model.get(shownAs)[i]);
    return Math.max(...expected.map((channel, c) => Math.abs(rgba[at + c] - channel)));
  });
  for (let frame = oldest; frame <= newest; frame += 1) {
    const off = offBy(frame, frame);
    const worst = Math.max(...off);
    assert.ok(worst <= 1, `the row of frame ${frame} is off by ${worst} at node ${nodes[off.indexOf(worst)]}`);
  }
  if (newest + 1 < height) {
    // Clear, over the picture's grey; or, saved, that grey.
    const at = 4 * ((newest + 1) * width + width / 2);
    const empty = [...rgba.slice(at, at + 4)];
    assert.ok(empty[3] === 0 || empty.join() === '217,217,217,255', `a row below frame 0 holds ${empty}`);
  }
  if (newest >= 20) {
    const total = (shift) => Array.from({ length: newest - oldest - 1 }, (_, k) => oldest + 1 + k)
      .reduce((sum, frame) => sum + offBy(frame, frame + shift).reduce((a, b) => a + b, 0), 0);
    for (const shift of [-1, 1]) {
      assert.ok(total(0) < total(shift), `the rows fit the frames ${shift} from theirs as well as their own`);
    }
  }
}

// The two pictures' boxes on screen: the space-time picture's place under
// the string's, as wide, and in it the picture's columns, each under its
// node as spacetimePixels lays them out (node 0's 404 canvas pixels left of
// the middle, 900 in all), to within layout's rounding of a scaled-down
// picture.
async function assertPicturesAligned(target) {
  const [string, place, spacetime] = await Promise.all(['#canvas', '#spacetime-size', '#spacetime']
    .map(async (selector) => (await target.$(selector)).boundingBox()));
  const width = await target.$eval('#canvas', (canvas) => canvas.width);
  const scale = string.width / width;
  const expected = { x: string.x + (width / 2 - 404) * scale, width: 900 * scale };
  for (const edge of ['x', 'width']) {
    assert.ok(Math.abs(place[edge] - string[edge]) < 0.1, `${edge}: ${place[edge]}, not ${string[edge]}`);
    assert.ok(Math.abs(spacetime[edge] - expected[edge]) < 0.1, `columns' ${edge}: ${spacetime[edge]}, not ${expected[edge]}`);
  }
  assert.ok(Math.abs(spacetime.height - place.height) < 0.1, 'the picture is not as tall as its place');
  assert.ok(place.y >= string.y + string.height, 'the space-time picture is not under the string');
}

// The picture Save picture saves (pressed as savedBy does, or by `press`):
// its name, and its pixels decoded by the browser, as [width, height, RGBA bytes].
async function savedPicture(target, press) {
  const png = await savedBy(target, '#save-picture', press);
  const [width, height, dataURL] = await target.evaluate(async (base64) => {
    const image = await createImageBitmap(new Blob([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))]));
    const scratch = new OffscreenCanvas(image.width, image.height).getContext('2d');
    scratch.drawImage(image, 0, 0);
    const { data } = scratch.getImageData(0, 0, image.width, image.height);
    return [image.width, image.height, await window.bytesAsDataURL(data)];
  }, png.base64);
  return { name: png.name, pixels: [width, height, bytesOf(dataURL)] };
}

// Runs the string from the frame shown until it has drawn `count` pictures, and stops it.
async function runUntil(target, count) {
  await target.click('#start');
  await waitForDraws(target, count);
  await target.click('#stop');
  return settle(target, { read: false });
}

// The numbers shown, read back as the page's language writes numbers (its
// own Intl: its digits, its decimal sign, its grouping, its exponent, its
// marks): any other character, an English decimal point in French say,
// reads as no number at all.
const numbersShown = (target) => target.evaluate(() => {
  const { lang } = document.documentElement;
  const format = new Intl.NumberFormat(lang);
  const digits = Array.from({ length: 10 }, (_, digit) => format.format(digit));
  const meaning = { decimal: '.', minusSign: '-', exponentMinusSign: '-', group: '', literal: '', exponentSeparator: 'e' };
  const symbols = [...format.formatToParts(-12345.6),
    ...new Intl.NumberFormat(lang, { notation: 'scientific' }).formatToParts(-1e-5)]
    .filter(({ type }) => type in meaning).map(({ type, value }) => [value, meaning[type]])
    .sort(([a], [b]) => b.length - a.length);
  const parse = (text) => {
    let number = '';
    for (let rest = text; rest !== '';) {
      const digit = digits.indexOf(rest[0]);
      const [symbol, value] = symbols.find(([written]) => rest.startsWith(written)) ??
        [rest[0], digit >= 0 ? String(digit) : '?'];
      number += value;
      rest = rest.slice(symbol.length);
    }
    return Number(number);
  };
  return Object.fromEntries(['frame', 'time', 'largest', 'node', 'energy'].map((name) => {
    const { textContent } = document.getElementById(`number-${name}`);
    return [name, parse(textContent)];
  }));
});
const descriptionShown = (target) => target.$eval('#description', (description) => description.textContent);

// The node whose displacement is largest in size in `frame` of the model.
function largestNode(frame) {
  const u = modelDisplacements(frame, frame).get(frame).map(Math.abs);
  return u.indexOf(Math.max(...u));
}

const assertClose = (actual, expected, what) => assert.ok(Math.abs(actual - expected) <= 1e-8 * Math.abs(expected),
  `${what}: ${actual}, not ${expected} within 1e-8`);

// The saved CSV is vibrating-string-history --frames K's: the same header,
// frame and time fields, and values within 1e-8.
function assertHistoryOf(csv, last) {
  const lines = csv.trim().split('\n');
  const tool = historyLines(last);
  assert.equal(lines.length, tool.length, `${lines.length - 1} frames saved, not ${tool.length - 1}`);
  assert.equal(lines[0], tool[0]);
  lines.slice(1).forEach((line, frame) => {
    const [fields, toolFields] = [line.split(','), tool[frame + 1].split(',')];
    assert.deepEqual(fields.slice(0, 2), toolFields.slice(0, 2));
    assertClose(Number(fields[2]), Number(toolFields[2]), `frame ${frame}'s largest displacement`);
    assertClose(Number(fields[3]), Number(toolFields[3]), `frame ${frame}'s energy`);
  });
}

// The English catalog, by which the tests read the page in English.
const catalogs = readCatalogs(MESSAGES);
const english = catalogs[REFERENCE];
// 'running' or 'stopped', as the page says in English, or the words shown.
const stateShown = async (target) => {
  const text = await target.$eval('#state', (state) => state.textContent);
  return { [english['string.running']]: 'running', [english['string.stopped']]: 'stopped' }[text] ?? text;
};
const visible = (target, selector) => target.$eval(selector,
  (element) => element.checkVisibility({ visibilityProperty: true }));
// Start, Stop, Next frame, Width, Speed: which are disabled. Next frame
// only while the string is stopped.
const NOTHING_TO_CLICK = [true, true, true, true, true];
const STOPPED_CONTROLS = [false, false, false, false, false];
const RUNNING_CONTROLS = [false, false, true, false, false];
const controlsDisabled = (target) => target.$$eval('#controls button, #controls input, #controls select',
  (controls) => controls.map((control) => control.disabled));

// The browser's own note of a failed request is no error of the page's.
const pageErrors = (target) => target.errors.filter((error) => !error.startsWith('Failed to load resource'));

// The failure in words in place of the canvas, and nothing to click.
async function assertFailureShown(target, words) {
  await target.waitForFunction(() => !document.getElementById('failure').hidden, { timeout: 20000 });
  assert.match(await target.$eval('#failure', (failure) => failure.textContent), words);
  assert.equal(await visible(target, '#canvas'), false);
  assert.equal(await visible(target, '#status'), false);
  assert.deepEqual(await controlsDisabled(target), NOTHING_TO_CLICK);
  assert.deepEqual(pageErrors(target), []);
}

// A press that begins off the canvas and is released over it: no window's
// click. The release must reach the page. The drag selects text on its way,
// and a later press inside a selection would start a drag and drop, whose
// release never comes, so the selection goes.
async function releaseOverCanvasAfterPressElsewhere(target) {
  const releases = await target.evaluate(() => window.releases);
  await target.mouse.move(5, 5);
  await target.mouse.down();
  const box = await (await target.$('#canvas')).boundingBox();
  await target.mouse.move(box.x + 150, box.y + 150);
  await target.mouse.up();
  assert.equal(await target.evaluate(() => window.releases), releases + 1, 'the release did not reach the page');
  await target.evaluate(() => window.getSelection().removeAllRanges());
}

// Counts the page's timer and animation-frame callbacks from now on.
function countWakeups(target) {
  return target.evaluate(() => {
    window.wakeups = { timers: 0, frames: 0 };
    const [setTimer, requestFrame] = [window.setTimeout, window.requestAnimationFrame];
    window.setTimeout = (callback, delay, ...rest) => setTimer((...args) => {
      window.wakeups.timers += 1;
      callback(...args);
    }, delay, ...rest);
    window.requestAnimationFrame = (callback) => requestFrame((now) => {
      window.wakeups.frames += 1;
      callback(now);
    });
  });
}

// The timer callbacks, animation-frame callbacks and draws while `wait`
// (given the counts before) runs.
async function wakeupsOver(target, wait) {
  const count = () => target.evaluate(() => ({ ...window.wakeups, draws: window.draws }));
  const before = await count();
  await wait(before);
  const after = await count();
  return Object.fromEntries(Object.keys(after).map((key) => [key, after[key] - before[key]]));
}

pageTest('is titled, takes no focus, and first shows the whole string, frame 0, at 100 px per unit, still until clicked', () => onServedPage(async (page) => {
  assert.equal(await page.title(), english['page.title']);
  assert.equal(await page.evaluate(() => document.activeElement === document.body), true);
  const shown = await settle(page);
  assert.deepEqual(shown.pixels.slice(0, 2), [1000, 300]);
  assert.ok(shown.draws <= 2, `${shown.draws} draws before any input`);
  const frame = assertShowsFrameBeforeLastAdvance(shown, { bestFit: false });
  // 1000 px: x from -5 to 5, the whole string.
  assert.deepEqual([frame.firstInView, frame.lastInView], [0, 99]);
  const frames = checkFrames(shown.pixels, 0, 100);
  assert.ok(frames.get(0).matches, 'the picture is not frame 0');
  assert.ok(!frames.get(100).matches, 'the matcher tells a later frame apart');
  assert.ok((await firstPictureFit(page)).matches, 'the first picture is not frame 0');
  // Which release this is, from the project's version.
  assert.match(await page.$eval('footer', (footer) => footer.textContent), /vibrating-string \d+\.\d+\.\d+/);
  assert.ok((await page.$eval('meta[name="description"]', (meta) => meta.content)).length > 50);

  await page.waitForFunction(() => document.getElementById('status').hidden);
  assert.deepEqual(await controlsDisabled(page), STOPPED_CONTROLS);
  assert.equal(await stateShown(page), 'stopped');
  // A screen reader announces it when it changes.
  assert.equal(await page.$eval('#state', (state) => state.closest('[role="status"], [aria-live="polite"]') !== null),
    true, 'the running or stopped state is not in a live region');
  // Served as WebAssembly, which browsers compile as it arrives.
  assert.equal(page.types.get('/vibrating-string.wasm'), 'application/wasm');
}));

pageTest('has no accessibility violations that axe-core finds', () => onServedPage(async (page) => {
  await page.addScriptTag({ path: createRequire(import.meta.url).resolve('axe-core/axe.min.js') });
  const violations = await page.evaluate(async () => (await window.axe.run()).violations
    .map((violation) => `${violation.id}: ${violation.nodes.map((node) => node.target).join(' ')}`));
  assert.deepEqual(violations, []);
}));

pageTest('ignores the middle button, the wheel, the keyboard and releases that began off the canvas', () => onServedPage(async (page) => {
  await assertStaysStill(page, async () => {
    await clickCanvas(page, 'middle');
    // The page is taller than the window, and a wheel would scroll it away
    // from under the pointer: held in place, it still passes the wheel on.
    await page.evaluate(() => { document.documentElement.style.overflow = 'hidden'; });
    await page.mouse.wheel({ deltaY: 300 });
    for (const key of [' ', 'Enter', 'a', 'ArrowLeft', 'Escape']) await page.keyboard.press(key);
    await releaseOverCanvasAfterPressElsewhere(page);
  });
  assert.equal(await stateShown(page), 'stopped');
}));

pageTest('animates on a left click, one frame per draw, and stops on a right press, and says which', () => onServedPage(async (page) => {
  await page.evaluate(() => {
    window.addEventListener('contextmenu', (event) => { window.menuSuppressed = event.defaultPrevented; });
  });
  const start = await draws(page);
  await clickCanvas(page, 'left');
  assert.equal(await stateShown(page), 'running');
  await waitForDraws(page, start + 30);
  await page.mouse.down({ button: 'right' });
  assert.equal(await stateShown(page), 'stopped');
  const stopped = await settle(page);
  assertShowsFrameBeforeLastAdvance(stopped);
  // The rest of the right click changes nothing, and no menu opens.
  await assertStaysStill(page, () => page.mouse.up({ button: 'right' }));
  assert.equal(await page.evaluate(() => window.menuSuppressed), true, 'the context menu was not suppressed');

  // A left press alone starts it again. With the left button held, a right
  // click stops it, and the left release starts it once more.
  await page.mouse.down();
  await waitForDraws(page, stopped.draws + 10);
  await clickCanvas(page, 'right');
  assert.equal(await stateShown(page), 'stopped');
  const held = await settle(page);
  await page.mouse.up();
  assert.equal(await stateShown(page), 'running');
  await waitForDraws(page, held.draws + 10);
  await clickCanvas(page, 'right');
  assertShowsFrameBeforeLastAdvance(await settle(page));
  assert.equal(await stateShown(page), 'stopped');
}));

pageTest('wakes only with the display while it runs, once per picture, and not at all once stopped', () => onServedPage(async (page) => {
  await countWakeups(page);
  // Started, stopped and started again within one task: still one idle chain.
  await page.evaluate(() => ['start', 'stop', 'start'].forEach((id) => document.getElementById(id).click()));
  await waitForDraws(page, (await draws(page)) + 5);
  const running = await wakeupsOver(page, (before) => waitForDraws(page, before.draws + 60));
  assert.equal(running.timers, 0, 'timers wake the running page');
  // Waiting for it to come to rest says that it kept drawing.
  await assert.rejects(settle(page, { limitMs: 500 }), /^Error: the program kept drawing for 500 ms \(\d+ draws\)/);
  // A draw and GLUT's idle call in each refresh.
  assert.ok(running.frames <= 2 * running.draws + 2, `${running.frames} frame callbacks for ${running.draws} draws`);

  await page.click('#stop');
  await settle(page);
  assert.deepEqual(await wakeupsOver(page, () => sleep(1000)), { timers: 0, frames: 0, draws: 0 });
}));

pageTest('Start and Stop, by pointer and by keyboard, do what the two buttons do, and leave no press behind', () => onServedPage(async (page) => {
  const start = await draws(page);
  await page.click('#start');
  assert.equal(await stateShown(page), 'running');
  await waitForDraws(page, start + 10);
  await page.click('#stop');
  assert.equal(await stateShown(page), 'stopped');
  const stopped = await settle(page);
  assertShowsFrameBeforeLastAdvance(stopped);

  await page.focus('#start');
  await page.keyboard.press('Enter');
  assert.equal(await stateShown(page), 'running');
  await waitForDraws(page, stopped.draws + 10);
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'stop');
  await page.keyboard.press(' ');
  assertShowsFrameBeforeLastAdvance(await settle(page));
  assert.equal(await stateShown(page), 'stopped');
  // Start clicks with a press and a release: it leaves no press recorded
  // on the canvas for a later release that began elsewhere to complete.
  await assertStaysStill(page, () => releaseOverCanvasAfterPressElsewhere(page));
}));

pageTest("a narrower canvas, GLUT's default window, shows less of the string at the same scale, never squeezed, and widens back", () => onServedPage(async (page) => {
  // Moving, so that the picture tells its frame from the next.
  await page.click('#start');
  await waitForDraws(page, 40);
  await page.click('#stop');
  await settle(page, { read: false });
  await setWidth(page, 300);
  const narrow = await settle(page);
  assert.deepEqual(narrow.pixels.slice(0, 2), [300, 300]);
  const box = await (await page.$('#canvas')).boundingBox();
  assert.deepEqual([box.width, box.height], [300, 300]);
  assert.equal(await page.$eval('#width-value', (output) => output.textContent), '300 px');
  const frame = assertShowsFrameBeforeLastAdvance(narrow);
  // x from -1.5 to 1.5: nodes 28 to 61.
  assert.deepEqual([frame.firstInView, frame.lastInView], [28, 61]);

  // Back to 1000: the height stays 300, and the whole string is in view again.
  await setWidth(page, 1000);
  const wide = await settle(page);
  assert.deepEqual(wide.pixels.slice(0, 2), [1000, 300]);
  assert.equal(await page.$eval('#width-value', (output) => output.textContent), '1000 px');
  const whole = assertShowsFrameBeforeLastAdvance(wide);
  assert.deepEqual([whole.firstInView, whole.lastInView], [0, 99]);
}));

pageTest('a reload after the slider moved starts again at 1000 px, with slider, label and canvas alike', () => onServedPage(async (page) => {
  await setWidth(page, 300);
  await settle(page, { read: false });
  assert.equal(await page.$eval('#canvas', (canvas) => canvas.width), 300);
  // Firefox restores a form control's value on a reload unless told not to.
  await page.reload();
  await page.waitForFunction(() => !document.getElementById('start').disabled);
  assert.deepEqual(await page.evaluate(() => [document.getElementById('width').value,
    document.getElementById('width-value').textContent]), ['1000', '1000 px']);
  const first = await firstPictureFit(page);
  assert.deepEqual(first.size, [1000, 300]);
  assert.ok(first.matches, 'the first picture after the reload is not frame 0');
  assert.deepEqual([first.firstInView, first.lastInView], [0, 99]);
}));

pageTest('a lost WebGL context pauses the string, says so, and the string comes back where it was, at its speed', () => onServedPage(async (page) => {
  await page.select('#speed', '2');
  await page.click('#start');
  await waitForDraws(page, (await draws(page)) + 20);
  await page.evaluate(() => {
    window.loseContext = document.getElementById('canvas').getContext('webgl').getExtension('WEBGL_lose_context');
    window.loseContext.loseContext();
  });
  await page.waitForFunction(() => !document.getElementById('status').hidden);
  assert.match(await page.$eval('#status', (status) => status.textContent), /graphics away.*paused/);
  assert.deepEqual(await controlsDisabled(page), NOTHING_TO_CLICK);
  // Nothing is computed for nothing while the context is gone.
  const lost = await draws(page);
  await sleep(1000);
  assert.equal(await draws(page), lost, 'frames were drawn into a lost context');

  await page.evaluate(() => window.loseContext.restoreContext());
  await page.waitForFunction(() => document.getElementById('status').hidden);
  assert.deepEqual(await controlsDisabled(page), RUNNING_CONTROLS);
  assert.equal(await stateShown(page), 'running');
  await waitForDraws(page, lost + 20);
  const drawn = await drawsOverRefreshes(page, 100);
  assert.ok(Math.abs(drawn - 50) <= 1, `${drawn} pictures in 100 refreshes at a picture every 2`);
  await page.click('#stop');
  const stopped = await settle(page);
  // Every draw before, during and after the loss advanced the same string,
  // and the space-time picture kept every row through it.
  assertShowsFrameBeforeLastAdvance(stopped);
  await assertRowsAreFrames(page, stopped.draws - 1);
}));

pageTest('the space-time picture: a row per picture, the newest on top, each node under its vertex, at 1000 and 300 px', () => onServedPage(async (page) => {
  await assertRowsAreFrames(page, (await settle(page, { read: false })).draws - 1);
  await assertPicturesAligned(page);
  // Frame 1, a few dozen, and past the 300 the picture keeps.
  for (const count of [2, 40, 330]) await assertRowsAreFrames(page, (await runUntil(page, count)).draws - 1);
  await setWidth(page, 300);
  const narrow = await settle(page, { read: false });
  await assertRowsAreFrames(page, narrow.draws - 1);
  await assertPicturesAligned(page);
  // Stopped, nothing adds a row; asked, the words add none either.
  await assertStaysStill(page, () => page.click('#describe'));
  assert.equal((await numbersShown(page)).frame, narrow.draws - 1);
}));

pageTest("the numbers and the words are the model's at the frame shown, and Save data is vibrating-string-history's run", () => onServedPage(async (page) => {
  await keepSaves(page);
  const frame = (await runUntil(page, 120)).draws - 1;
  const tool = historyLines(frame);
  const [toolFrame, toolTime, toolLargest, toolEnergy] = tool.at(-1).split(',');
  const shown = await numbersShown(page);
  assert.deepEqual([shown.frame, shown.time], [Number(toolFrame), Number(toolTime)]);
  assertClose(shown.largest, Number(toolLargest), 'the largest displacement');
  assertClose(shown.energy, Number(toolEnergy) / Number(tool[1].split(',')[3]), 'the energy against frame 0');
  assert.equal(shown.node, largestNode(frame));
  // The stop said, unasked, where the string is furthest from rest.
  const words = await descriptionShown(page);
  assert.match(words, new RegExp(`^Frame ${frame},.* furthest from rest at node ${largestNode(frame)} `));
  assert.match(words, /moving (up|down)/);

  const saved = await savedBy(page, '#save-data');
  assert.equal(saved.name, `vibrating-string-frames-0-${frame}.csv`);
  assert.equal(saved.type, 'text/csv');
  assertHistoryOf(saved.text, frame);

  // Stopped, the words follow the picture when a redraw moves it on a frame.
  await setWidth(page, 900);
  const moved = (await settle(page, { read: false })).draws - 1;
  assert.match(await descriptionShown(page), new RegExp(`^Frame ${moved},.* at node ${largestNode(moved)} `));
  assert.equal((await numbersShown(page)).frame, moved);
}));

pageTest("at frame 0 the words say the string is at rest, and the energy is the start's", () => onServedPage(async (page) => {
  await settle(page, { read: false });
  assert.equal(await descriptionShown(page), '');
  // Describe, from the keyboard.
  await page.focus('#describe');
  await page.keyboard.press('Enter');
  assert.match(await descriptionShown(page), /^Frame 0, time 0: .*node 40 .*It is at rest\. .*energy is 1\.000 times/);
  assert.equal(await page.$eval('#number-energy', (energy) => energy.textContent), '1.00000000');
}));

// `count` more frames through the page as it takes each frame drawn, at the
// model's present state and without the display's pace (the build's test
// entry); resolves to the top of the program's heap, its high-water mark.
async function repeatFrameShown(target, count) {
  let done = 0;
  for (;;) {
    const now = Math.min(100000, count - done);
    const heapTop = await target.evaluate((n) => Module._repeat_frame_shown(n), now);
    done += now;
    if (done === count) return heapTop;
  }
}

// The CSV that Save data saves, read in the page: its name, its line count,
// and its first and last lines.
async function savedRecord(target) {
  await target.click('#save-data');
  await target.waitForFunction(() => window.saves.length > 0);
  return target.evaluate(async () => {
    const { name, blob } = window.saves.pop();
    const lines = (await blob.text()).trimEnd().split('\n');
    return { name, count: lines.length, head: lines.slice(0, 3), last: lines.at(-1) };
  });
}

// The time of a frame as the history tool writes it (%.6g): 201 steps of sqrt(1e-11) a frame.
const frameTime = (frame) => String(Number((frame * 201 * Math.sqrt(1e-11)).toPrecision(6)));

// After a run, the string is drawn on from where the model stands: `modelFrame`.
async function assertDrawsOnFrom(target, modelFrame) {
  const before = await draws(target);
  await target.click('#start');
  await waitForDraws(target, before + 5);
  await target.click('#stop');
  const after = await settle(target);
  const shown = modelFrame + after.draws - before - 1;
  assert.ok(checkFrames(after.pixels, shown, shown).get(shown).matches, `the picture is not model frame ${shown}`);
}

pageTest('a run of eight hours at 60 pictures a second: Save data is the history tool\'s first and last lines, and the string draws on', testBuild, () => onServedPage(async (page) => {
  const drawn = (await settle(page, { read: false })).draws;
  await keepSaves(page);
  const heapAtStart = await repeatFrameShown(page, 0);
  const frames = 8 * 3600 * 60;
  // Hidden meanwhile, the explanation still takes every frame, and draws none
  // (each would cost a stopped page a redraw, which a running one spares).
  await page.click('#explain-toggle');
  const heapTop = await repeatFrameShown(page, frames);
  await page.click('#explain-toggle');
  console.log(`# heap: ${heapAtStart} bytes at frame ${drawn - 1}, ${heapTop} after ${frames} more frames`);
  // The record alone grows, by its 16 bytes a frame, in blocks of a mebibyte.
  assert.ok(heapTop - heapAtStart <= 16 * frames + (2 << 20), `the heap grew by ${heapTop - heapAtStart} bytes`);

  const last = drawn + frames - 1;
  const saved = await savedRecord(page);
  // Saved piece by piece, the run's CSV never lies whole in the program's heap.
  assert.equal(await repeatFrameShown(page, 0), heapTop, 'Save data grew the heap');
  assert.equal(saved.name, `vibrating-string-frames-0-${last}.csv`);
  assert.equal(saved.count, last + 2);
  const tool = historyLines(drawn);
  assert.deepEqual(saved.head, tool.slice(0, 3));
  // The frames repeated show the model where it stood: frame `drawn`.
  assert.equal(saved.last, [last, frameTime(last), ...tool[drawn + 1].split(',').slice(2)].join(','));
  assert.equal((await numbersShown(page)).frame, last);
  await assertDrawsOnFrom(page, drawn);
  assert.equal(await visible(page, '#failure'), false);
}));

pageTest('when the browser gives no more memory, the page says the record ends, saves what it kept, and the string goes on', testBuild, () => onServedPage(async (page) => {
  const drawn = (await settle(page, { read: false })).draws;
  await keepSaves(page);
  assert.equal(await page.$eval('#record-note', (note) => note.textContent), '');
  const taken = await page.evaluate(() => Module._exhaust_heap(1 << 20));
  assert.ok(taken > 100, `only ${taken} MiB could be taken`);
  // The record's first block holds 65536 frames: the next one cannot be had.
  await repeatFrameShown(page, 65536);
  const words = await page.$eval('#record-note', (note) => note.textContent);
  assert.match(words, /no more memory for the run's record, which ends at frame 65,535: Save data saves frames 0 to 65,535\. The string goes on\./);
  const saved = await savedRecord(page);
  assert.equal(saved.name, 'vibrating-string-frames-0-65535.csv');
  assert.equal(saved.count, 65537);
  assert.deepEqual(saved.head, historyLines(drawn).slice(0, 3));
  await assertDrawsOnFrom(page, drawn);
  assert.equal(await visible(page, '#failure'), false);
  assert.equal(await page.$eval('#record-note', (note) => note.textContent), words);
}));

pageTest("hidden with one control, the new parts leave today's page, and come back with every row", () => onServedPage(async (page) => {
  const stopped = await runUntil(page, 30);
  await page.click('#explain-toggle');
  assert.equal(await visible(page, '#explain-body'), false);
  assert.equal(await visible(page, '#explain-toggle'), true);
  // The string runs on meanwhile, and the picture keeps its rows.
  const hidden = await runUntil(page, stopped.draws + 20);
  await page.click('#explain-toggle');
  assert.equal(await visible(page, '#spacetime'), true);
  await assertRowsAreFrames(page, hidden.draws - 1);
}));

pageTest('while the string runs, the picture and the numbers out of view wait, and catch up once scrolled into view', () => onServedPage(async (page) => {
  await page.evaluate(() => {
    window.pictureWrites = 0;
    const put = CanvasRenderingContext2D.prototype.putImageData;
    CanvasRenderingContext2D.prototype.putImageData = function countedPut(...args) {
      if (this.canvas.id === 'spacetime') window.pictureWrites += 1;
      return put.apply(this, args);
    };
  });
  // A short window at the top of the page: both lie below it.
  await page.setViewport({ width: 1200, height: 400 });
  await page.evaluate(() => window.scrollTo(0, 0));
  const start = await draws(page);
  await page.evaluate(() => document.getElementById('start').click()); // no scrolling to it
  await waitForDraws(page, start + 20);
  const [writes, numbers] = [await page.evaluate(() => window.pictureWrites), await numbersShown(page)];
  await waitForDraws(page, start + 60);
  assert.equal(await page.evaluate(() => window.pictureWrites), writes, 'the picture was drawn out of view');
  assert.deepEqual(await numbersShown(page), numbers, 'the numbers were written out of view');
  // Saved meanwhile from the keyboard, the picture still out of view above
  // its button, it is the frames up to the one it names.
  await keepSaves(page);
  await page.setViewport({ width: 1200, height: 150 });
  await page.$eval('#save-picture', (button) => {
    button.scrollIntoView({ block: 'end' });
    button.focus({ preventScroll: true });
  });
  assert.ok(await page.$eval('#spacetime-stage', (stage) => stage.getBoundingClientRect().bottom < 0));
  const saved = await savedPicture(page, () => page.keyboard.press('Enter'));
  await assertRowsAreFrames(page, Number(saved.name.match(/-(\d+)\.png$/)[1]), saved.pixels);

  await page.setViewport({ width: 1200, height: 400 });
  await page.$eval('#spacetime-stage', (stage) => stage.scrollIntoView());
  await page.waitForFunction((before) => window.pictureWrites > before + 10, {}, writes);
  await page.evaluate(() => document.getElementById('stop').click());
  await assertRowsAreFrames(page, (await settle(page, { read: false })).draws - 1);
}));

pageTest('redrawn a frame at a time on the wide canvas, the picture is its frame, corners and all', () => onServedPage(async (page) => {
  await settle(page, { read: false });
  // Frame 223, shown after 224 draws, has vertices that fall between the
  // pixels a line lights. Redrawn one at a time, however slow the machine,
  // the count cannot run past it as it could before a Stop takes effect.
  await page.evaluate(async () => {
    for (let tries = 0; tries < 400 && window.draws < 224; tries += 1) {
      Module._resize_canvas(1000, 300); // one redraw, one frame on
      await new Promise((drawn) => requestAnimationFrame(drawn)); // after the redraw it asked for
    }
  });
  const shown = await settle(page);
  assert.equal(shown.draws, 224);
  assertShowsFrameBeforeLastAdvance(shown);
}));

pageTest('a tap on a touch screen starts the string, and Stop stops it', chromiumOnly, () => onServedPage(async (touchPage) => {
  const shown = await settle(touchPage);
  // The tap is cancelled as a touch, so no emulated mouse events follow it.
  await touchPage.evaluate(() => {
    window.trustedMouseEvents = 0;
    for (const type of ['mousedown', 'mouseup']) {
      window.addEventListener(type, (event) => { window.trustedMouseEvents += event.isTrusted; }, true);
    }
  });
  await touchPage.tap('#canvas');
  assert.equal(await stateShown(touchPage), 'running');
  await waitForDraws(touchPage, shown.draws + 10);
  assert.equal(await touchPage.evaluate(() => window.trustedMouseEvents), 0);
  await touchPage.tap('#stop');
  assert.equal(await stateShown(touchPage), 'stopped');
  assertShowsFrameBeforeLastAdvance(await settle(touchPage));
}, TOUCH_SCREEN));

pageTest('on a phone: the whole string at first sight, no sideways scrolling, targets a finger can hit', chromiumOnly, () => onServedPage(async (phone) => {
  const shown = await settle(phone);
  // The whole string at first sight here too: frame 0, 1000 canvas pixels wide.
  const frame0 = await firstPictureFit(phone);
  assert.deepEqual(frame0.size, [1000, 300]);
  assert.ok(frame0.matches, 'the first picture on a phone is not frame 0');
  assert.deepEqual([frame0.firstInView, frame0.lastInView], [0, 99]);
  const layout = () => phone.evaluate(() => {
    const box = document.getElementById('canvas').getBoundingClientRect();
    return { scrollWidth: document.documentElement.scrollWidth, left: box.left, right: box.right,
      canvasWidth: document.getElementById('canvas').width };
  });
  for (const width of [300, 1000]) {
    await setWidth(phone, width);
    await waitForDraws(phone, shown.draws + 1);
    const { scrollWidth, left, right, canvasWidth } = await layout();
    assert.ok(scrollWidth <= 375, `the page is ${scrollWidth} px wide at width ${width}`);
    // The same picture, 100 canvas pixels per unit, scaled to fit.
    assert.equal(canvasWidth, width);
    assert.ok(left >= 0 && right <= 375, `the canvas spans ${left} to ${right} px at width ${width}`);
    await assertPicturesAligned(phone);
  }
  for (const id of ['start', 'stop']) {
    const box = await (await phone.$(`#${id}`)).boundingBox();
    assert.ok(box.width >= 44 && box.height >= 44, `${id} is ${box.width}x${box.height} px`);
  }
  const before = await draws(phone);
  await phone.tap('#canvas');
  await waitForDraws(phone, before + 10);
  assert.equal(await stateShown(phone), 'running');
  await phone.tap('#stop');
  assert.equal(await stateShown(phone), 'stopped');
}, PHONE));

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

// When the program cannot run, the page says so in words and offers nothing
// to click: here served by a server with `fault` (in `language`).
async function withFailingServer(fault, use, language) {
  const faulty = await serve(site, 0, fault);
  const target = await openPage(browser, null);
  try {
    await target.goto(inLanguage(address(faulty), language));
    await use(target);
  } finally {
    await closePage(target);
    faulty.close();
  }
}

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

// Away from a server: from disk, offline after one visit, updated, installed.
// Each test works in a folder of its own, removed afterwards.
async function inFolder(use) {
  const folder = mkdtempSync(join(tmpdir(), 'vibrating-string-pages-'));
  try {
    await use(folder);
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// A copy of the site, to stop serving or to change.
async function serveCopy(folder) {
  const copy = join(folder, 'site');
  cpSync(site, copy, { recursive: true });
  return { copy, copyServer: await serve(copy) };
}
const stopServing = (copyServer) => {
  if (copyServer.listening) copyServer.close();
  copyServer.closeAllConnections();
};

// The program runs: the first picture is frame 0, Start animates, Stop stops.
async function assertRuns(target) {
  const shown = await settle(target, { read: false });
  assert.ok(shown.draws <= 2, `${shown.draws} draws before any input`);
  assert.ok((await firstPictureFit(target)).matches, 'the first picture is not frame 0');
  await target.click('#start');
  await waitForDraws(target, shown.draws + 10);
  await target.click('#stop');
  assertShowsFrameBeforeLastAdvance(await settle(target));
}

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
    assert.deepEqual([...visited.errors, ...newTab.errors], []);
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

// In every language: every word from its catalog, every number in its
// format, and the pictures and the data the same as in English.

const axeViolations = async (target) => {
  await target.addScriptTag({ path: createRequire(import.meta.url).resolve('axe-core/axe.min.js') });
  return target.evaluate(async () => (await window.axe.run()).violations
    .map((violation) => `${violation.id}: ${violation.nodes.map((node) => node.target).join(' ')}`));
};

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

for (const [language, catalog] of Object.entries(catalogs)) {
  pageTest(`in ${language}: its words and number format, frame 0 as in English, the model's numbers, the history tool's CSV, axe clean`, () => onServedPage(async (page) => {
    const root = await page.evaluate(() => [document.documentElement.lang, document.documentElement.dir, document.title]);
    assert.deepEqual(root, [language, language === 'ar' ? 'rtl' : 'ltr', catalog['page.title']]);
    assert.equal(await page.$eval('#start', (start) => start.textContent), catalog['control.start']);
    // Installed from here, the app is named in this language.
    const manifest = await (await fetch(await page.$eval('link[rel="manifest"]', (link) => link.href))).json();
    assert.deepEqual([manifest.lang, manifest.name, manifest.short_name], [language, catalog['page.title'], catalog['page.shortName']]);
    const first = await firstPicture(page);
    assert.ok(checkFrames(first, 0, 0).get(0).matches, 'the first picture is not frame 0');
    assert.ok(first[2].equals((await firstPictureInEnglish())[2]), 'the first picture differs from the English page\'s');
    await page.click('#describe');
    const words = await descriptionShown(page);
    assert.ok(words.includes(catalog['describe.atRest']), `Describe did not speak ${language}: ${words}`);
    assert.deepEqual(await axeViolations(page), []);

    await keepSaves(page);
    const frame = (await runUntil(page, 60)).draws - 1;
    const tool = historyLines(frame);
    const [toolFrame, toolTime, toolLargest, toolEnergy] = tool.at(-1).split(',').map(Number);
    const shown = await numbersShown(page);
    assert.deepEqual([shown.frame, shown.node], [toolFrame, largestNode(frame)]);
    assertClose(shown.time, toolTime, 'the time');
    assertClose(shown.largest, toolLargest, 'the largest displacement');
    assertClose(shown.energy, toolEnergy / Number(tool[1].split(',')[3]), 'the energy against frame 0');
    // The pictures are the physics': node 0 on the left in every language.
    await assertRowsAreFrames(page, frame);
    await assertPicturesAligned(page);
    const saved = await savedBy(page, '#save-data');
    assert.equal(saved.name, `vibrating-string-frames-0-${frame}.csv`);
    assert.equal(saved.text, `${tool.join('\n')}\n`);
  }, {}, language));
}

pageTest('switching language while the string runs, then stopped, keeps its frames, rows and trace', () => onServedPage(async (page) => {
  await page.type('#node', '50');
  await page.keyboard.press('Tab');
  const start = await draws(page);
  await page.click('#start');
  await waitForDraws(page, start + 20);
  await page.select('#language', 'de');
  await waitForDraws(page, start + 40);
  await page.select('#language', 'ar');
  await waitForDraws(page, start + 60);
  await page.click('#stop');
  // One run throughout: the picture is the frame of every draw so far, and
  // every row is its frame.
  const stopped = await settle(page);
  assertShowsFrameBeforeLastAdvance(stopped);
  await assertRowsAreFrames(page, stopped.draws - 1);
  assert.equal((await numbersShown(page)).frame, stopped.draws - 1);
  assert.equal(await page.$eval('#state', (state) => state.textContent), catalogs.ar['string.stopped']);

  const kept = () => page.evaluate(() => ['energy-trace', 'spacetime']
    .map((id) => document.getElementById(id).toDataURL()).concat(document.getElementById('number-frame').textContent));
  const before = await kept();
  await assertStaysStill(page, () => page.select('#language', 'en'));
  const after = await kept();
  assert.deepEqual(after.slice(0, 2), before.slice(0, 2), 'the trace or the rows changed');
  assert.equal(Number(after[2]), stopped.draws - 1);
  assert.equal(await stateShown(page), 'stopped');
  // What the explanation keeps is the run's, whatever the language: the
  // traced node's every frame, from before the switches too.
  await keepSaves(page);
  const frame = stopped.draws - 1;
  const first = Math.max(0, frame - 299);
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
    await first.select('#language', 'ja');
    assert.equal(await first.$eval('#help', (help) => help.textContent), catalogs.ja['page.help']);
    const next = await open();
    assert.deepEqual(await shownIn(next), ['ja', 'ja']);
    const linked = await open('fr');
    assert.deepEqual(await shownIn(linked), ['fr', 'fr']);
    // A choice from the menu on a linked page changes its link too.
    await linked.select('#language', 'es');
    assert.equal(new URL(linked.url()).searchParams.get('lang'), 'es');
    for (const page of [first, next, linked]) {
      assert.deepEqual(page.errors, []);
      assert.equal(await visible(page, '#failure'), false);
    }
  } finally {
    await context.close();
  }
});

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

// A teacher's controls: the next frame on demand, slow motion, one node
// traced, the ends named, and a link that opens the page as set.

pageTest('Next frame five times from a stopped frame k: frames k+1 to k+5, each the model\'s, a row each, by keyboard too, and not while running', () => onServedPage(async (page) => {
  const k = (await runUntil(page, 30)).draws - 1;
  for (let step = 1; step <= 5; step += 1) {
    await page.click('#next-frame');
    const shown = await settle(page);
    assert.equal(shown.draws - 1, k + step, `Next frame ${step} shows frame ${shown.draws - 1}`);
    assertShowsFrameBeforeLastAdvance(shown);
    assert.equal((await numbersShown(page)).frame, k + step);
  }
  await assertRowsAreFrames(page, k + 5);
  await page.focus('#next-frame');
  await page.keyboard.press('Enter');
  assert.equal((await settle(page, { read: false })).draws - 1, k + 6);
  await page.click('#start');
  assert.deepEqual(await controlsDisabled(page), RUNNING_CONTROLS);
  await page.click('#stop');
  assert.deepEqual(await controlsDisabled(page), STOPPED_CONTROLS);
}));

// The pictures drawn over `refreshes` display refreshes, counted by a
// callback of the test's own at each.
const drawsOverRefreshes = (target, refreshes) => target.evaluate((count) => new Promise((resolve) => {
  let seen = 0;
  const first = window.draws;
  const next = () => {
    seen += 1;
    if (seen < count) requestAnimationFrame(next);
    else resolve(window.draws - first);
  };
  requestAnimationFrame(next);
}), refreshes);

pageTest('a picture every 4 refreshes: one draw in 4, each the next frame, through Stop, Start and Width, and stopped, no wake-up', () => onServedPage(async (page) => {
  await page.select('#speed', '4');
  for (const width of [1000, 500]) {
    await setWidth(page, width);
    const before = (await settle(page, { read: false })).draws;
    await page.click('#start');
    await waitForDraws(page, before + 2);
    const drawn = await drawsOverRefreshes(page, 200);
    assert.ok(Math.abs(drawn - 50) <= 1, `${drawn} pictures in 200 refreshes at width ${width}, not 50`);
    await page.click('#stop');
    const stopped = await settle(page);
    assertShowsFrameBeforeLastAdvance(stopped);
    await assertRowsAreFrames(page, stopped.draws - 1);
  }
  assert.equal(await page.$eval('#speed', (menu) => menu.value), '4');
  await countWakeups(page);
  const still = await wakeupsOver(page, () => sleep(1000));
  assert.deepEqual([still.frames, still.draws], [0, 0]);
}));

// Clicks the middle of node `node`'s column in the space-time picture, as
// spacetimePixels lays the columns out, if it is in view; says whether it was.
async function clickColumn(target, node, tap = false) {
  await target.$eval('#spacetime-stage', (stage) => stage.scrollIntoView({ block: 'center' }));
  const box = await (await target.$('#spacetime-size')).boundingBox();
  const width = await target.$eval('#canvas', (canvas) => canvas.width);
  const x = width / 2 - 404 + 9 * node + 4.5;
  if (x < 0 || x >= width) return false;
  const at = [box.x + (x * box.width) / width, box.y + box.height / 2];
  if (tap) await target.touchscreen.tap(...at);
  else await target.mouse.click(...at);
  return true;
}

pageTest('one node traced: chosen by its column at 1000 and 300 px or by its number, its values the model\'s, Save node in the history tool\'s formats', () => onServedPage(async (page) => {
  await keepSaves(page);
  for (const width of [1000, 300]) {
    await setWidth(page, width);
    await settle(page, { read: false });
    for (const node of [0, 31, 50, 99]) {
      if (!await clickColumn(page, node)) continue;
      assert.equal(await page.$eval('#node', (input) => input.value), String(node), `a click on column ${node} at ${width}`);
      // Its column framed in the picture, and nothing marked on the string.
      const [mark, stage] = await Promise.all(['#node-mark', '#spacetime-size'].map(async (id) => (await page.$(id)).boundingBox()));
      assert.ok(Math.abs(mark.x - (stage.x + ((width / 2 - 404 + 9 * node) * stage.width) / width)) < 0.5,
        `the mark of node ${node} is not over its column at ${width}`);
    }
  }
  await page.$eval('#node', (input) => { input.value = ''; });
  await page.type('#node', '77');
  await page.keyboard.press('Tab');
  assert.equal(await page.$eval('#node-label', (label) => label.textContent), 'Displacement of node 77');
  const frame = (await runUntil(page, 340)).draws - 1;
  const shown = await page.$eval('#number-node-value', (value) => Number(value.textContent));
  const model = modelDisplacements(frame - 299, frame);
  assertClose(shown, model.get(frame)[77], 'node 77 now');
  assert.match(await descriptionShown(page), / Node 77, traced \(x = [\d.-]+\), is at /);
  const saved = await savedBy(page, '#save-node');
  assert.equal(saved.name, `vibrating-string-node-77-frames-${frame - 299}-${frame}.csv`);
  const lines = saved.text.trimEnd().split('\n');
  assert.equal(lines[0], 'frame,time,displacement');
  assert.equal(lines.length, 301);
  const tool = historyLines(frame);
  lines.slice(1).forEach((line, k) => {
    const [savedFrame, time, displacement] = line.split(',');
    const f = frame - 299 + k;
    assert.deepEqual([savedFrame, time], tool[f + 1].split(',').slice(0, 2));
    assert.ok(Math.abs(Number(displacement) - model.get(f)[77]) <= 1e-8, `node 77 at frame ${f}: ${displacement}`);
  });
}));

pageTest('under the space-time picture, node 0 is named held at rest under its column, node 99 free', () => onServedPage(async (page) => {
  const [held, free, stage] = await Promise.all(['#end-held', '#end-free', '#spacetime-size']
    .map(async (id) => (await page.$(id)).boundingBox()));
  assert.equal(await page.$eval('#end-held', (end) => end.textContent), english['explain.endHeld']);
  assert.ok(Math.abs(held.x - (stage.x + 96)) < 0.5, `node 0's name starts at ${held.x - stage.x}, not 96`);
  assert.ok(Math.abs(free.x + free.width - (stage.x + 996)) < 0.5, `node 99's name ends at ${free.x + free.width - stage.x}`);
  await page.click('#describe');
  assert.match(await descriptionShown(page), /upside down from the held end, node 0, and upright from the free end, node 99\./);
}));

// The settings a page shows: language, canvas width, speed, node traced, explanation shown.
const settingsShown = (target) => target.evaluate(() => ({
  lang: document.documentElement.lang, width: document.getElementById('canvas').width,
  speed: document.getElementById('speed').value, node: document.getElementById('node').value,
  explain: document.getElementById('explain-toggle').checked && !document.getElementById('explain-body').hidden,
}));

pageTest('a teacher\'s link opens the page as set, Copy link makes one, and one with bad values opens the default', async () => {
  const open = async (search) => {
    const target = await openPage(browser, `${address(server)}${search}`);
    await target.waitForFunction(() => !document.getElementById('start').disabled);
    return target;
  };
  const set = await open('?lang=de&width=500&speed=8&node=60&explain=off');
  try {
    assert.deepEqual(await settingsShown(set), { lang: 'de', width: 500, speed: '8', node: '60', explain: false });
    // Its first picture, at the width asked for, is frame 0.
    const first = await firstPictureFit(set);
    assert.deepEqual(first.size, [500, 300]);
    assert.ok(first.matches, 'the first picture is not frame 0');
    await set.click('#copy-link');
    const link = await set.$eval('#teacher-link', (field) => field.value);
    assert.deepEqual(Object.fromEntries(new URL(link).searchParams),
      { lang: 'de', width: '500', speed: '8', node: '60', explain: 'off' });
    assert.notEqual(await set.$eval('#link-note', (note) => note.textContent), '');
    assert.deepEqual(set.errors, []);
  } finally {
    await closePage(set);
  }
  const bad = await open('?lang=zz&width=333&speed=3&node=100&explain=maybe');
  try {
    assert.deepEqual(await settingsShown(bad), { lang: 'en', width: 1000, speed: '1', node: '', explain: true });
    assert.equal(await visible(bad, '#failure'), false);
    assert.deepEqual(bad.errors, []);
  } finally {
    await closePage(bad);
  }
});

pageTest('on a phone, a tap on a column traces its node, and Next frame answers a tap', chromiumOnly, () => onServedPage(async (phone) => {
  assert.equal(await clickColumn(phone, 50, true), true);
  assert.equal(await phone.$eval('#node', (input) => input.value), '50');
  const before = (await settle(phone, { read: false })).draws;
  await phone.tap('#next-frame');
  assert.equal((await settle(phone, { read: false })).draws, before + 1);
  assert.ok(await phone.evaluate(() => document.documentElement.scrollWidth) <= 375);
}, PHONE));

pageTest('the single file from disk takes a teacher\'s link, steps a frame and saves a node, with no request', () => inFolder(async (folder) => {
  const file = join(folder, 'vibrating-string.html');
  copyFileSync(join(site, 'vibrating-string.html'), file);
  const url = `${pathToFileURL(file).href}?speed=2&node=40&width=600`;
  const target = await openPage(browser, url);
  try {
    await target.waitForFunction(() => !document.getElementById('start').disabled);
    assert.deepEqual(await settingsShown(target), { lang: 'en', width: 600, speed: '2', node: '40', explain: true });
    const before = (await settle(target, { read: false })).draws;
    await target.click('#next-frame');
    const shown = await settle(target);
    assert.equal(shown.draws, before + 1);
    assertShowsFrameBeforeLastAdvance(shown, { bestFit: false });
    await keepSaves(target);
    const saved = await savedBy(target, '#save-node');
    assert.equal(saved.name, `vibrating-string-node-40-frames-0-${shown.draws - 1}.csv`);
    assert.deepEqual(target.requests.filter((request) => request !== url), []);
    assert.deepEqual(target.errors, []);
  } finally {
    await closePage(target);
  }
}));
