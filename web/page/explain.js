// SPDX-License-Identifier: GPL-3.0-or-later
// What the string does, beside its picture, hidden or shown by one control:
// the space-time picture (spacetime.js), the numbers of the frame shown and
// their traces (numbers.js), its modes seen (modes.js) and heard
// (sound.js), the frame in words (describe.js) and the run saved
// (saves.js). The program hands over every frame it draws
// (Module.onFrameShown) with its fields, computed by the same C++ as
// vibrating-string-history's, and where it draws the string
// (Module.stringGeometry); the page only shows them.
//
// A frame costs the page little, since it comes at the display's pace
// beside the string's own work: its colours go into one row of a ring kept
// in place, and what shows it is drawn only while on screen, the numbers
// every few frames while the string runs.
import { followShownSize } from './crisp.js';
import { description } from './describe.js';
import { modePicture } from './modes.js';
import { energyTrace, numberList } from './numbers.js';
import { saveButtons } from './saves.js';
import { listenControls } from './sound.js';
import { spaceTimePicture } from './spacetime.js';
import { rowRing } from './spacetime_rows.js';

// While the string runs, the numbers change faster than anyone reads them,
// and each change lays the page out again.
const NUMBERS_EVERY = 10;
// While the string runs, what shows it beside it is drawn with every frame
// while that takes little. On a slow machine, for each DRAW_BUDGET_MS a
// drawing took, as many frames after it go by undrawn (MOST_SKIPPED at most),
// so that the string keeps its own pace: the browser's work to show a
// canvas drawn anew grows with what the script drew.
const [DRAW_BUDGET_MS, MOST_SKIPPED] = [1, 4];

// Takes every frame the program draws from the start, and sets up the
// explanation once the string's first picture is up. Until then it holds
// its place, unseen, shown or hidden as the link asks, so that nothing
// moves when it appears.
export function explainRun(store, program, canvas) {
  const byId = (id) => document.getElementById(id);
  const [section, toggle] = [byId('explain'), byId('explain-toggle')];
  // Its parts beside the string and under it.
  const explanation = document.querySelectorAll('.explanation');
  const showParts = (shown) => {
    for (const part of explanation) part.hidden = !shown;
  };
  // As the link asks, whatever the browser restores on a reload.
  toggle.checked = store.get('explainShown');
  showParts(toggle.checked);
  toggle.addEventListener('change', () => store.set('explainShown', toggle.checked));
  // What the page keeps of the run, whatever it shows: the rows, the energy's
  // trace and the newest frame.
  const run = {
    geometry: null, ring: null, energy: energyTrace(), latest: null,
    // The modes, and the frame shown as modes: found by the program when first asked.
    modesShown: () => {
      program._show_modes();
      return { table: program.stringModes, frame: program.shownModes };
    },
  };
  const onScreen = new Set(); // which of the picture's and the numbers' boxes are
  let parts = null;
  let [numbersFrame, toSkip] = [-Infinity, 0];

  // The numbers as of the frame shown; while the string runs, only on
  // screen, and every few frames.
  const showNumbers = () => {
    const running = store.get('running');
    if ((running && !onScreen.has(parts.numbers.list))
        || (running && Math.abs(run.latest.frame - numbersFrame) < NUMBERS_EVERY)) return;
    numbersFrame = run.latest.frame;
    parts.numbers.show();
    parts.modes.showNumbers();
  };
  // The pictures as of the frame shown; while the string runs, only those on screen.
  const drawPictures = () => {
    if (!store.get('running') || onScreen.has(parts.picture.stage)) parts.picture.update();
    // Only once on screen, even stopped: the first drawing finds the modes, which takes a moment.
    if (onScreen.has(parts.modes.stage)) parts.modes.drawBars();
    parts.modes.drawShape();
  };
  const drawIfShown = () => {
    if (!parts || !store.get('explainShown')) return;
    showNumbers();
    drawPictures();
  };

  program.onFrameShown = (record) => {
    try {
      run.ring ??= rowRing(record.current.length);
      run.ring.add(record.current, program.stringGeometry.heightScale);
      run.energy.add(record.frame, record.energy / record.energyAtStart);
      run.latest = record;
      if (!parts) return;
      parts.saves.noteRecord(record);
      if (store.get('explainShown')) {
        showNumbers();
        if (toSkip > 0 && store.get('running')) {
          toSkip -= 1;
        } else {
          const start = performance.now();
          drawPictures();
          toSkip = Math.min(Math.floor((performance.now() - start) / DRAW_BUDGET_MS), MOST_SKIPPED);
        }
      }
      parts.sound.follow();
      parts.description.follow();
    } catch (error) {
      console.error(error); // and the string draws on
    }
  };

  const setUp = () => {
    run.geometry = program.stringGeometry;
    const picture = spaceTimePicture(store, canvas, run);
    parts = {
      picture, numbers: numberList(store, run), description: description(store, run),
      saves: saveButtons(store, program, run, picture), modes: modePicture(store, run, canvas),
      sound: listenControls(store, run),
    };
    // Scrolled back into view while the string runs, they catch up at once.
    const watch = new IntersectionObserver((changes) => {
      for (const change of changes) {
        if (change.isIntersecting) onScreen.add(change.target);
        else onScreen.delete(change.target);
      }
      drawIfShown();
    });
    watch.observe(picture.stage);
    watch.observe(parts.numbers.list);
    watch.observe(parts.modes.stage);
    for (const part of [section, ...explanation]) part.classList.remove('waiting');
    showNumbers();
    drawPictures();
  };

  store.on('ready', (ready) => {
    if (ready && !parts) setUp();
  });
  // The canvases the page draws, drawn again once made anew at a new size.
  // The chosen mode's, sized with the string's canvas it lies over, ready when it is shown.
  followShownSize(byId('mode-shape'), () => parts?.modes.drawShape(), canvas);
  followShownSize(byId('mode-bars'), () => {
    if (parts && store.get('explainShown') && onScreen.has(parts.modes.stage)) parts.modes.drawBars();
  });
  for (const trace of [byId('energy-trace'), byId('node-trace')]) {
    followShownSize(trace, () => {
      run.energy.changed = true;
      if (parts && store.get('explainShown')) parts.numbers.show();
    });
  }

  store.on('explainShown', (shown) => {
    showParts(shown);
    drawIfShown();
    parts?.modes.drawShape();
  });
  store.on('chosenMode', () => {
    if (!parts) return;
    parts.modes.drawShape();
    if (store.get('explainShown')) {
      parts.modes.showNumbers();
      if (onScreen.has(parts.modes.stage)) parts.modes.drawBars();
    }
  });
  store.on('running', (running) => {
    if (!running) drawIfShown();
  });
  store.on('failed', () => { section.hidden = true; });
}
