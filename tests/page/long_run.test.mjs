// SPDX-License-Identifier: GPL-3.0-or-later
// A run of any length, through the test build's entries: eight hours of
// frames, and the browser giving no more memory.
import assert from 'node:assert/strict';

import { checkFrames, draws, historyLines, keepSaves, pageTest, settle, waitForDraws } from './harness.mjs';
import { testBuild, onServedPage, numbersShown, visible } from './page_checks.mjs';

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
  // The modes are found once, the first time the page shows them (here in
  // Describe's words), and their heap is taken then, not with the run.
  await page.click('#describe');
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
