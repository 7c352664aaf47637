// SPDX-License-Identifier: GPL-3.0-or-later
// The page in Debian's headless Chromium: the program's picture read back and
// matched against the model, its mouse controls, the page's own controls,
// and what it says when it cannot run.
//   SITE_DIR=build-web/site PICTURE_CHECK=build-test/tests/picture_check node --test web/tests/
import assert from 'node:assert/strict';
import { after, afterEach, before, describe, test } from 'node:test';
import {
  address, canvasPixels, checkFrames, clickCanvas, draws, launch, openPage, serve, settle,
} from './harness.mjs';

const site = process.env.SITE_DIR;
let server;
let browser;
let page;

before(async () => {
  assert.ok(site && process.env.PICTURE_CHECK, 'SITE_DIR and PICTURE_CHECK must be set');
  server = await serve(site);
  browser = await launch();
});
after(async () => {
  await browser?.close();
  server?.close();
});

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

async function waitForDraws(target, count, limitMs = 10000) {
  const deadline = Date.now() + limitMs;
  while ((await draws(target)) < count) {
    assert.ok(Date.now() < deadline, `fewer than ${count} draws`);
    await target.waitForTimeout(50);
  }
}

// Nothing is drawn for a second after `action`.
async function assertStaysStill(target, action) {
  const before = await draws(target);
  const pixels = (await canvasPixels(target))[2].join();
  await action();
  await target.waitForTimeout(1000);
  assert.equal(await draws(target), before);
  assert.equal((await canvasPixels(target))[2].join(), pixels);
}

describe(`the page served from ${site}`, { timeout: 240000 }, () => {
  before(async () => {
    page = await openPage(browser, address(server));
  });
  afterEach(() => {
    assert.deepEqual(page.errors, [], 'the console shows errors');
  });

  test('is titled, takes no focus, and first shows frame 0 at 100 px per unit, still until clicked', async () => {
    assert.equal(await page.title(), 'vibrating-string');
    assert.equal(await page.evaluate(() => document.activeElement === document.body), true);
    const shown = await settle(page);
    assert.deepEqual(shown.pixels.slice(0, 2), [300, 300]);
    assert.ok(shown.draws <= 2, `${shown.draws} draws before any input`);
    const frame = assertShowsFrameBeforeLastAdvance(shown, { bestFit: false });
    // GLUT's default window: x from -1.5 to 1.5, nodes 28 to 61.
    assert.deepEqual([frame.firstInView, frame.lastInView], [28, 61]);
    const frames = checkFrames(shown.pixels, 0, 100);
    assert.ok(frames.get(0).matches, 'the first picture is not frame 0');
    assert.ok(!frames.get(100).matches, 'the matcher tells a later frame apart');
  });

  test('ignores the middle button, the wheel, the keyboard and releases that began off the canvas', async () => {
    await assertStaysStill(page, async () => {
      await clickCanvas(page, 'middle');
      await page.mouse.wheel(0, 300);
      for (const key of ['Space', 'Enter', 'a', 'ArrowLeft', 'Escape']) await page.keyboard.press(key);
      // A left press off the canvas and its release over it: no window's click.
      await page.mouse.move(5, 5);
      await page.mouse.down();
      const box = await page.locator('#canvas').boundingBox();
      await page.mouse.move(box.x + 150, box.y + 150);
      await page.mouse.up();
    });
  });

  test('animates on a left click, one frame per draw, and stops on a right press', async () => {
    await page.evaluate(() => {
      window.addEventListener('contextmenu', (event) => { window.menuSuppressed = event.defaultPrevented; });
    });
    const start = await draws(page);
    await clickCanvas(page, 'left');
    await waitForDraws(page, start + 30);
    await page.mouse.down({ button: 'right' });
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
    const held = await settle(page);
    await page.mouse.up();
    await waitForDraws(page, held.draws + 10);
    await clickCanvas(page, 'right');
    assertShowsFrameBeforeLastAdvance(await settle(page));
  });

  test('Start and Stop, by pointer and by keyboard, do what the two buttons do', async () => {
    const start = await draws(page);
    await page.click('#start');
    await waitForDraws(page, start + 10);
    await page.click('#stop');
    const stopped = await settle(page);
    assertShowsFrameBeforeLastAdvance(stopped);

    await page.focus('#start');
    await page.keyboard.press('Enter');
    await waitForDraws(page, stopped.draws + 10);
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'stop');
    await page.keyboard.press('Space');
    assertShowsFrameBeforeLastAdvance(await settle(page));
  });

  test('a wider canvas shows the whole string at the same scale, never stretched', async () => {
    await page.locator('#width').fill('1000');
    const wide = await settle(page);
    assert.deepEqual(wide.pixels.slice(0, 2), [1000, 300]);
    const box = await page.locator('#canvas').boundingBox();
    assert.deepEqual([box.width, box.height], [1000, 300]);
    const frame = assertShowsFrameBeforeLastAdvance(wide);
    assert.deepEqual([frame.firstInView, frame.lastInView], [0, 99]);
  });
});

test('a tap on a touch screen starts the string, and Stop stops it', { timeout: 60000 }, async () => {
  const touchPage = await openPage(browser, address(server), { hasTouch: true, isMobile: true });
  try {
    const shown = await settle(touchPage);
    await touchPage.tap('#canvas');
    await waitForDraws(touchPage, shown.draws + 10);
    await touchPage.tap('#stop');
    assertShowsFrameBeforeLastAdvance(await settle(touchPage));
    assert.deepEqual(touchPage.errors, []);
  } finally {
    await touchPage.context().close();
  }
});

describe('when the program cannot run, the page says so in words', { timeout: 60000 }, () => {
  async function assertFailureShown(target, words) {
    const failure = target.locator('#failure');
    await failure.waitFor({ state: 'visible', timeout: 10000 });
    assert.match(await failure.textContent(), words);
    assert.equal(await target.locator('#canvas').isVisible(), false);
  }

  test('without WebGL', async () => {
    const noWebGL = await launch(['--disable-webgl', '--disable-3d-apis']);
    try {
      const target = await openPage(noWebGL, address(server));
      await assertFailureShown(target, /WebGL/);
      assert.deepEqual(target.errors, []);
    } finally {
      await noWebGL.close();
    }
  });

  test('when the WebAssembly cannot be loaded', async () => {
    const context = await browser.newContext();
    try {
      const target = await context.newPage();
      await target.route('**/*.wasm', (route) => route.fulfill({ status: 404, body: '' }));
      await target.goto(address(server));
      await assertFailureShown(target, /could not be loaded/);
    } finally {
      await context.close();
    }
  });
});
