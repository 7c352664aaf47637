// SPDX-License-Identifier: GPL-3.0-or-later
// The frame shown as the string's modes: the standing waves whose sum it
// is, which the program finds from its own operator and projects each frame
// onto (model/string_modes.h), as vibrating-string-history --amplitudes
// does. A bar per mode, its amplitude's size on a scale of tens with its
// swing marked; the chosen mode's numbers; and the chosen mode's part of
// the string, drawn lightly over the string's picture in a canvas of its
// own, never in the program's.
import { DECADES, NODES, modeNamed } from './facts.js';
import { formatNumber } from './language.js';
import { SIZE, general } from './numbers.js';
import { SCALE, cssColour } from './palette.js';

const [DOWN, UP] = [SCALE[0][1], SCALE.at(-1)[1]];
const GROWTH = { maximumSignificantDigits: 15 }; // its difference from 1 is what it says

// The height, in `height` pixels, of a bar for `size`: each tenfold the
// same height, so that a mode whose swing grows by the same factor each
// frame climbs at a steady pace, however small it is.
const barHeight = (size, height) => Math.min(Math.max((Math.log10(size) + DECADES) / DECADES, 0), 1) * height;

// The modes beside `run`'s frame shown; `stringCanvas` is the program's.
export function modePicture(store, run, stringCanvas) {
  const byId = (id) => document.getElementById(id);
  const [bars, overlay, field, list] = ['mode-bars', 'mode-shape', 'mode', 'mode-numbers'].map(byId);
  const numbers = Object.fromEntries(['number', 'frequency', 'growth', 'amplitude', 'swing']
    .map((name) => [name, byId(`number-mode-${name}`)]));
  field.max = String(NODES - 1);

  const drawBars = () => {
    const { table, frame } = run.modesShown();
    const context = bars.getContext('2d');
    const { width, height } = bars;
    const slot = width / table.count;
    context.fillStyle = '#fff';
    context.fillRect(0, 0, width, height);
    context.fillStyle = '#ddd';
    for (let decade = 1; decade < DECADES; decade += 1) context.fillRect(0, Math.round((height * decade) / DECADES), width, 1);
    const chosen = store.get('chosenMode');
    if (chosen !== null) {
      context.fillStyle = '#eee';
      context.fillRect(chosen * slot, 0, slot, height);
    }
    for (let k = 0; k < table.count; k += 1) {
      const amplitude = frame.amplitudes[k];
      // On whole pixels, so that each bar and mark is crisp.
      const top = Math.round(height - barHeight(Math.abs(amplitude), height));
      context.fillStyle = cssColour(amplitude < 0 ? DOWN : UP);
      context.fillRect(k * slot + 1, top, slot - 2, height - top);
      context.fillStyle = '#222';
      context.fillRect(k * slot, Math.min(Math.round(height - barHeight(frame.swings[k], height)), height - 2), slot, 2);
    }
  };

  const showNumbers = () => {
    const mode = store.get('chosenMode');
    list.hidden = mode === null;
    if (mode === null) return;
    const { table, frame } = run.modesShown();
    numbers.number.textContent = formatNumber(mode);
    numbers.frequency.textContent = general(table.frequencies[mode], SIZE);
    numbers.growth.textContent = formatNumber(table.growths[mode], GROWTH);
    numbers.amplitude.textContent = general(frame.amplitudes[mode], SIZE);
    numbers.swing.textContent = general(frame.swings[mode], SIZE);
  };

  // The chosen mode's part of the frame, amplitude times shape, where the
  // string's picture puts the string.
  const drawShape = () => {
    const mode = store.get('chosenMode');
    overlay.hidden = mode === null || !store.get('explainShown');
    if (overlay.hidden) return;
    const { table, frame } = run.modesShown();
    const { positions, heightScale, pixelsPerUnit } = run.geometry;
    // Set only on a change of size: setting a canvas's size, even to the same, makes its pixels anew.
    if (overlay.width !== stringCanvas.width || overlay.height !== stringCanvas.height) {
      [overlay.width, overlay.height] = [stringCanvas.width, stringCanvas.height];
    }
    const context = overlay.getContext('2d');
    context.clearRect(0, 0, overlay.width, overlay.height);
    context.strokeStyle = 'rgb(0 114 178 / 0.6)';
    context.lineWidth = 3;
    context.lineCap = 'round';
    context.lineJoin = 'round';
    context.beginPath();
    table.shapes[mode].forEach((value, i) => {
      const x = overlay.width / 2 + positions[i] * pixelsPerUnit;
      const y = overlay.height / 2 - heightScale * frame.amplitudes[mode] * value * pixelsPerUnit;
      if (i === 0) context.moveTo(x, y);
      else context.lineTo(x, y);
    });
    context.stroke();
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
