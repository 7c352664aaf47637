// SPDX-License-Identifier: GPL-3.0-or-later
// What the page tests share, a file for each feature (*.test.mjs beside
// this): the site served (SITE_DIR) and the browser, opened once per file
// and closed after it, and the checks that more than one feature's tests
// make of the page, in Debian's headless Chromium or in Firefox ESR
// (BROWSER). Every test opens its own pages and leaves nothing behind, so any
// one runs alone or in any order. CTest runs each on its own (CMakeLists.txt):
//   ctest --preset page -R 'Chromium.*narrower'
// or, by hand, with the site and the matcher from a browser build:
//   SITE_DIR=build-release/web/site PICTURE_CHECK=build-web/tests/picture_check.js \
//     node --test-name-pattern='^a narrower' tests/page/input.test.mjs
import assert from 'node:assert/strict';
import { cpSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { after, before } from 'node:test';

import { REFERENCE, readCatalogs } from '../../cmake/messages.mjs';
import { KEPT_FRAMES, NODES } from '../../web/page/facts.js';
import { GREY } from '../../web/page/palette.js';
import {
  address, bytesOf, checkFrames, closePage, firstPicture, historyLines, legendColour, modelDisplacements, modeShape,
  openPage, savedBy, serve, settle, spacetimePixels, testBrowser, toolModes, waitForDraws,
} from './harness.mjs';

export const site = process.env.SITE_DIR;

const MESSAGES = fileURLToPath(new URL('../../messages', import.meta.url));

export const chromiumOnly = { chromiumOnly: true };

export const testBuild = { testBuild: true };

export let server;

export let browser;

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


export const TOUCH_SCREEN = { hasTouch: true, isMobile: true };
export const PHONE = { width: 375, height: 667, deviceScaleFactor: 3, ...TOUCH_SCREEN };


// The address of the page, or of the page in `language` (?lang=).
export const inLanguage = (url, language) => (language ? `${url}?lang=${language}` : url);

// Chooses `language` from the page's menu, and waits until the page speaks
// it: watching the page's element for the change, which works in a tab in
// the background too, where no animation frame comes.
export async function chooseLanguage(target, language) {
  await target.select('#language', language);
  await target.waitForFunction((code) => document.documentElement.lang === code, { polling: 'mutation' }, language);
}

// The catalog scripts `target` fetched, by name.
export const catalogsFetched = (target) => target.requests.map((url) => new URL(url).pathname.split('/').pop())
  .filter((name) => /^messages\..+\.js$/.test(name));


// A page of the test's own on the served site (in `viewport`, in
// `language`), once it takes input; it must show no error in its console,
// and is closed afterwards.
export async function onServedPage(use, viewport, language) {
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
export function assertShowsFrameBeforeLastAdvance({ draws: count, pixels }, { bestFit = true } = {}) {
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
export async function assertStaysStill(target, action) {
  const before = await settle(target);
  await action();
  const after = await settle(target);
  assert.equal(after.draws, before.draws);
  assert.equal(after.pixels[2].join(), before.pixels[2].join());
}


// How the first picture the program drew fits frame 0, and its size.
export async function firstPictureFit(target) {
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
export async function assertRowsAreFrames(target, newest, pixels = null) {
  const [width, height, rgba] = pixels ?? await spacetimePixels(target);
  assert.deepEqual([width, height], [await target.$eval('#canvas', (canvas) => canvas.width), KEPT_FRAMES]);
  const oldest = Math.max(0, newest - height + 1);
  const model = modelDisplacements(Math.max(0, oldest - 1), newest + 1);
  const column = (i) => width / 2 - 400 + 9 * i;
  const nodes = Array.from({ length: NODES }, (_, i) => i).filter((i) => column(i) >= 0 && column(i) < width);
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
    assert.ok(empty[3] === 0 || empty.join() === [...GREY, 255].join(), `a row below frame 0 holds ${empty}`);
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
export async function assertPicturesAligned(target) {
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
export async function savedPicture(target, press) {
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
export async function runUntil(target, count) {
  await target.click('#start');
  await waitForDraws(target, count);
  await target.click('#stop');
  return settle(target, { read: false });
}


// The numbers shown, read back as the page's language writes numbers (its
// own Intl: its digits, its decimal sign, its grouping, its exponent, its
// marks): any other character, an English decimal point in French say,
// reads as no number at all.
export const numbersShown = (target, names = ['frame', 'time', 'largest', 'node', 'energy']) => target.evaluate((ids) => {
  const { lang } = document.documentElement;
  const format = new Intl.NumberFormat(lang);
  const digits = Array.from({ length: 10 }, (_, digit) => format.format(digit));
  const meaning = { decimal: '.', minusSign: '-', exponentMinusSign: '-', group: '', literal: '', exponentSeparator: 'e',
    percentSign: 'e-2' };
  const symbols = [...format.formatToParts(-12345.6),
    ...new Intl.NumberFormat(lang, { notation: 'scientific' }).formatToParts(-1e-5),
    ...new Intl.NumberFormat(lang, { style: 'percent' }).formatToParts(-1)]
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
  return Object.fromEntries(ids.map((name) => {
    const { textContent } = document.getElementById(`number-${name}`);
    return [name, parse(textContent)];
  }));
}, names);

// A canvas's pixels as drawn: [width, height, RGBA bytes].
export const canvasPixels = (target, selector) => target.$eval(selector, async (canvas) => {
  const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
  return [canvas.width, canvas.height, await window.bytesAsDataURL(data)];
}).then(([width, height, url]) => [width, height, bytesOf(url)]);

// What axe-core finds in the page: run by the driver, as a page that
// declares what it may load runs no script injected into it.
export async function axeViolations(target) {
  await target.evaluate(readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8'));
  return target.evaluate(async () => (await window.axe.run()).violations
    .map((violation) => `${violation.id}: ${violation.nodes.map((node) => node.target).join(' ')}`));
}

// The chosen mode's part of `frame`, its amplitude times its shape (from
// the history tool), drawn over the string canvas where the string's
// picture puts each node (x = 9 i H - 4, y = 1.5 u, 100 pixels a unit from
// the middle), at the scale the page states (English): at each node's
// column, the blue line passes within a pixel of it (a steep line fills
// much of the column, so its middle says little); where the page magnifies
// it, so does the thin vermilion line at its true size, under the blue one
// and seen through it. Returns the stated scale.
export async function assertModeShapeOverString(target, mode, frame) {
  assert.equal(await visible(target, '#mode-shape'), true, 'the chosen mode is drawn');
  const [width, height, rgba] = await canvasPixels(target, '#mode-shape');
  // Over the string as shown, a pixel to each of the screen's.
  const [canvasWidth, canvasHeight, shownWidth, shownHeight] = await target.$eval('#canvas', (canvas) => [
    canvas.width, canvas.height, ...[canvas.clientWidth, canvas.clientHeight].map((size) => size * devicePixelRatio)]);
  assert.ok(Math.abs(width - shownWidth) <= 1 && Math.abs(height - shownHeight) <= 1,
    `the shape's pixels, ${width} by ${height}, are not the string's as shown, ${shownWidth} by ${shownHeight}`);
  const [across, up] = [width / canvasWidth, height / canvasHeight];
  const stated = await target.$eval('#mode-scale', (note) => (note.hidden ? null : note.textContent));
  const times = stated === null ? 1 : Number(stated.match(/ at ([\d,]+) times /)[1].replaceAll(',', ''));
  const tool = toolModes(frame);
  const shape = modeShape(tool.frequencies[mode]);
  // Each line's pixels, alone or blended with the other's: blue in them, or vermilion.
  const lines = [[times, (r, b) => b > 40, 'the mode']];
  if (times > 1) lines.push([1, (r) => r > 40, 'its true size']);
  for (const [scale, hasColour, what] of lines) {
    for (let i = 0; i < NODES; i += 1) {
      const x = Math.round(across * (canvasWidth / 2 + (0.09 * i - 4) * 100));
      if (x < 0 || x >= width) continue;
      const drawn = [];
      for (let y = 0; y < height; y += 1) {
        const at = (y * width + x) * 4;
        if (rgba[at + 3] > 64 && hasColour(rgba[at], rgba[at + 2])) drawn.push(y);
      }
      const expected = up * (canvasHeight / 2 - scale * 150 * tool.amplitudes[mode] * shape[i]);
      assert.ok(drawn.some((y) => Math.abs(y + 0.5 - expected) <= Math.max(1, up)),
        `${what} at ${scale} times, node ${i}: the line in rows ${drawn[0]} to ${drawn.at(-1)}, not through ${expected}`);
    }
  }
  return times;
}

// Save node's file (`saved`, as savedBy gives it) for `node` once `frame` is
// shown: every frame kept, up to it, with the history tool's frame and time
// and the model's displacement.
export function assertNodeSaved(saved, node, frame) {
  const first = Math.max(0, frame - (KEPT_FRAMES - 1));
  assert.equal(saved.name, `vibrating-string-node-${node}-frames-${first}-${frame}.csv`);
  const lines = saved.text.trimEnd().split('\n');
  assert.equal(lines[0], 'frame,time,displacement');
  assert.equal(lines.length, frame - first + 2);
  const [tool, model] = [historyLines(frame), modelDisplacements(first, frame)];
  lines.slice(1).forEach((line, k) => {
    const [savedFrame, time, displacement] = line.split(',');
    assert.deepEqual([savedFrame, time], tool[first + k + 1].split(',').slice(0, 2));
    assert.ok(Math.abs(Number(displacement) - model.get(first + k)[node]) <= 1e-8,
      `node ${node} at frame ${first + k}: ${displacement}`);
  });
}

export const descriptionShown = (target) => target.$eval('#description', (description) => description.textContent);


// The node whose displacement is largest in size in `frame` of the model.
export function largestNode(frame) {
  const u = modelDisplacements(frame, frame).get(frame).map(Math.abs);
  return u.indexOf(Math.max(...u));
}


export const assertClose = (actual, expected, what) => assert.ok(Math.abs(actual - expected) <= 1e-8 * Math.abs(expected),
  `${what}: ${actual}, not ${expected} within 1e-8`);


// The saved CSV is vibrating-string-history --frames K's: the same header,
// frame and time fields, and values within 1e-8.
export function assertHistoryOf(csv, last) {
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
export const catalogs = readCatalogs(MESSAGES);

export const english = catalogs[REFERENCE];

// 'running' or 'stopped', as the page says in English, or the words shown.
export const stateShown = async (target) => {
  const text = await target.$eval('#state', (state) => state.textContent);
  return { [english['string.running']]: 'running', [english['string.stopped']]: 'stopped' }[text] ?? text;
};

export const visible = (target, selector) => target.$eval(selector,
  (element) => element.checkVisibility({ visibilityProperty: true }));

// Start, Stop, Next frame, Width, Speed: which are disabled. Next frame
// only while the string is stopped.
export const NOTHING_TO_CLICK = [true, true, true, true, true];

export const STOPPED_CONTROLS = [false, false, false, false, false];

export const RUNNING_CONTROLS = [false, false, true, false, false];

export const controlsDisabled = (target) => target.evaluate(() => ['start', 'stop', 'next-frame', 'width', 'speed']
  .map((id) => document.getElementById(id).disabled));


// The browser's own note of a failed request is no error of the page's.
const pageErrors = (target) => target.errors.filter((error) => !error.startsWith('Failed to load resource'));


// The failure in words in place of the canvas, and nothing to click.
export async function assertFailureShown(target, words) {
  await target.waitForFunction(() => !document.getElementById('failure').hidden, { timeout: 20000 });
  assert.match(await target.$eval('#failure', (failure) => failure.textContent), words);
  assert.equal(await visible(target, '#canvas'), false);
  assert.equal(await visible(target, '#status'), false);
  assert.deepEqual(await controlsDisabled(target), NOTHING_TO_CLICK);
  assert.deepEqual(pageErrors(target), []);
}


// Counts the page's timer and animation-frame callbacks from now on.
export function countWakeups(target) {
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
export async function wakeupsOver(target, wait) {
  const count = () => target.evaluate(() => ({ ...window.wakeups, draws: window.draws }));
  const before = await count();
  await wait(before);
  const after = await count();
  return Object.fromEntries(Object.keys(after).map((key) => [key, after[key] - before[key]]));
}


// When the program cannot run, the page says so in words and offers nothing
// to click: here served by a server with `fault` (in `language`).
export async function withFailingServer(fault, use, language) {
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


// Away from a server: from disk, offline after one visit, updated, installed.
// Each test works in a folder of its own, removed afterwards.
export async function inFolder(use) {
  const folder = mkdtempSync(join(tmpdir(), 'vibrating-string-pages-'));
  try {
    await use(folder);
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}


// A copy of the site, to stop serving or to change.
export async function serveCopy(folder) {
  const copy = join(folder, 'site');
  cpSync(site, copy, { recursive: true });
  return { copy, copyServer: await serve(copy) };
}

export const stopServing = (copyServer) => {
  if (copyServer.listening) copyServer.close();
  copyServer.closeAllConnections();
};


// The program runs: the first picture is frame 0, Start animates, Stop stops.
export async function assertRuns(target) {
  const shown = await settle(target, { read: false });
  assert.ok(shown.draws <= 2, `${shown.draws} draws before any input`);
  assert.ok((await firstPictureFit(target)).matches, 'the first picture is not frame 0');
  await target.click('#start');
  await waitForDraws(target, shown.draws + 10);
  await target.click('#stop');
  assertShowsFrameBeforeLastAdvance(await settle(target));
}


// The pictures drawn over `refreshes` display refreshes, counted by a
// callback of the test's own at each.
export const drawsOverRefreshes = (target, refreshes) => target.evaluate((count) => new Promise((resolve) => {
  let seen = 0;
  const first = window.draws;
  const next = () => {
    seen += 1;
    if (seen < count) requestAnimationFrame(next);
    else resolve(window.draws - first);
  };
  requestAnimationFrame(next);
}), refreshes);
