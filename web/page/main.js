// SPDX-License-Identifier: GPL-3.0-or-later
// The page around the program. Its state is in one store (store.js), which
// each part reads and follows: the words in the learner's language
// (language.js and status.js), the program loaded (loading.js) and its
// frames paced (program_frames.js, context_loss.js), the mouse and the
// controls passed on to it (pointer.js, controls.js), a teacher's link
// (teacher.js), the string's picture fitted to the screen (layout.js), and
// what the string does shown beside it (explain.js). The
// program itself is unchanged; the page reaches it only through
// Emscripten's Module, its one global. The build bundles these modules into
// one script, page.js.
import { watchContext } from './context_loss.js';
import { wireControls } from './controls.js';
import { explainRun } from './explain.js';
import { chooseLanguage } from './language.js';
import { fitString } from './layout.js';
import { load, programModule, reportErrors } from './loading.js';
import { filterPointer } from './pointer.js';
import { holdProgramFrames } from './program_frames.js';
import { wireStatus } from './status.js';
import { createStore } from './store.js';
import { applyLinkSettings, wireLink } from './teacher.js';

const store = createStore();
const canvas = document.getElementById('canvas');
// The page starts as its address asks.
chooseLanguage(store);
applyLinkSettings(store, canvas);

const program = programModule(store, canvas);
reportErrors(store);
wireStatus(store, canvas);
filterPointer(store, canvas);
wireControls(store, program, canvas);
wireLink(store, canvas);
explainRun(store, program, canvas);
watchContext(store, program, canvas, holdProgramFrames(store, program));
fitString(store, program, canvas);

load(store, program);
