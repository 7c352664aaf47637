// SPDX-License-Identifier: GPL-3.0-or-later
// The page around the program: loads it and says so meanwhile, shows why
// when it cannot run, pauses it while the browser has taken its WebGL
// context away, and passes on to it, as GLUT mouse events, what a mouse, a
// finger or the Start and Stop buttons do. The program itself is unchanged.
// Served, it fetches the program and keeps a copy for use offline (sw.js);
// in the single-file page (vibrating-string.html) the program is inside the
// page, base64 in the elements #program-js and #program-wasm.
'use strict';

const canvas = document.getElementById('canvas');
const statusMessage = document.getElementById('status');
const failure = document.getElementById('failure');
const stateText = document.getElementById('state');
const controls = document.querySelectorAll('#controls button, #controls input');
const widthControl = document.getElementById('width');
const widthValue = document.getElementById('width-value');

let ready = false; // the program runs and has drawn its first picture
let failed = false;
let contextLost = false;

function enableControls(enabled) {
  for (const control of controls) {
    control.disabled = !enabled;
  }
}

function showFailure(text) {
  if (failed) return;
  failed = true;
  ready = false;
  canvas.hidden = true;
  statusMessage.hidden = true;
  failure.textContent = text;
  failure.hidden = false;
  enableControls(false);
}

const RELOAD = ' Reload the page to try again.';
const embedded = document.getElementById('program-wasm') !== null;

function embeddedBytes(id) {
  const text = atob(document.getElementById(id).textContent.trim());
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i += 1) bytes[i] = text.charCodeAt(i);
  return bytes;
}

// Whatever else goes wrong in the program or its loading ends here too, in
// words, rather than as an error in the console and a blank box.
window.addEventListener('error', (event) => {
  event.preventDefault();
  showFailure(`The program stopped with an error (${event.message}).${RELOAD}`);
});
window.addEventListener('unhandledrejection', (event) => {
  event.preventDefault();
  showFailure(`The program stopped with an error (${event.reason}).${RELOAD}`);
});

function hasWebGL() {
  try {
    return document.createElement('canvas').getContext('webgl') !== null;
  } catch {
    return false;
  }
}

// The width the slider shows is the canvas's, from the start: a browser may
// restore a slider's old position when the page is loaded again.
widthControl.value = String(canvas.width);
widthValue.textContent = `${canvas.width} px`;

// Where the canvas is shown at less than one screen pixel per canvas pixel,
// smooth scaling keeps the thin line from breaking up.
new ResizeObserver(() => {
  const shown = canvas.getBoundingClientRect().width * window.devicePixelRatio;
  canvas.classList.toggle('downscaled', shown + 0.5 < canvas.width);
}).observe(canvas);

