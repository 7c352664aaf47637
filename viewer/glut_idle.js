// SPDX-License-Identifier: GPL-3.0-or-later
// GLUT's idle callback, paced by the display. Emscripten's GLUT calls it from
// a 4 ms timer, about four times per display refresh, while the redisplay it
// posts draws at most once per refresh: the extra wake-ups are all waste, and
// on a slow phone they take the time a frame needs. Here it runs once per
// animation frame, so every refresh still draws exactly once.
//
// It replaces a function of Emscripten's GLUT and calls into its runtime,
// neither of which is an API: as Emscripten 3.1.6 (Debian 12's) and 3.1.69
// (Debian 13's) have them, which ask for animation frames through Browser
// and through MainLoop. Where another version has them otherwise, the build
// stops here and says so.
const glutIdleFrames = LibraryManager.library.$MainLoop ? '$MainLoop' : '$Browser';
(function checkInternals(library) {
  const missing = [
    !/GLUT\.idleFunc = func/.test(String(library.glutIdleFunc)) && 'glutIdleFunc setting GLUT.idleFunc',
    typeof library[glutIdleFrames]?.requestAnimationFrame !== 'function' &&
      'Browser.requestAnimationFrame (as in 3.1.6) or MainLoop.requestAnimationFrame (as in 3.1.69)',
    typeof library.$callUserCallback !== 'function' && 'callUserCallback',
    typeof library.$safeSetTimeout !== 'function' && 'safeSetTimeout',
  ].filter(Boolean);
  if (missing.length > 0) {
    throw new Error(`viewer/glut_idle.js hooks into Emscripten's GLUT as Emscripten 3.1.6 and 3.1.69 have it; ` +
      `this one (${EMSCRIPTEN_VERSION || 'another version'}) has no ${missing.join(', no ')}`);
  }
})(LibraryManager.library);

mergeInto(LibraryManager.library, {
  glutIdleFunc__deps: [glutIdleFrames, '$callUserCallback', '$safeSetTimeout'],
  glutIdleFunc: function(func) {
    function callback() {
      GLUT.idlePending = false;
      if (!GLUT.idleFunc || ABORT) return;
      callUserCallback(function() { {{{ makeDynCall('v', 'GLUT.idleFunc') }}}(); });
      // Once per refresh from now on; a stop or an abort before it ends the chain.
      GLUT.idlePending = true;
      (typeof MainLoop != 'undefined' ? MainLoop : Browser).requestAnimationFrame(callback);
    }
    // The first call as soon as possible, as GLUT does; one chain at a time.
    if (func && !GLUT.idlePending) {
      GLUT.idlePending = true;
      safeSetTimeout(callback, 0);
    }
    GLUT.idleFunc = func;
  },
});
