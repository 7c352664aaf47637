// SPDX-License-Identifier: GPL-3.0-or-later
// What the page tests share: the static server, Debian's Chromium driven by
// Playwright, a count of the program's draws, and the canvas read back and
// matched against the model's frames by the native tests' own matcher
// (picture_check).
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { chromium } from 'playwright-core';

import { address, serve } from '../serve.mjs';

export { address, serve };

// As root, with no network beyond the machine: no sandbox, nothing fetched
// in the background. WebGL runs on SwiftShader, the CPU renderer.
const CHROMIUM_FLAGS = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--use-angle=swiftshader', '--enable-unsafe-swiftshader'];

export function launch(extraFlags = []) {
  return chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: [...CHROMIUM_FLAGS, ...extraFlags],
  });
}

// A page whose every glFlush (one per drawn picture) is counted in
// window.draws, and whose console errors and uncaught exceptions are kept.
export async function openPage(browser, url, options = {}) {
  const context = await browser.newContext({ viewport: { width: 1200, height: 800 }, deviceScaleFactor: 1, ...options });
  const page = await context.newPage();
  page.errors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') page.errors.push(message.text());
  });
  page.on('pageerror', (error) => page.errors.push(String(error)));
  await page.addInitScript(() => {
    window.draws = 0;
    const flush = WebGLRenderingContext.prototype.flush;
    WebGLRenderingContext.prototype.flush = function countedFlush() {
      window.draws += 1;
      return flush.call(this);
    };
  });
  await page.goto(url);
  return page;
}

export const draws = (page) => page.evaluate(() => window.draws);

// For the scripts beside the tests: serves `site`, opens the page in a new
// browser, waits for the first picture, runs `use(page)`, and closes all.
export async function withPage(site, options, use) {
  const server = await serve(site);
  const browser = await launch();
  try {
    const page = await openPage(browser, address(server), options);
    await page.waitForFunction(() => window.draws > 0);
    return await use(page);
  } finally {
    await browser.close();
    server.close();
  }
}

// The canvas as drawn, in canvas pixels: [width, height, RGBA bytes].
export async function canvasPixels(page) {
  const png = await page.locator('#canvas').screenshot();
  return page.evaluate(async (base64) => {
    const image = new Image();
    image.src = `data:image/png;base64,${base64}`;
    await image.decode();
    const scratch = document.createElement('canvas');
    scratch.width = image.width;
    scratch.height = image.height;
    const context = scratch.getContext('2d');
    context.drawImage(image, 0, 0);
    return [image.width, image.height, Array.from(context.getImageData(0, 0, image.width, image.height).data)];
  }, png.toString('base64'));
}

// Waits until the program has stopped drawing: the count and the canvas both
// steady for half a second. Resolves to { draws, pixels }.
export async function settle(page, limitMs = 10000) {
  const deadline = Date.now() + limitMs;
  for (;;) {
    const before = { draws: await draws(page), pixels: await canvasPixels(page) };
    await page.waitForTimeout(500);
    const after = { draws: await draws(page), pixels: await canvasPixels(page) };
    if (before.draws === after.draws && before.pixels[2].join() === after.pixels[2].join()) return after;
    if (Date.now() > deadline) throw new Error('the program kept drawing');
  }
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
    const output = execFileSync(process.env.PICTURE_CHECK, [file, String(first), String(last)], { encoding: 'utf8' });
    return new Map(output.trim().split('\n').map((line) => {
      const [frame, matches, meanDistance, firstInView, lastInView] = line.split(' ').map(Number);
      return [frame, { matches: matches === 1, meanDistance, firstInView, lastInView }];
    }));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// Presses and releases a mouse button over the canvas's centre.
export async function clickCanvas(page, button) {
  const box = await page.locator('#canvas').boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down({ button });
  await page.mouse.up({ button });
}
