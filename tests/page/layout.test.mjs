// SPDX-License-Identifier: GPL-3.0-or-later
// A lesson on one screen: on a landscape screen, from a classroom
// projector's 1024×768 to 1920×1080, everything a lesson uses in view at
// once, the node traced and a mode chosen, while the string runs; on a
// phone, one column in the lesson's order; in English, in German, whose
// words are long, and in Arabic, mirrored but for the pictures. And the
// run kept whole as the window changes under it.
import assert from 'node:assert/strict';

import { LESSON_PARTS, lessonInView } from '../../tools/lesson.mjs';
import { draws, keepSaves, pageTest, savedBy, settle, waitForDraws } from './harness.mjs';
import {
  chromiumOnly, TOUCH_SCREEN, onServedPage, axeViolations, assertPicturesAligned, assertRowsAreFrames, assertNodeSaved,
} from './page_checks.mjs';

const PROJECTOR = { width: 1920, height: 1080 };
const LAPTOP = { width: 1366, height: 768 };
const SCREENS = [PROJECTOR, LAPTOP, { width: 1280, height: 800, deviceScaleFactor: 2 }, { width: 1024, height: 768 }];
const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, ...TOUCH_SCREEN };
// The lesson's order down a phone's column.
const LESSON_ORDER = ['#canvas', '#start', '#spacetime-stage', '#numbers', '#energy-trace', '#mode-bars', '#listen',
  '#describe'];

// Node 99 traced and mode 5 chosen, as a learner does, and the string set running.
async function startLesson(page) {
  await page.evaluate(() => {
    for (const [id, value] of [['node', '99'], ['mode', '5']]) {
      const field = document.getElementById(id);
      field.value = value;
      field.dispatchEvent(new Event('change'));
    }
    document.getElementById('start').click();
  });
  await waitForDraws(page, (await draws(page)) + 20);
}

// What the page shows of the lesson: what lies outside the window, on a
// projector's screen less than 90% of it used, and the page's own canvases
// whose pixels are not one to each of the screen's, or the string's canvas
// shown out of its proportions.
const layoutFaults = async (page) => {
  const view = await lessonInView(page);
  const canvases = await page.evaluate(() => ['#mode-bars', '#energy-trace', '#node-trace', '#mode-shape', '#canvas']
    .map((selector) => document.querySelector(selector)).map((canvas) => {
      const { borderLeftWidth, borderRightWidth, borderTopWidth, borderBottomWidth } = getComputedStyle(canvas);
      const box = canvas.getBoundingClientRect();
      const [shownWidth, shownHeight] = [box.width - parseFloat(borderLeftWidth) - parseFloat(borderRightWidth),
        box.height - parseFloat(borderTopWidth) - parseFloat(borderBottomWidth)];
      const crisp = Math.abs(canvas.width - shownWidth * devicePixelRatio) <= 1
        && Math.abs(canvas.height - shownHeight * devicePixelRatio) <= 1;
      const inProportion = Math.abs(shownHeight - (shownWidth * canvas.height) / canvas.width) <= 1;
      if (canvas.id === 'canvas') return inProportion ? null : '#canvas shown out of its proportions';
      return crisp ? null : `#${canvas.id} not drawn to its size as shown`;
    }).filter(Boolean));
  // Beside the explanation, the string's picture as large as its cell allows: as wide, or as tall with its line.
  const fillsItsPlace = await page.evaluate(() => {
    const [column, cell, stage, line] = ['#lesson-string', '.picture-cell', '#stage', '#state-line']
      .map((selector) => document.querySelector(selector));
    const [cellBox, stageBox] = [cell.getBoundingClientRect(), stage.getBoundingClientRect()];
    return getComputedStyle(column).display !== 'grid' || Math.abs(stageBox.width - cellBox.width) <= 2
      || Math.abs(stageBox.height + line.getBoundingClientRect().height - cellBox.height) <= 2;
  });
  const projected = view.window.width === PROJECTOR.width && view.window.height === PROJECTOR.height;
  return { view, faults: [
    ...Object.entries(view.shares).filter(([, share]) => share < 1).map(([part, share]) => `${part}: ${share} in view`),
    ...(projected && (view.used.width < 0.9 * PROJECTOR.width || view.used.height < 0.9 * PROJECTOR.height)
      ? [`the lesson uses ${view.used.width} by ${view.used.height} of the projector's screen`] : []),
    ...canvases,
    ...(fillsItsPlace ? [] : ["the string's picture does not fill its place"]),
  ] };
};

