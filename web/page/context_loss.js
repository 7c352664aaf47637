// SPDX-License-Identifier: GPL-3.0-or-later
// While the browser has taken the WebGL context away (a GPU reset, a phone
// reclaiming it), nothing is drawn, so nothing is computed either: the
// program's frames wait here, and the string stays at the frame it reached,
// in WebAssembly memory, which the loss does not touch.
import { RELOAD, enableControls, showFailure, showStatus } from './view.js';

// What of Emscripten's runtime this hooks into is no API: it is how
// Emscripten 3.1.6 (Debian 12's) and 3.1.69 (Debian 13's) build the
// program, which ask for animation frames through Browser and through
// MainLoop. Another version may build it otherwise, and then the page says
// so, rather than run without its pause.
const WRITTEN_FOR = 'Emscripten 3.1.6 and 3.1.69';
const frameScheduler = () => [globalThis.MainLoop, globalThis.Browser]
  .find((candidate) => typeof candidate?.requestAnimationFrame === 'function');
function missingInternals(program) {
  return [
    !frameScheduler() && 'Browser.requestAnimationFrame (or, as in 3.1.69, MainLoop.requestAnimationFrame)',
    typeof program.createContext !== 'function' && 'Module.createContext',
  ].filter(Boolean);
}

// The program asks for every frame through Emscripten's frame scheduler
// (GLUT's redisplay and its idle calls): held there, before its run starts.
function holdProgramFrames(view, program) {
  const held = [];
  let schedule = null;
  program.preRun.push(() => {
    const missing = missingInternals(program);
    if (missing.length > 0) {
      const text = `This build of the page does not fit the Emscripten that built it: ${missing.join(' and ')}, ` +
        `which the page hooks into, ${missing.length > 1 ? 'are' : 'is'} not there (the page was written for ` +
        `${WRITTEN_FOR}).`;
      showFailure(view, text);
      throw new Error(text);
    }
    const scheduler = frameScheduler();
    schedule = scheduler.requestAnimationFrame.bind(scheduler);
    scheduler.requestAnimationFrame = (callback) => {
      if (view.contextLost) held.push(callback);
      else schedule(callback);
    };
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
    showStatus(view, 'The browser took the graphics away (its GPU was reset or needed elsewhere). ' +
      'The string is paused where it was and comes back when the graphics do.');
  });
  canvas.addEventListener('webglcontextrestored', () => {
    if (view.failed) return;
    // A restored context has none of the GL state the program made: make it
    // again as GLUT's window did (the same attributes, the GL emulation's
    // set-up), then the program's own clear colour, and a reshape, as for a
    // resized window, which sets its view and draws the string again.
    program.ctx = null;
    if (!program.createContext(canvas, true, true, { antialias: false, depth: false, stencil: false, alpha: false })) {
      showFailure(view, `The graphics could not be brought back.${RELOAD}`);
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
