// SPDX-License-Identifier: GPL-3.0-or-later
// What the string does, beside it: the space-time picture, the numbers
// and the words of the frame shown, Save data and Save picture, and the
// explanation hidden and out of view.
import assert from 'node:assert/strict';

import {
  draws, historyLines, keepSaves, modelDisplacements, pageTest, savedBy, setWidth, settle, waitForDraws,
} from './harness.mjs';
import {
  onServedPage, assertShowsFrameBeforeLastAdvance, assertStaysStill, assertRowsAreFrames, assertPicturesAligned,
  savedPicture, runUntil, numbersShown, descriptionShown, largestNode, assertClose, assertHistoryOf, visible,
} from './page_checks.mjs';

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


// Describe's highest and lowest points at `frame` are the model's, and the
// way it says each moves is the way the model's next frame moves it, where
// the frame before moved it the same way (where the two differ, the point
// turns within a frame, and a step decides). Returns how many ways it checked.
function assertWaysOf(words, frame) {
  const model = modelDisplacements(frame - 1, frame + 1);
  const [before, now, after] = [frame - 1, frame, frame + 1].map((f) => model.get(f));
  const [high, low] = [Math.max(...now), Math.min(...now)].map((value) => now.indexOf(value));
  const said = words.match(/highest point, node (\d+) .*?, is moving (up|down); its lowest, node (\d+) .*?, is moving (up|down)\./);
  assert.ok(said, `Describe names no highest and lowest point moving: ${words}`);
  assert.deepEqual([Number(said[1]), Number(said[3])], [high, low], `the highest and lowest points at frame ${frame}`);
  const ways = [[high, said[2]], [low, said[4]]]
    .filter(([node]) => Math.sign(now[node] - before[node]) === Math.sign(after[node] - now[node]));
  for (const [node, way] of ways) assert.equal(way, after[node] > now[node] ? 'up' : 'down', `node ${node} at frame ${frame}`);
  return ways.length;
}

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
  let waysChecked = assertWaysOf(words, frame);

  const saved = await savedBy(page, '#save-data');
  assert.equal(saved.name, `vibrating-string-frames-0-${frame}.csv`);
  assert.equal(saved.type, 'text/csv');
  assertHistoryOf(saved.text, frame);

  // Stopped, the words follow the picture when a redraw moves it on a frame.
  await setWidth(page, 900);
  const moved = (await settle(page, { read: false })).draws - 1;
  const movedWords = await descriptionShown(page);
  assert.match(movedWords, new RegExp(`^Frame ${moved},.* at node ${largestNode(moved)} `));
  assert.equal((await numbersShown(page)).frame, moved);
  // Two frames on, by Next frame.
  await page.click('#next-frame');
  await page.click('#next-frame');
  await page.waitForFunction((frame) => document.getElementById('description').textContent.startsWith(`Frame ${frame},`),
    {}, moved + 2);
  waysChecked += assertWaysOf(movedWords, moved) + assertWaysOf(await descriptionShown(page), moved + 2);
  assert.ok(waysChecked >= 3, `only ${waysChecked} ways checked`);
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