for (const language of ['en', 'de', 'ar']) {
  pageTest(`in ${language}, the whole lesson in view without scrolling from 1024 by 768 to 1920 by 1080, a phone's one column in the lesson's order, axe clean`, chromiumOnly, async () => {
    for (const screen of SCREENS) {
      await onServedPage(async (page) => {
        await startLesson(page);
        const { view, faults } = await layoutFaults(page);
        const at = `${screen.width}×${screen.height}`;
        assert.deepEqual(faults, [], `at ${at}`);
        assert.deepEqual(view.page, view.window, `the page at ${at} is not the window's size`);
        assert.deepEqual(Object.keys(view.shares), Object.keys(LESSON_PARTS));
        if (language === 'en') {
          const shown = await page.$eval('#canvas', (canvas) => (canvas.clientWidth / canvas.width) * 100);
          assert.equal(await page.$eval('#shown-scale', (note) => note.textContent),
            `Shown at ${Number(shown.toPrecision(3))} px a unit (drawn at 100)`);
        }
        if (language === 'en' && (screen === PROJECTOR || screen.width === 1024)) {
          await assertPicturesAligned(page);
          await page.click('#stop');
          await assertRowsAreFrames(page, (await settle(page, { read: false })).draws - 1);
        }
        if (language === 'ar') {
          // Mirrored, the explanation to the string's left; node 0 still on the left.
          const [string, explanation, held, free] = await Promise.all(['#lesson-string', '#explain', '#end-held',
            '#end-free'].map(async (selector) => (await page.$(selector)).boundingBox()));
          assert.ok(explanation.x + explanation.width <= string.x, 'the page is not mirrored');
          assert.ok(held.x < free.x, 'node 0 is not on the left');
        }
        assert.deepEqual(await axeViolations(page), [], `axe at ${at}`);
      }, screen, language);
    }
    await onServedPage(async (phone) => {
      await startLesson(phone);
      const tops = await phone.evaluate((selectors) => selectors
        .map((selector) => document.querySelector(selector).getBoundingClientRect().top), LESSON_ORDER);
      assert.deepEqual(tops.map((top, i) => (i === 0 || top > tops[i - 1] ? 'in order' : LESSON_ORDER[i])),
        LESSON_ORDER.map(() => 'in order'));
      const { view, faults } = await layoutFaults(phone);
      assert.ok(view.page.width <= PHONE.width, `the page is ${view.page.width} px wide on a phone`);
      assert.ok(view.shares['string + buttons'] === 1, 'the string and its buttons are not at first sight');
      assert.deepEqual(faults.filter((fault) => fault.startsWith('#')), []);
      assert.deepEqual(await axeViolations(phone), [], 'axe on a phone');
    }, PHONE, language);
  });
}


pageTest('resized while it runs, from a laptop to a projector and to a phone, the page is laid out anew, and the run, the mode, the traced node and the sound go on', chromiumOnly, () => onServedPage(async (page) => {
  await startLesson(page);
  await page.click('#listen');
  for (const screen of [PROJECTOR, { width: 390, height: 844 }]) {
    const before = await draws(page);
    await page.setViewport(screen);
    await waitForDraws(page, before + 30);
    const { view, faults } = await layoutFaults(page);
    const at = `${screen.width}×${screen.height}`;
    if (screen === PROJECTOR) assert.deepEqual(faults, [], `at ${at}`);
    else assert.ok(view.page.width <= screen.width, `the page is ${view.page.width} px wide at ${at}`);
    assert.deepEqual(await page.evaluate(() => [
      ...['node', 'mode'].map((id) => document.getElementById(id).value),
      document.getElementById('listen').getAttribute('aria-pressed'),
      document.getElementById('mode-shape').hidden,
    ]), ['99', '5', 'true', false], `at ${at}: the traced node, the mode, Listen, the mode drawn`);
  }
  await page.click('#stop');
  const { draws: count } = await settle(page, { read: false });
  await keepSaves(page);
  assertNodeSaved(await savedBy(page, '#save-node'), 99, count - 1);
}, LAPTOP));
