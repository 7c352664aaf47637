// SPDX-License-Identifier: GPL-3.0-or-later
// GLUT's idle callback, paced by the display. Emscripten's GLUT calls it from
// a 4 ms timer, about four times per display refresh, while the redisplay it
// posts draws at most once per refresh: the extra wake-ups are all waste, and
// on a slow phone they take the time a frame needs. Here it runs once per
// animation frame, so every refresh still draws exactly once.
mergeInto(LibraryManager.library, {
  glutIdleFunc__deps: ['$Browser', '$callUserCallback', '$safeSetTimeout'],
  glutIdleFunc: function(func) {
    function callback() {
      GLUT.idlePending = false;
      if (!GLUT.idleFunc || ABORT) return;
      callUserCallback(function() { {{{ makeDynCall('v', 'GLUT.idleFunc') }}}(); });
      // Once per refresh from now on; a stop or an abort before it ends the chain.
      GLUT.idlePending = true;
      Browser.requestAnimationFrame(callback);
    }
    // The first call as soon as possible, as GLUT does; one chain at a time.
    if (func && !GLUT.idlePending) {
      GLUT.idlePending = true;
      safeSetTimeout(callback, 0);
    }
    GLUT.idleFunc = func;
  },
});
