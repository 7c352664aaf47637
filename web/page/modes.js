// SPDX-License-Identifier: GPL-3.0-or-later
// The frame shown as the string's modes: the standing waves whose sum it
// is, which the program finds from its own operator and projects each frame
// onto (model/string_modes.h), as vibrating-string-history --amplitudes
// does. A bar per mode, its amplitude's size on a scale of tens with its
// swing marked; the chosen mode's numbers; and the chosen mode's part of
// the string, drawn lightly over the string's picture in a canvas of its
// own, never in the program's, magnified where it would be too small to see.
import { DECADES, NODES, modeNamed } from './facts.js';
import { formatNumber, show, t } from './language.js';
import { SIZE, general, growthShown, writeText } from './numbers.js';
import { SCALE, cssColour } from './palette.js';

const [DOWN, UP] = [SCALE[0][1], SCALE.at(-1)[1]].map(cssColour);
const [CHOSEN, TRUE_SIZE] = ['rgb(0 114 178 / 0.6)', 'rgb(213 94 0)'];
// A chosen mode whose swing is drawn shorter than half this, in canvas
// pixels, is magnified to between half this and this.
const SEEN_HEIGHT = 100;

// The factor, 1, 2 or 5 times a power of ten, that draws a swing of `size`
// canvas pixels as tall as it can without passing SEEN_HEIGHT; 1 where no
// factor of 2 or more would fit.
function magnification(size) {
  const most = SEEN_HEIGHT / size;
  if (!(size > 0) || most < 2) return 1;
  let decade = 10 ** Math.floor(Math.log10(most));
  if (decade > most) decade /= 10; // log10's rounding, either way
  if (decade * 10 <= most) decade *= 10;
  return [5, 2, 1].map((step) => step * decade).find((factor) => factor <= most);
}

// The height, in `height` pixels, of a bar for `size`: each tenfold the
// same height, so that a mode whose swing grows by the same factor each
// frame climbs at a steady pace, however small it is.
const barHeight = (size, height) => Math.min(Math.max((Math.log10(size) + DECADES) / DECADES, 0), 1) * height;

