// SPDX-License-Identifier: GPL-3.0-or-later
// The program asks for every frame through Emscripten's frame scheduler
// (GLUT's redisplay and its idle calls). Hooked there, its frames are held
// while the browser has taken the WebGL context away (nothing is drawn, so
// nothing is computed either: the string stays at the frame it reached, in
// WebAssembly memory, which the loss does not touch); and, while the string
// runs slowly, let through after `speed` refreshes instead of one, so that a
// picture comes every `speed` refreshes and each is still the next frame.
import { language, t } from './language.js';
import { showFailure } from './status.js';

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

// Hooks the scheduler before the program's run starts; returns what lets
// the held frames through once the context is back.
export function holdProgramFrames(store, program) {
  const held = [];
  let schedule = null;
  program.preRun.push(() => {
    const missing = missingInternals(program);
    if (missing.length > 0) {
      const list = (items) => new Intl.ListFormat(language(), { type: 'conjunction' }).format(items);
      const args = () => ({ missing: list(missing.map((name) => name())), count: missing.length, versions: list(WRITTEN_FOR) });
      showFailure(store, 'failure.buildMismatch', args, { reload: false });
      throw new Error(t('failure.buildMismatch', args()));
    }
    const scheduler = frameScheduler();
    schedule = scheduler.requestAnimationFrame.bind(scheduler);
    const request = (callback, refreshes) => {
      if (store.get('contextLost')) held.push(callback);
      else schedule(refreshes > 1 ? () => request(callback, refreshes - 1) : callback);
    };
    scheduler.requestAnimationFrame = (callback) => request(callback, store.get('running') ? store.get('speed') : 1);
  });
  return () => held.splice(0).forEach((callback) => schedule(callback));
}
