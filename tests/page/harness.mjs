// SPDX-License-Identifier: GPL-3.0-or-later
// What the page tests add to the browser driving (tools/browser.mjs): the
// canvas matched against the model's frames by the native tests' own matcher
// (picture_check, compiled for Node: PICTURE_CHECK), the model's
// displacements from it and the colours they should have, the native
// vibrating-string-history's lines (HISTORY_TOOL), the mouse and the width
// control as a user works them, and the faults a bad network makes.
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { appendFileSync, existsSync, mkdtempSync, openSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { test } from 'node:test';

import { bytesOf, connect, engine, launch, openPage as openBrowserPage, sleep } from '../../tools/browser.mjs';
import { NODES } from '../../web/page/facts.js';
import { RANGE, SCALE } from '../../web/page/palette.js';
import { startXvfb } from '../../tools/xvfb.mjs';

export * from '../../tools/browser.mjs';

// The tests' window unless a test says otherwise: short enough for the page
// to be one column, where the program's canvas shows at its own size, a CSS
// pixel to each of its pixels, as the checks of its pictures read it back.
export const TEST_WINDOW = { width: 1200, height: 560 };
export const openPage = (browserOrContext, url, viewport = {}) => openBrowserPage(browserOrContext, url,
  { ...TEST_WINDOW, ...viewport });

// The page tests, each declared by `pageTest(name, [options,] body)`:
// registered with node:test, or, where LIST_PAGE_TESTS names a file, listed
// there instead, for CTest to register each on its own (CMakeLists.txt): a
// line per test, the browsers it runs in, the build it needs, its file, and
// its name, tab-separated. Options: `chromiumOnly`, where the driver has no
// such control of Firefox; `testBuild`, for a test that drives the program
// through the test build's own entries or speaks its pseudo-language, which
// the release's site has not.
export function pageTest(name, ...optionsAndBody) {
  const body = optionsAndBody.pop();
  const { chromiumOnly = false, testBuild = false } = optionsAndBody[0] ?? {};
  if (process.env.LIST_PAGE_TESTS) {
    assert.doesNotMatch(name, /[;\t\n]/, `a CTest name cannot hold this test's name: ${name}`);
    appendFileSync(process.env.LIST_PAGE_TESTS, `${chromiumOnly ? 'chromium' : 'chromium firefox'}\t` +
      `${testBuild ? 'test' : 'release'}\t${basename(process.argv[1])}\t${name}\n`);
    return;
  }
  test(name, { skip: chromiumOnly && engine !== 'chromium' && 'Chromium only: the driver has no such control of Firefox' },
    body);
}

// The browser a test runs in, as { browser, release() }. Under CTest's page
// preset every worker slot (CTEST_RESOURCE_GROUP_0_CHROMIUM or _FIREFOX,
// from resources.json) keeps one running (browser_slot.mjs): the first test
// in the slot starts it, and the tests after connect to it. A test run by
// itself launches one of its own, and for Firefox with no display an X
// server too.
export async function testBrowser() {
  const slot = process.env[`CTEST_RESOURCE_GROUP_0_${engine.toUpperCase()}`]?.match(/^id:([^,]+)/)?.[1];
  if (!slot) {
    const xvfb = engine === 'firefox' && !process.env.DISPLAY ? await startXvfb() : null;
    if (xvfb) process.env.DISPLAY = xvfb.display;
    const browser = await launch();
    return { browser, release: async () => { await browser.close(); xvfb?.stop(); } };
  }
  const file = join(process.env.PAGE_BROWSERS_DIR, `${engine}-${slot}.json`);
  let state = existsSync(file) ? JSON.parse(readFileSync(file, 'utf8')) : await startSlot(file);
  let browser = await connect(state.endpoint).catch(() => null);
  if (!browser) {
    // The last test's browser is gone: the next one takes the slot.
    try {
      process.kill(state.pid, 'SIGTERM');
    } catch {
      // Gone with it.
    }
    rmSync(file, { force: true });
    state = await startSlot(file);
    browser = await connect(state.endpoint);
  }
  // Where a test launches a Firefox of its own, it shows on the slot's display.
  if (!process.env.DISPLAY && state.display) process.env.DISPLAY = state.display;
  return { browser, release: () => browser.disconnect() };
}

// Starts the slot's browser, detached, to outlive this test, and resolves to
// the state it writes in `file` once it takes connections; its messages go
// to `file`.log.
async function startSlot(file) {
  const log = openSync(`${file}.log`, 'w');
  const keeper = spawn(process.execPath, [fileURLToPath(new URL('browser_slot.mjs', import.meta.url)), file],
    { detached: true, stdio: ['ignore', log, log] });
  let exited = null;
  keeper.on('exit', (code) => { exited = code; });
  keeper.unref();
  const deadline = Date.now() + 60000;
  while (!existsSync(file)) {
    if (exited !== null || Date.now() > deadline) {
      throw new Error(`the slot's ${engine} did not start: ${readFileSync(`${file}.log`, 'utf8')}`);
    }
    await sleep(50);
  }
  return JSON.parse(readFileSync(file, 'utf8'));
}

// The first picture the program drew, as canvasPixels gives the canvas,
// once it has drawn it.
export async function firstPicture(page) {
  await waitInPage(page, 'the first picture', () => window.firstPicture !== undefined);
  const [width, height, dataURL] = await page.evaluate(() => {
    const { width, height, data } = window.firstPicture;
    const rows = new Uint8Array(data.length);
    for (let y = 0; y < height; y += 1) {
      rows.set(data.subarray((height - 1 - y) * width * 4, (height - y) * width * 4), y * width * 4);
    }
    return Promise.all([width, height, window.bytesAsDataURL(rows)]);
  });
  return [width, height, bytesOf(dataURL)];
}

// picture_check's verdict on `pixels` for model frames first..last:
// a Map from frame to { matches, meanDistance, firstInView, lastInView }.
export function checkFrames([width, height, rgba], first, last) {
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; i += 1) {
    rgba.slice(4 * i, 4 * i + 3).forEach((value, channel) => { rgb[3 * i + channel] = value; });
  }
  const folder = mkdtempSync(join(tmpdir(), 'vibrating-string-picture-'));
  try {
    const file = join(folder, 'canvas.ppm');
    writeFileSync(file, Buffer.concat([Buffer.from(`P6\n${width} ${height}\n255\n`), rgb]));
    const output = execFileSync(process.execPath, [process.env.PICTURE_CHECK, file, String(first), String(last)],
      { encoding: 'utf8' });
    return new Map(output.trim().split('\n').map((line) => {
      const [frame, matches, meanDistance, firstInView, lastInView] = line.split(' ').map(Number);
      return [frame, { matches: matches === 1, meanDistance, firstInView, lastInView }];
    }));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// The model's displacements (u_curr) after each frame from `first` to
// `last`, from the matcher's own copy of the model: a Map from frame to array.
export function modelDisplacements(first, last) {
  const output = execFileSync(process.execPath, [process.env.PICTURE_CHECK, '--displacements', String(first),
    String(last)], { encoding: 'utf8' });
  return new Map(output.trim().split('\n').map((line) => {
    const [frame, ...displacements] = line.split(' ').map(Number);
    return [frame, displacements];
  }));
}

// The colour the space-time picture's legend promises for a displacement u:
// drawn 1.5 u high, as the string is, on the page's scale (palette.js),
// from its first colour RANGE world units down to its last RANGE up,
// linear between its stops, and the end colours beyond.
export function legendColour(u) {
  const height = Math.min(Math.max((1.5 * u) / RANGE, -1), 1);
  const upper = SCALE.findIndex(([stop], i) => i > 0 && height <= stop);
  const [[from, low], [to, high]] = [SCALE[upper - 1], SCALE[upper]];
  return low.map((channel, c) => channel + ((high[c] - channel) * (height - from)) / (to - from));
}

// The lines vibrating-string-history writes for frames 0..last, its header first.
export function historyLines(last) {
  assert.ok(existsSync(process.env.HISTORY_TOOL ?? ''),
    `HISTORY_TOOL (${process.env.HISTORY_TOOL}) must be the native vibrating-string-history, built`);
  return execFileSync(process.env.HISTORY_TOOL, ['--frames', String(last)], { encoding: 'utf8' }).trim().split('\n');
}

// The modes as vibrating-string-history writes them, with the amplitudes
// and swings of `frame`: each a list by mode.
export function toolModes(frame) {
  const rows = (args) => execFileSync(process.env.HISTORY_TOOL, args, { encoding: 'utf8' }).trim().split('\n').slice(1)
    .map((line) => line.split(',').map(Number));
  const modes = rows(['--modes']);
  const amplitudes = rows(['--amplitudes', `${frame}:${frame}`]);
  return {
    frequencies: modes.map((row) => row[1]), growths: modes.map((row) => row[2]),
    amplitudes: amplitudes.map((row) => row[2]), swings: amplitudes.map((row) => row[3]),
  };
}

// The shape of a mode of the string held at node 0 (any but mode 0), from
// its frequency alone: sin(i phi), phi the wave number per element that the
// finite elements' dispersion gives its eigenvalue, scaled so that its
// largest value has size 1 and its first past half of that is positive.
export function modeShape(frequency) {
  const stepCoefficientLambda = Math.tan(frequency / 201) ** 2;
  const lambdaH2 = (stepCoefficientLambda / 1e-11) * 1e-4;
  const phi = Math.acos((6 - 2 * lambdaH2) / (6 + lambdaH2));
  const shape = Array.from({ length: NODES }, (_, i) => Math.sin(i * phi));
  const peak = Math.max(...shape.map(Math.abs));
  const sign = Math.sign(shape.find((value) => Math.abs(value) > peak / 2));
  return shape.map((value) => (sign * value) / peak);
}

// The space-time picture as shown, from its canvas of a pixel per node and
// frame: [width, height, RGBA bytes], `width` the string canvas's, node i's
// column 9 pixels wide and centred under its vertex (9 i - 400 pixels from
// the middle), and clear beside the columns. (A screenshot of it can be a
// pixel off in Firefox, where it lies at a fraction of a pixel.)
export async function spacetimePixels(page) {
  const [nodes, height, dataURL, width] = await page.$eval('#spacetime', async (canvas) => {
    const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    return [canvas.width, canvas.height, await window.bytesAsDataURL(data), document.getElementById('canvas').width];
  });
  assert.equal(nodes, NODES, 'the space-time picture is not a pixel per node');
  const [rows, shown] = [bytesOf(dataURL), Buffer.alloc(4 * width * height)];
  for (let x = 0; x < width; x += 1) {
    const node = Math.floor((x - (width / 2 - 400 - 4)) / 9);
    if (node < 0 || node >= nodes) continue;
    for (let y = 0; y < height; y += 1) rows.copy(shown, 4 * (y * width + x), 4 * (y * nodes + node), 4 * (y * nodes + node + 1));
  }
  return [width, height, shown];
}

// Waits until `predicate(arg)`, run in the page, holds; a page that never
// gets there fails naming `what` it was waiting for.
export function waitInPage(page, what, predicate, arg) {
  return page.waitForFunction(predicate, { timeout: 60000 }, arg).catch((error) => {
    throw new Error(`waiting for ${what}: ${error.message}`);
  });
}

// From now on, what the page hands the browser to download is kept in
// window.saves as { name, blob } instead of being saved to disk.
export const keepSaves = (page) => page.evaluate(() => {
  window.saves = [];
  const blobs = new Map();
  const createURL = URL.createObjectURL;
  URL.createObjectURL = (blob) => {
    const url = createURL.call(URL, blob);
    blobs.set(url, blob);
    return url;
  };
  HTMLAnchorElement.prototype.click = function keptSave() {
    window.saves.push({ name: this.download, blob: blobs.get(this.href) });
  };
});

// The download the click on `selector` makes (or `press`, another way of
// pressing it), kept by keepSaves: its name, type, and contents as text
// (`text`) or base64.
export async function savedBy(page, selector, press = () => page.click(selector)) {
  const count = await page.evaluate(() => window.saves.length);
  await press();
  await page.waitForFunction((before) => window.saves.length > before, {}, count);
  const { name, type, dataURL } = await page.evaluate(async () => {
    const { name, blob } = window.saves.at(-1);
    return { name, type: blob.type, dataURL: await window.bytesAsDataURL(blob) };
  });
  const bytes = bytesOf(dataURL);
  return { name, type, text: bytes.toString('utf8'), base64: bytes.toString('base64') };
}

// Presses and releases a mouse button over the canvas's centre.
export async function clickCanvas(page, button) {
  const box = await (await page.$('#canvas')).boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down({ button });
  await page.mouse.up({ button });
}

// Sets the width slider as a user's drag ends: its value, then 'input'.
export function setWidth(page, width) {
  return page.$eval('#width', (slider, value) => {
    slider.value = String(value);
    slider.dispatchEvent(new Event('input', { bubbles: true }));
  }, width);
}

// The ways a network fails to deliver a file, for `serve`'s intercept:
// drop the connection before any reply, cut it off in the middle of the
// body, answer 404, or send bytes that are not the file; each after
// `delayMs`.
export function failing(name, fault, delayMs = 0) {
  return (request, response) => {
    if (!request.url.endsWith(name)) return false;
    setTimeout(() => {
      if (fault === 'drop') {
        request.socket.destroy();
      } else if (fault === 'cut') {
        response.writeHead(200, { 'Content-Type': 'application/wasm', 'Content-Length': '100000' });
        response.write(Buffer.alloc(5000));
        setTimeout(() => request.socket.destroy(), 100);
      } else if (fault === 'garbage') {
        response.writeHead(200, { 'Content-Type': 'application/wasm' }).end(Buffer.from('not a WebAssembly module'));
      } else {
        response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
      }
    }, delayMs);
    return true;
  };
}
