// SPDX-License-Identifier: GPL-3.0-or-later
// Loads the program and says so meanwhile, and shows why, in words, when it
// cannot run. Served, the page fetches the program and keeps a copy for use
// offline (sw.js); in the single-file page (vibrating-string.html) the
// program is inside the page, base64 in the elements #program-js and
// #program-wasm.
import { RELOAD, enableControls, showFailure, showStatus } from './view.js';

// The single file holds the program in elements that come before its script.
const embedded = document.getElementById('program-wasm') !== null;

function embeddedBytes(id) {
  const text = atob(document.getElementById(id).textContent.trim());
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i += 1) bytes[i] = text.charCodeAt(i);
  return bytes;
}

function hasWebGL() {
  try {
    return document.createElement('canvas').getContext('webgl') !== null;
  } catch {
    return false;
  }
}

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

// Emscripten's Module for this page: the canvas, the WebAssembly from
// `instantiate`, and the page made ready once the first picture is drawn.
export function programModule(view) {
  return {
    canvas: view.canvas,
    preRun: [],
    instantiateWasm(imports, receiveInstance) {
      instantiate(imports).then((result) => receiveInstance(result.instance),
        (error) => showFailure(view, error.message + RELOAD));
      return {};
    },
    // GLUT draws the first picture at the first animation frame after main
    // has run; the second frame comes after it.
    onRuntimeInitialized() {
      requestAnimationFrame(() => requestAnimationFrame(() => {
        if (view.failed) return;
        view.ready = true;
        view.canvas.classList.remove('waiting');
        showStatus(view, null);
        enableControls(view, !view.contextLost);
        view.whenReady.forEach((callback) => callback());
        keepForOffline();
      }));
    },
    onAbort: () => showFailure(view, `The program stopped with an error.${RELOAD}`),
    // Emscripten's own notes (its GL emulation's warnings at start-up) are
    // no errors of the page's: warnings, as Emscripten 3.1.6 writes them,
    // where 3.1.69 would write them as errors.
    printErr: (text) => console.warn(text),
  };
}

// Whatever else goes wrong in the program or its loading ends here too, in
// words, rather than as an error in the console and a blank box.
export function reportErrors(view) {
  window.addEventListener('error', (event) => {
    event.preventDefault();
    showFailure(view, `The program stopped with an error (${event.message}).${RELOAD}`);
  });
  window.addEventListener('unhandledrejection', (event) => {
    event.preventDefault();
    showFailure(view, `The program stopped with an error (${event.reason}).${RELOAD}`);
  });
}

// Runs the program (Emscripten's Module, `program`), or says why it cannot.
export function load(view, program) {
  if (!embedded && window.location.protocol === 'file:') {
    showFailure(view, 'This page needs a web server: a browser does not let a page opened from disk load ' +
                'the program beside it. To use the string without a server, open vibrating-string.html, ' +
                'the whole page in one file, which is in the same folder. Or serve this folder with any ' +
                'web server.');
    return;
  }
  if (!hasWebGL()) {
    showFailure(view, 'This browser cannot draw the string: WebGL is turned off or not supported. ' +
                'Turn on WebGL (hardware acceleration) or try another browser.');
    return;
  }
  window.Module = program;
  const script = document.createElement('script');
  if (embedded) {
    script.textContent = new TextDecoder().decode(embeddedBytes('program-js'));
  } else {
    script.src = 'vibrating-string.js';
    script.onerror = () => showFailure(view, `The program (vibrating-string.js) could not be downloaded.${RELOAD}`);
  }
  document.body.appendChild(script);
}
