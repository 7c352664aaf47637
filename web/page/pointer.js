// SPDX-License-Identifier: GPL-3.0-or-later
// What a mouse and a finger do on the string's canvas, passed on to the
// program as GLUT mouse events, and the running or stopped state that
// GLUT's mouse table makes of them.

// The state as the program's mouse table decides it from the events that
// reach it: a left press or release runs, a right press stops.
function followMouseTable(store, type, button) {
  if (!store.get('ready')) return;
  if (button === 0 || (button === 2 && type === 'mousedown')) store.set('running', button === 0);
}

// A press and release of GLUT button `button` (0 left, 2 right) on the
// canvas, through the same path as the mouse's own events.
export function click(canvas, button) {
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
export function filterPointer(store, canvas) {
  const pressedOnCanvas = new Set();
  window.addEventListener('mousedown', (event) => {
    if (event.target === canvas) {
      pressedOnCanvas.add(event.button);
      followMouseTable(store, 'mousedown', event.button);
    }
  }, true);
  window.addEventListener('mouseup', (event) => {
    if (pressedOnCanvas.delete(event.button)) {
      followMouseTable(store, 'mouseup', event.button);
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
