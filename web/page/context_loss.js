// SPDX-License-Identifier: GPL-3.0-or-later
// While the browser has taken the WebGL context away (a GPU reset, a phone
// reclaiming it), nothing is drawn, so nothing is computed either: the
// program's frames wait here, and the string stays at the frame it reached,
// in WebAssembly memory, which the loss does not touch.
import { language, t } from './language.js';
import { enableControls, showFailure, showStatus } from './view.js';

// What of Emscripten's runtime this hooks into is no API: it is how
// Emscripten 3.1.6 (Debian 12's) and 3.1.69 (Debian 13's) build the
// program, which ask for animation frames through Browser and through
// MainLoop. Another version may build it otherwise, and then the page says
// so, rather than run without its pause.
const WRITTEN_FOR = ['Emscripten 3.1.6', '3.1.69'];
const frameScheduler = () => [globalThis.MainLoop, globalThis.Browser]
  .find((candidate) => typeof candidate?.requestAnimationFrame === 'function');
function missingInternals(program) {
  return [
    !frameScheduler() && (() => t('failure.internalOr', { name: 'Browser.requestAnimationFrame', version: '3.1.69',
      alternative: 'MainLoop.requestAnimationFrame' })),
    typeof program.createContext !== 'function' && (() => 'Module.createContext'),
  ].filter(Boolean);
}

// The program asks for every frame through Emscripten's frame scheduler
// (GLUT's redisplay and its idle calls): held there, before its run starts,
// while the context is lost; and, while the string runs slowly, let through
// after `view.speed` refreshes instead of one, so that a picture comes every
// `speed` refreshes and each is still the next frame.
function holdProgramFrames(view, program) {
  const held = [];
  let schedule = null;
  program.preRun.push(() => {
    const missing = missingInternals(program);
    if (missing.length > 0) {
      const list = (items) => new Intl.ListFormat(language(), { type: 'conjunction' }).format(items);
      const args = () => ({ missing: list(missing.map((name) => name())), count: missing.length, versions: list(WRITTEN_FOR) });
      showFailure(view, 'failure.buildMismatch', args, { reload: false });
      throw new Error(t('failure.buildMismatch', args()));
    }
    const scheduler = frameScheduler();
    schedule = scheduler.requestAnimationFrame.bind(scheduler);
    const request = (callback, refreshes) => {
      if (view.contextLost) held.push(callback);
      else schedule(refreshes > 1 ? () => request(callback, refreshes - 1) : callback);
    };
    scheduler.requestAnimationFrame = (callback) => request(callback, view.running ? view.speed : 1);
  });
  return () => held.splice(0).forEach((callback) => schedule(callback));
}

export function pauseWhileContextLost(view, program) {
  const { canvas } = view;
  const releaseFrames = holdProgramFrames(view, program);
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault(); // lets the browser restore the context
    if (view.failed) return;
    view.contextLost = true;
    enableControls(view, false);
    showStatus(view, 'string.contextLost');
  });
  canvas.addEventListener('webglcontextrestored', () => {
    if (view.failed) return;
    // A restored context has none of the GL state the program made: make it
    // again as GLUT's window did (the same attributes, the GL emulation's
    // set-up), then the program's own clear colour, and a reshape, as for a
    // resized window, which sets its view and draws the string again.
    program.ctx = null;
    if (!program.createContext(canvas, true, true, { antialias: false, depth: false, stencil: false, alpha: false })) {
      showFailure(view, 'failure.graphicsLost');
      return;
    }
    program.ctx.clearColor(1, 1, 1, 1);
    view.contextLost = false;
    showStatus(view, null);
    enableControls(view, view.ready);
    program._resize_canvas(canvas.width, canvas.height);
    releaseFrames();
  });
}