// The running or stopped state, as GLUT's mouse table decides it from the
// events that reach it: a left press or release runs, a right press stops.
function followMouseTable(type, button) {
  if (!ready) return;
  if (button === 0 || (button === 2 && type === 'mousedown')) {
    stateText.textContent = button === 0 ? 'running' : 'stopped';
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
    followMouseTable('mousedown', event.button);
  }
}, true);
window.addEventListener('mouseup', (event) => {
  if (pressedOnCanvas.delete(event.button)) {
    followMouseTable('mouseup', event.button);
  } else {
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
  if (!ready) return;
  const width = Number(widthControl.value);
  widthValue.textContent = `${width} px`;
  failure.style.width = `${width}px`;
  Module._resize_canvas(width, canvas.height);
});

// While the browser has taken the WebGL context away (a GPU reset, a phone
// reclaiming it), nothing is drawn, so nothing is computed either: the
// program's frames wait here, and the string stays at the frame it reached,
// in WebAssembly memory, which the loss does not touch.
const browserAnimationFrame = window.requestAnimationFrame.bind(window);
const heldFrames = [];
window.requestAnimationFrame = (callback) => {
  if (!contextLost) return browserAnimationFrame(callback);
  heldFrames.push(callback);
  return 0;
};
canvas.addEventListener('webglcontextlost', (event) => {
  event.preventDefault(); // lets the browser restore the context
  if (failed) return;
  contextLost = true;
  enableControls(false);
  statusMessage.textContent = 'The browser took the graphics away (its GPU was reset or needed elsewhere). ' +
    'The string is paused where it was and comes back when the graphics do.';
  statusMessage.hidden = false;
});
canvas.addEventListener('webglcontextrestored', () => {
  if (failed) return;
  // A restored context has none of the GL state the program made: make it
  // again as GLUT's window did (the same attributes, the GL emulation's
  // set-up), then the program's own clear colour, and a reshape, as for a
  // resized window, which sets its view and draws the string again.
  Module.ctx = null;
  if (!Module.createContext(canvas, true, true, { antialias: false, depth: false, stencil: false, alpha: false })) {
    showFailure(`The graphics could not be brought back.${RELOAD}`);
    return;
  }
  Module.ctx.clearColor(1, 1, 1, 1);
  contextLost = false;
  statusMessage.hidden = true;
  enableControls(ready);
  Module._resize_canvas(canvas.width, canvas.height);
  for (const callback of heldFrames.splice(0)) browserAnimationFrame(callback);
});

// Fetches and compiles the WebAssembly here rather than in Emscripten's
// loader, so that every way it can fail to arrive ends in words.
async function instantiate(imports) {
  if (embedded) {
    try {
      return await WebAssembly.instantiate(embeddedBytes('program-wasm'), imports);
    } catch (error) {
      throw new Error(`The program inside this page is damaged or does not run in this browser (${error.message}).`);
    }
  }
  let response;
  try {
    response = await fetch('vibrating-string.wasm', { credentials: 'same-origin' });
  } catch {
    throw new Error('The program (vibrating-string.wasm) could not be downloaded: the connection failed.');
  }
  if (!response.ok) {
    throw new Error(`The program (vibrating-string.wasm) could not be downloaded: the server answered ${response.status}.`);
  }
  let bytes;
  try {
    bytes = await response.arrayBuffer();
  } catch {
    throw new Error('The program (vibrating-string.wasm) could not be downloaded: the connection broke off.');
  }
  try {
    return await WebAssembly.instantiate(bytes, imports);
  } catch (error) {
    throw new Error('The program (vibrating-string.wasm) arrived damaged or does not run in this browser ' +
                    `(${error.message}).`);
  }
}

// After the first picture: the page's files kept for the next visit, with
// or without a network. Only a served page can have a worker.
function keepForOffline() {
  if (embedded || !('serviceWorker' in navigator) || !window.isSecureContext) return;
  navigator.serviceWorker.register('sw.js').catch(() => {}); // offline, or no storage: next time
}

function start() {
  if (!embedded && window.location.protocol === 'file:') {
    showFailure('This page needs a web server: a browser does not let a page opened from disk load ' +
                'the program beside it. To use the string without a server, open vibrating-string.html, ' +
                'the whole page in one file, which is in the same folder. Or serve this folder with any ' +
                'web server.');
    return;
  }
  if (!hasWebGL()) {
    showFailure('This browser cannot draw the string: WebGL is turned off or not supported. ' +
                'Turn on WebGL (hardware acceleration) or try another browser.');
    return;
  }
  window.Module = {
    canvas,
    instantiateWasm(imports, receiveInstance) {
      instantiate(imports).then((result) => receiveInstance(result.instance),
        (error) => showFailure(error.message + RELOAD));
      return {};
    },
    // GLUT draws the first picture at the first animation frame after main
    // has run; the second frame comes after it.
    onRuntimeInitialized() {
      browserAnimationFrame(() => browserAnimationFrame(() => {
        if (failed) return;
        ready = true;
        canvas.classList.remove('waiting');
        statusMessage.hidden = true;
        enableControls(!contextLost);
        keepForOffline();
      }));
    },
    onAbort: () => showFailure(`The program stopped with an error.${RELOAD}`),
  };
  const program = document.createElement('script');
  if (embedded) {
    program.textContent = new TextDecoder().decode(embeddedBytes('program-js'));
    document.body.appendChild(program);
    return;
  }
  program.src = 'vibrating-string.js';
  program.onerror = () => showFailure(`The program (vibrating-string.js) could not be downloaded.${RELOAD}`);
  document.body.appendChild(program);
}

start();
