// SPDX-License-Identifier: GPL-3.0-or-later
// The controls beside the string: Start and Stop, which do what the left
// and right buttons do; Next frame, the redraw a window system asks for,
// while the string is stopped; Width, which resizes the canvas as a window
// manager resizes a window; and Speed, a picture every so many display
// refreshes (program_frames.js holds the rest back; the menu's choices are
// in the page's HTML). They wait for the program's first picture, and for a
// lost WebGL context to come back.
import { formatNumber, show, t } from './language.js';
import { click } from './pointer.js';
import { fitFailure } from './status.js';

// Whether `width` is one the Width control offers.
export function widthOffered(width) {
  const control = document.getElementById('width');
  const [min, max, step] = [control.min, control.max, control.step].map(Number);
  return width >= min && width <= max && (width - min) % step === 0;
}

// The slider shows the canvas's width from the start (a browser may restore
// a slider's old position when the page is loaded again) and, once the
// program runs, sets it; its value is written in the page's HTML for the
// widest canvas, and here, in numbers formatted, only once the first
// picture is up.
function wireWidth(store, program, canvas) {
  const [control, value] = [document.getElementById('width'), document.getElementById('width-value')];
  const showWidth = (width) => show(value,
    () => t('control.widthValue', { width: formatNumber(width, { useGrouping: false }) }));
  control.value = String(canvas.width);
  store.on('ready', (ready) => { if (ready) showWidth(canvas.width); });
  control.addEventListener('input', () => {
    if (!store.get('ready')) return;
    const width = Number(control.value);
    showWidth(width);
    fitFailure(width);
    program._resize_canvas(width, canvas.height);
  });
}

function wireSpeed(store) {
  const menu = document.getElementById('speed');
  menu.value = String(store.get('speed'));
  store.on('speed', (speed) => { menu.value = String(speed); });
  menu.addEventListener('change', () => store.set('speed', Number(menu.value)));
}

export function wireControls(store, program, canvas) {
  const byId = (id) => document.getElementById(id);
  const controls = document.querySelectorAll('#controls button, #controls select, #width');
  const nextFrame = byId('next-frame');
  // All of them while the program can take them; Next frame only while the string is stopped.
  const enable = () => {
    const enabled = store.get('ready') && !store.get('contextLost') && !store.get('failed');
    for (const control of controls) control.disabled = !enabled;
    if (store.get('running')) nextFrame.disabled = true;
  };
  for (const name of ['ready', 'failed', 'contextLost', 'running']) store.on(name, enable);
  byId('start').addEventListener('click', () => click(canvas, 0));
  byId('stop').addEventListener('click', () => click(canvas, 2));
  nextFrame.addEventListener('click', () => {
    if (store.get('ready') && !store.get('running')) program._redraw();
  });
  wireWidth(store, program, canvas);
  wireSpeed(store);
}
