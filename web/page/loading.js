// SPDX-License-Identifier: GPL-3.0-or-later
// Loads the program and says so meanwhile, and shows why, in words, when it
// cannot run. Served, the page fetches the program and keeps a copy for use
// offline (sw.js); in the single-file page (vibrating-string.html) the
// program is inside the page, base64 in the elements #program-js and
// #program-wasm.
import { PROGRAM_SCRIPT, PROGRAM_WASM } from './program_files.js';
import { failure, showFailure } from './status.js';

// The single file holds the program in elements that come before its script.
const embedded = document.getElementById('program-wasm') !== null;

function embeddedBytes(id) {
  const text = atob(document.getElementById(id).textContent.trim());
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i += 1) bytes[i] = text.charCodeAt(i);
  return bytes;
}

// The WebGL context GLUT asks for (GLUT_RGBA | GLUT_SINGLE: no alpha, depth,
// stencil or multisampling). Made here on the program's canvas, it is the
// one the program's own request then gets back: the check for WebGL costs
// no second context, the dearest thing a page like this makes.
const PROGRAM_CONTEXT = { antialias: false, alpha: false, depth: false, stencil: false };

function madeContext(canvas) {
  try {
    return canvas.getContext('webgl', PROGRAM_CONTEXT) !== null;
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
      throw failure('failure.embeddedDamaged', { detail: error.message });
    }
  }
  let response;
  try {
    // Served, boot.js has begun it.
    response = await (window.vibratingStringWasm ?? fetch(PROGRAM_WASM, { credentials: 'same-origin' }));
  } catch {
    throw failure('failure.connectionFailed', { file: PROGRAM_WASM });
  }
  if (!response.ok) {
    throw failure('failure.serverAnswered', { file: PROGRAM_WASM, status: response.status });
  }
  let bytes;
  try {
    bytes = await response.arrayBuffer();
  } catch {
    throw failure('failure.connectionBroke', { file: PROGRAM_WASM });
  }
  try {
    return await WebAssembly.instantiate(bytes, imports);
  } catch (error) {
    throw failure('failure.damaged', { file: PROGRAM_WASM, detail: error.message });
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
export function programModule(store, canvas) {
  return {
    canvas,
    preRun: [],
    instantiateWasm(imports, receiveInstance) {
      instantiate(imports).then((result) => receiveInstance(result.instance),
        (error) => showFailure(store, error.key ?? 'failure.stoppedWith', error.args ?? { detail: error.message }));
      return {};
    },
    // GLUT draws the first picture at the first animation frame after main
    // has run; the second frame comes after it.
    onRuntimeInitialized() {
      requestAnimationFrame(() => requestAnimationFrame(() => {
        if (store.get('failed')) return;
        store.set('ready', true);
        keepForOffline();
      }));
    },
    onAbort: () => showFailure(store, 'failure.stopped'),
    // Emscripten's own notes (its GL emulation's warnings at start-up) are
    // no errors of the page's: warnings, as Emscripten 3.1.6 writes them,
    // where 3.1.69 would write them as errors.
    printErr: (text) => console.warn(text),
  };
}

// Whatever else goes wrong in the program or its loading ends here too, in
// words, rather than as an error in the console and a blank box.
export function reportErrors(store) {
  window.addEventListener('error', (event) => {
    // The browser's notice that a resize settles a frame later: no failure,
    // left to the console.
    if (event.error === null && event.message.includes('ResizeObserver')) return;
    event.preventDefault();
    showFailure(store, 'failure.stoppedWith', { detail: event.message });
  });
  window.addEventListener('unhandledrejection', (event) => {
    event.preventDefault();
    showFailure(store, 'failure.stoppedWith', { detail: String(event.reason) });
  });
}

// Runs the program (Emscripten's Module, `program`), or says why it cannot.
function start(store, program) {
  if (!embedded && window.location.protocol === 'file:') {
    showFailure(store, 'failure.needsServer', { singleFile: 'vibrating-string.html' }, { reload: false });
    return;
  }
  if (!madeContext(program.canvas)) {
    showFailure(store, 'failure.noWebGL', {}, { reload: false });
    return;
  }
  window.Module = program;
  const script = document.createElement('script');
  if (embedded) {
    script.textContent = new TextDecoder().decode(embeddedBytes('program-js'));
  } else {
    script.src = PROGRAM_SCRIPT;
    script.onerror = () => showFailure(store, 'failure.notDownloaded', { file: PROGRAM_SCRIPT });
  }
  document.body.appendChild(script);
}

// The program starts once the page is painted, its WebGL context and its
// start-up being the page's longest work (the page's head has the browser
// fetch it meanwhile); a page in the background paints nothing, and starts
// at once.
export function load(store, program) {
  if (document.visibilityState === 'hidden') start(store, program);
  else requestAnimationFrame(() => setTimeout(() => start(store, program)));
}
