// SPDX-License-Identifier: GPL-3.0-or-later
// The page around the program: loads it, shows why when it cannot run, and
// passes on to it, as GLUT mouse events, what a mouse, a finger or the
// Start and Stop buttons do. The program itself is unchanged.
'use strict';

const canvas = document.getElementById('canvas');
const failure = document.getElementById('failure');
const controls = document.querySelectorAll('#controls button, #controls input');
const widthControl = document.getElementById('width');
const widthValue = document.getElementById('width-value');

function showFailure(text) {
  canvas.hidden = true;
  failure.textContent = text;
  failure.hidden = false;
  for (const control of controls) {
    control.disabled = true;
  }
}

function hasWebGL() {
  try {
    return document.createElement('canvas').getContext('webgl') !== null;
  } catch (error) {
    return false;
  }
}

// A press and release of GLUT button `button` (0 left, 2 right) on the
// canvas, through the same path as the mouse's own events.
function click(button) {
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
const pressedOnCanvas = new Set();
window.addEventListener('mousedown', (event) => {
  if (event.target === canvas) {
    pressedOnCanvas.add(event.button);
  }
}, true);
window.addEventListener('mouseup', (event) => {
  if (!pressedOnCanvas.delete(event.button)) {
    event.stopImmediatePropagation();
  }
}, true);
window.addEventListener('touchstart', (event) => {
  event.stopImmediatePropagation();
  if (event.target === canvas) {
    event.preventDefault(); // no emulated mouse events after the touch
    click(0);
  }
}, { capture: true, passive: false });
for (const type of ['touchmove', 'touchend', 'mousewheel', 'DOMMouseScroll']) {
  window.addEventListener(type, (event) => event.stopImmediatePropagation(), true);
}
canvas.addEventListener('contextmenu', (event) => event.preventDefault());

document.getElementById('start').addEventListener('click', () => click(0));
document.getElementById('stop').addEventListener('click', () => click(2));
widthControl.addEventListener('input', () => {
  const width = Number(widthControl.value);
  widthValue.textContent = `${width} px`;
  failure.style.width = `${width}px`;
  if (window.Module && Module.calledRun) {
    Module._resize_canvas(width, canvas.height);
  }
});

if (!hasWebGL()) {
  showFailure('This browser cannot draw the string: WebGL is turned off or not supported. ' +
              'Turn on WebGL (hardware acceleration) or try another browser.');
} else {
  window.Module = {
    canvas,
    onAbort: () => showFailure('The program could not be loaded or stopped with an error. ' +
                               'Reload the page to try again.'),
  };
  const program = document.createElement('script');
  program.src = 'vibrating-string.js';
  program.onerror = () => showFailure('The program (vibrating-string.js) could not be loaded. ' +
                                      'Reload the page to try again.');
  document.body.appendChild(program);
}
