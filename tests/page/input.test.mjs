// SPDX-License-Identifier: GPL-3.0-or-later
// The string's picture and its input: the first picture, the mouse and
// the keyboard, Start and Stop, a finger, the width, a lost WebGL context,
// the pace of its frames, and a phone.
import assert from 'node:assert/strict';

import { checkFrames, clickCanvas, draws, pageTest, setWidth, settle, sleep, waitForDraws } from './harness.mjs';
import {
  chromiumOnly, TOUCH_SCREEN, PHONE, onServedPage, assertShowsFrameBeforeLastAdvance, assertStaysStill, firstPictureFit,
  assertRowsAreFrames, assertPicturesAligned, english, stateShown, NOTHING_TO_CLICK, STOPPED_CONTROLS, RUNNING_CONTROLS,
  controlsDisabled, countWakeups, wakeupsOver, drawsOverRefreshes, axeViolations,
} from './page_checks.mjs';


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
  assert.deepEqual(await axeViolations(page), []);
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
  await settle(phone);
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
    // Not a count of draws, which the first width's draw may already meet:
    // the space-time picture placed for this width, which the redraw does.
    await phone.waitForFunction((placed) => document.getElementById('spacetime-size').width === placed, {}, width);
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
