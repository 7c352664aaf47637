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

// Takes every frame the program draws from the start, and sets up the
// explanation once the string's first picture is up. Until then it holds
// its place, unseen, shown or hidden as the link asks, so that nothing
// moves when it appears.
export function explainRun(store, program, canvas) {
  const byId = (id) => document.getElementById(id);
  const [section, body, toggle] = [byId('explain'), byId('explain-body'), byId('explain-toggle')];
  // As the link asks, whatever the browser restores on a reload.
  toggle.checked = store.get('explainShown');
  body.hidden = !toggle.checked;
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

  // The picture and the numbers as of the frame shown; while the string
  // runs, only those on screen, and the numbers every few frames.
  const draw = () => {
    const running = store.get('running');
    const shown = (element) => !running || onScreen.has(element);
    if (shown(parts.numbers.list) && (!running || run.latest.frame % NUMBERS_EVERY === 0)) {
      parts.numbers.show();
      parts.modes.showNumbers();
    }
    if (shown(parts.picture.stage)) parts.picture.update();
    // Only once on screen, even stopped: the first drawing finds the modes, which takes a moment.
    if (onScreen.has(parts.modes.stage)) parts.modes.drawBars();
  };
  const drawIfShown = () => {
    if (parts && store.get('explainShown')) draw();
  };

  program.onFrameShown = (record) => {
    try {
      run.ring ??= rowRing(record.current.length);
      run.ring.add(record.current, program.stringGeometry.heightScale);
      run.energy.add(record.frame, record.energy / record.energyAtStart);
      run.latest = record;
      if (!parts) return;
      parts.saves.noteRecord(record);
      drawIfShown();
      parts.modes.drawShape();
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
    section.classList.remove('waiting');
    draw();
    parts.modes.drawShape();
  };

  store.on('ready', (ready) => {
    if (ready && !parts) setUp();
  });
  store.on('explainShown', (shown) => {
    body.hidden = !shown;
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