// The modes beside `run`'s frame shown; `stringCanvas` is the program's.
export function modePicture(store, run, stringCanvas) {
  const byId = (id) => document.getElementById(id);
  const [bars, overlay, field, list, heldEnd, scaleNote] = ['mode-bars', 'mode-shape', 'mode', 'mode-numbers',
    'mode-held-end', 'mode-scale'].map(byId);
  const numbers = Object.fromEntries(['number', 'frequency', 'growth', 'amplitude', 'swing']
    .map((name) => [name, byId(`number-mode-${name}`)]));
  field.max = String(NODES - 1);

  const drawBars = () => {
    const { table, frame } = run.modesShown();
    const context = bars.getContext('2d');
    const { width, height } = bars;
    const [slot, thick] = [width / table.count, Math.max(1, Math.round(window.devicePixelRatio))];
    // On whole pixels, so that each bar and mark is crisp; a gap between bars where they are wide enough.
    const left = (k) => Math.round(k * slot);
    const gap = slot >= 4 * thick ? thick : 0;
    context.fillStyle = '#fff';
    context.fillRect(0, 0, width, height);
    context.fillStyle = '#ddd';
    for (let decade = 1; decade < DECADES; decade += 1) {
      context.fillRect(0, Math.round((height * decade) / DECADES), width, thick);
    }
    const chosen = store.get('chosenMode');
    if (chosen !== null) {
      context.fillStyle = '#eee';
      context.fillRect(left(chosen), 0, left(chosen + 1) - left(chosen), height);
    }
    for (let k = 0; k < table.count; k += 1) {
      const amplitude = frame.amplitudes[k];
      const top = Math.round(height - barHeight(Math.abs(amplitude), height));
      context.fillStyle = amplitude < 0 ? DOWN : UP;
      context.fillRect(left(k) + gap, top, left(k + 1) - left(k) - 2 * gap, height - top);
      context.fillStyle = '#222';
      const mark = Math.min(Math.round(height - barHeight(frame.swings[k], height)), height - 2 * thick);
      context.fillRect(left(k), mark, left(k + 1) - left(k), 2 * thick);
    }
  };

  const showNumbers = () => {
    const mode = store.get('chosenMode');
    // Mode 0 is the held end's: it never moves, so it has no numbers to show.
    // Toggled, not set: setting an element's state, even to the same, makes
    // the browser lay the page out again, and this runs with the frames.
    list.toggleAttribute('hidden', mode === null || mode === 0);
    heldEnd.toggleAttribute('hidden', mode !== 0);
    if (list.hidden) return;
    const { table, frame } = run.modesShown();
    writeText(numbers.number, formatNumber(mode));
    writeText(numbers.frequency, general(table.frequencies[mode], SIZE));
    writeText(numbers.growth, growthShown(table.growths[mode]));
    writeText(numbers.amplitude, general(frame.amplitudes[mode], SIZE));
    writeText(numbers.swing, general(frame.swings[mode], SIZE));
  };

  // The magnification said in words while it is not 1; the words change
  // only with it, which is seldom, as a swing grows slowly.
  let timesSaid = 1;
  const sayScale = (times) => {
    if (times === timesSaid) return;
    timesSaid = times;
    scaleNote.hidden = times === 1;
    show(scaleNote, times === 1 ? null : () => t('modes.magnified', { times: formatNumber(times) }));
  };

  // `heights` (a node's part of the frame, in the string canvas's pixels up)
  // at `times` their size, where the string's picture puts each node, in the
  // overlay's own pixels, which follow the string's size as shown.
  const drawPart = (context, heights, times, colour, lineWidth) => {
    const { positions, pixelsPerUnit } = run.geometry;
    const [across, up] = [overlay.width / stringCanvas.width, overlay.height / stringCanvas.height];
    Object.assign(context, { strokeStyle: colour, lineWidth: lineWidth * across, lineCap: 'round', lineJoin: 'round' });
    context.beginPath();
    heights.forEach((height, i) => {
      const [x, y] = [across * (stringCanvas.width / 2 + positions[i] * pixelsPerUnit),
        up * (stringCanvas.height / 2 - times * height)];
      if (i === 0) context.moveTo(x, y);
      else context.lineTo(x, y);
    });
    context.stroke();
  };

  // The chosen mode's part of the frame, amplitude times shape, magnified
  // where its swing would be drawn too small to see, with its true size
  // beside it in a thin line. Mode 0, the held end's, stays as it is: it
  // never moves.
  const drawShape = () => {
    const mode = store.get('chosenMode');
    overlay.toggleAttribute('hidden', mode === null || !store.get('explainShown'));
    if (overlay.hidden) {
      sayScale(1);
      return;
    }
    const { table, frame } = run.modesShown();
    const toPixels = run.geometry.heightScale * run.geometry.pixelsPerUnit;
    const heights = table.shapes[mode].map((value) => toPixels * frame.amplitudes[mode] * value);
    const times = mode === 0 ? 1 : magnification(toPixels * frame.swings[mode]);
    const context = overlay.getContext('2d');
    context.clearRect(0, 0, overlay.width, overlay.height);
    if (times > 1) drawPart(context, heights, 1, TRUE_SIZE, 1.5);
    drawPart(context, heights, times, CHOSEN, 3);
    sayScale(times);
  };

  const choose = (mode) => store.set('chosenMode', mode);
  field.addEventListener('change', () => choose(modeNamed(field.value)));
  bars.addEventListener('click', (event) => {
    const box = bars.getBoundingClientRect();
    const count = run.modesShown().table.count;
    choose(Math.min(Math.floor(((event.clientX - box.left) / box.width) * count), count - 1));
  });
  const followChoice = (mode) => {
    if (document.activeElement !== field) field.value = mode === null ? '' : String(mode);
  };
  store.on('chosenMode', followChoice);
  store.on('failed', () => { overlay.hidden = true; });
  // In the new language's format; the words follow by themselves.
  store.on('language', () => {
    if (store.get('explainShown')) showNumbers();
  });
  followChoice(store.get('chosenMode'));
  return { stage: bars, drawBars, showNumbers, drawShape };
}
