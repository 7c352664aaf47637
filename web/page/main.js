// SPDX-License-Identifier: GPL-3.0-or-later
// The page around the program, in the learner's language (language.js):
// loads it (loading.js), passes on what the user does (input.js), shows and
// saves what the string does (explain.js), takes a teacher's settings
// (teacher.js), pauses it while the browser has taken its WebGL context away
// (context_loss.js). The program itself is
// unchanged; the page reaches it only through Emscripten's Module, its one
// global.
// The build bundles these modules into one script, page.js.
import { pauseWhileContextLost } from './context_loss.js';
import { explainRun } from './explain.js';
import { wireInput } from './input.js';
import { chooseLanguage } from './language.js';
import { applyLinkSettings, wireTeacherControls } from './teacher.js';
import { load, programModule, reportErrors } from './loading.js';
import { findView } from './view.js';

chooseLanguage();
const view = findView();
applyLinkSettings(view);
const program = programModule(view);
reportErrors(view);

// Where the canvas is shown at less than one screen pixel per canvas pixel,
// smooth scaling keeps the thin line from breaking up.
new ResizeObserver(() => {
  const shown = view.canvas.getBoundingClientRect().width * window.devicePixelRatio;
  view.canvas.classList.toggle('downscaled', shown + 0.5 < view.canvas.width);
}).observe(view.canvas);

wireInput(view, program);
wireTeacherControls(view, program);
explainRun(view, program);
pauseWhileContextLost(view, program);
load(view, program);
