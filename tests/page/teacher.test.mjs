// SPDX-License-Identifier: GPL-3.0-or-later
// A teacher's controls: Next frame, slow motion, one node traced, the ends
// named, and a link that opens the page as set.
import assert from 'node:assert/strict';
import { copyFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

import { KEPT_FRAMES } from '../../web/page/facts.js';
import {
  address, closePage, keepSaves, modelDisplacements, openPage, pageTest, savedBy, setWidth, settle, sleep,
  waitForDraws,
} from './harness.mjs';
import {
  site, chromiumOnly, server, browser, PHONE, onServedPage, assertShowsFrameBeforeLastAdvance, firstPictureFit,
  assertModeShapeOverString, assertNodeSaved,
  assertRowsAreFrames, runUntil, numbersShown, descriptionShown, assertClose, english, visible, STOPPED_CONTROLS,
  RUNNING_CONTROLS, controlsDisabled, countWakeups, wakeupsOver, inFolder, drawsOverRefreshes,
} from './page_checks.mjs';

// A teacher's controls: the next frame on demand, slow motion, one node
// traced, the ends named, and a link that opens the page as set.


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


// The settings a page shows: language, canvas width, speed, node traced, explanation shown.
const settingsShown = (target) => target.evaluate(() => ({
  lang: document.documentElement.lang, width: document.getElementById('canvas').width,
  speed: document.getElementById('speed').value, node: document.getElementById('node').value,
  mode: document.getElementById('mode').value,
  explain: document.getElementById('explain-toggle').checked && !document.getElementById('explain-body').hidden,
}));


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
  const model = modelDisplacements(frame - (KEPT_FRAMES - 1), frame);
  assertClose(shown, model.get(frame)[77], 'node 77 now');
  assert.match(await descriptionShown(page), / Node 77, traced \(x = [\d.-]+\), is at /);
  assertNodeSaved(await savedBy(page, '#save-node'), 77, frame);
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


pageTest('a teacher\'s link opens the page as set, Copy link makes one, and one with bad values opens the default', async () => {
  const open = async (search) => {
    const target = await openPage(browser, `${address(server)}${search}`);
    await target.waitForFunction(() => !document.getElementById('start').disabled);
    return target;
  };
  const set = await open('?lang=de&width=500&speed=8&node=60&modes=7&explain=off');
  try {
    assert.deepEqual(await settingsShown(set),
      { lang: 'de', width: 500, speed: '8', node: '60', mode: '7', explain: false });
    // The chosen mode is hidden with the explanation, its shape too.
    assert.equal(await visible(set, '#mode-shape'), false);
    // Its first picture, at the width asked for, is frame 0.
    const first = await firstPictureFit(set);
    assert.deepEqual(first.size, [500, 300]);
    assert.ok(first.matches, 'the first picture is not frame 0');
    await set.click('#copy-link');
    const link = await set.$eval('#teacher-link', (field) => field.value);
    assert.deepEqual(Object.fromEntries(new URL(link).searchParams),
      { lang: 'de', width: '500', speed: '8', node: '60', modes: '7', explain: 'off' });
    assert.notEqual(await set.$eval('#link-note', (note) => note.textContent), '');
    assert.deepEqual(set.errors, []);
  } finally {
    await closePage(set);
  }
  const bad = await open('?lang=zz&width=333&speed=3&node=100&modes=1e1&explain=maybe');
  try {
    assert.deepEqual(await settingsShown(bad), { lang: 'en', width: 1000, speed: '1', node: '', mode: '', explain: true });
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


pageTest('the single file from disk takes a teacher\'s link, steps a frame, draws a mode and saves a node, with no request', () => inFolder(async (folder) => {
  const file = join(folder, 'vibrating-string.html');
  copyFileSync(join(site, 'vibrating-string.html'), file);
  const url = `${pathToFileURL(file).href}?speed=2&node=40&width=600`;
  const target = await openPage(browser, url);
  try {
    await target.waitForFunction(() => !document.getElementById('start').disabled);
    assert.deepEqual(await settingsShown(target),
      { lang: 'en', width: 600, speed: '2', node: '40', mode: '', explain: true });
    const before = (await settle(target, { read: false })).draws;
    await target.click('#next-frame');
    const shown = await settle(target);
    assert.equal(shown.draws, before + 1);
    assertShowsFrameBeforeLastAdvance(shown, { bestFit: false });
    // A mode chosen: its shape, over the string, from the modes found in the file.
    await target.type('#mode', '5');
    await target.keyboard.press('Tab');
    await assertModeShapeOverString(target, 5, shown.draws - 1);
    await keepSaves(target);
    const saved = await savedBy(target, '#save-node');
    assert.equal(saved.name, `vibrating-string-node-40-frames-0-${shown.draws - 1}.csv`);
    assert.deepEqual(target.requests.filter((request) => request !== url), []);
    assert.deepEqual(target.errors, []);
  } finally {
    await closePage(target);
  }
}));
