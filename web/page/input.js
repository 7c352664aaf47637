// SPDX-License-Identifier: GPL-3.0-or-later
// What a mouse, a finger, the Start and Stop buttons and the width slider
// do, passed on to the program as GLUT mouse events and window sizes; and
// the running or stopped state the page shows for them.
import { formatNumber, show, t, whenIdle } from './language.js';
import { setRunning } from './view.js';

// The state as GLUT's mouse table decides it from the events that reach it:
// a left press or release runs, a right press stops.
function followMouseTable(view, type, button) {
  if (!view.ready) return;
  if (button === 0 || (button === 2 && type === 'mousedown')) setRunning(view, button === 0);
}

// A press and release of GLUT button `button` (0 left, 2 right) on the
// canvas, through the same path as the mouse's own events.
function click(canvas, button) {
  const box = canvas.getBoundingClientRect();
  const at = { clientX: box.left + box.width / 2, clientY: box.top + box.height / 2, button, bubbles: true };
  canvas.dispatchEvent(new MouseEvent('mousedown', at));
  canvas.dispatchEvent(new MouseEvent('mouseup', at));
}

// Emscripten's GLUT listens on the whole window. A window-system window only
// gets a button's release if the press was inside it, so a release reaches
// GLUT only after a press on the canvas. Touches become a left click here,
// and the wheel, which the program ignores, never reaches GLUT, whose
// listeners cannot cancel these events in a browser.
function filterPointer(view) {
  const { canvas } = view;
  const pressedOnCanvas = new Set();
  window.addEventListener('mousedown', (event) => {
    if (event.target === canvas) {
      pressedOnCanvas.add(event.button);
      followMouseTable(view, 'mousedown', event.button);
    }
  }, true);
  window.addEventListener('mouseup', (event) => {
    if (pressedOnCanvas.delete(event.button)) {
      followMouseTable(view, 'mouseup', event.button);
    } else {
      event.stopImmediatePropagation();
    }
  }, true);
  window.addEventListener('touchstart', (event) => {
    event.stopImmediatePropagation();
    if (event.target === canvas) {
      event.preventDefault(); // no emulated mouse events after the touch
      click(canvas, 0);
    }
  }, { capture: true, passive: false });
  for (const type of ['touchmove', 'touchend', 'mousewheel', 'DOMMouseScroll']) {
    window.addEventListener(type, (event) => event.stopImmediatePropagation(), true);
  }
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
}

// The slider shows the canvas's width from the start (a browser may restore
// a slider's old position when the page is loaded again) and, once the
// program runs, sets it.
function wireWidth(view, program) {
  const { canvas, widthControl, widthValue } = view;
  const showWidth = (width) => show(widthValue,
    () => t('control.widthValue', { width: formatNumber(width, { useGrouping: false }) }));
  widthControl.value = String(canvas.width);
  whenIdle(() => showWidth(canvas.width));
  view.whenReady.push(() => showWidth(canvas.width));
  widthControl.addEventListener('input', () => {
    if (!view.ready) return;
    const width = Number(widthControl.value);
    showWidth(width);
    view.failure.style.width = `${width}px`;
    program._resize_canvas(width, canvas.height);
  });
}

export function wireInput(view, program) {
  filterPointer(view);
  document.getElementById('start').addEventListener('click', () => click(view.canvas, 0));
  document.getElementById('stop').addEventListener('click', () => click(view.canvas, 2));
  wireWidth(view, program);
}
