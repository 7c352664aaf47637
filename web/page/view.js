// SPDX-License-Identifier: GPL-3.0-or-later
// The page's elements and what it knows of the program, shared by the
// modules that wire it: whether the string is running, whether the program
// has failed or has lost its WebGL context; and the two ways the page tells
// the user, each in the learner's language (language.js).
import { show, showMessage, t } from './language.js';

export function findView() {
  return {
    canvas: document.getElementById('canvas'),
    statusMessage: document.getElementById('status'),
    failure: document.getElementById('failure'),
    stateText: document.getElementById('state'),
    controls: document.querySelectorAll('#controls button, #controls input, #controls select'),
    nextFrame: document.getElementById('next-frame'),
    widthControl: document.getElementById('width'),
    widthValue: document.getElementById('width-value'),
    explanation: document.getElementById('explain'),
    ready: false, // the program runs and has drawn its first picture
    whenReady: [], // called once it is
    running: false, // the string animates; set only through setRunning
    speed: 1, // a picture every `speed` display refreshes
    tracedNode: null, // the node whose displacement is traced, or null
    explainShown: true, // the explanation beside the string
    onRunningChange: [], // called with `running` as it changes
    failed: false,
    contextLost: false,
  };
}

// The string's state, as the program's mouse table makes it: shown in
// words and, when it changes, passed on to whoever follows it.
export function setRunning(view, running) {
  if (running === view.running) return;
  view.running = running;
  showMessage(view.stateText, running ? 'string.running' : 'string.stopped');
  if (view.ready && !view.contextLost) enableControls(view, true); // Next frame follows the state
  view.onRunningChange.forEach((callback) => callback(running));
}

export function enableControls(view, enabled) {
  for (const control of view.controls) {
    control.disabled = !enabled;
  }
  // A next frame only while the string is stopped.
  if (view.running) view.nextFrame.disabled = true;
}

// A failure the page names, as the message `key` with `args`, thrown where
// it happens and shown by whoever catches it.
export const failure = (key, args = {}) => Object.assign(new Error(key), { key, args });

// The failure in words in place of the canvas, and nothing left to click;
// where a reload may mend it, the words say so. `args` may be a function
// that makes them, where they are words themselves, to follow the language.
export function showFailure(view, key, args = {}, { reload = true } = {}) {
  if (view.failed) return;
  view.failed = true;
  view.ready = false;
  view.canvas.hidden = true;
  view.statusMessage.hidden = true;
  const words = () => t(key, typeof args === 'function' ? args() : args);
  show(view.failure, reload ? () => t('failure.reload', { failure: words() }) : words);
  view.failure.hidden = false;
  view.explanation.hidden = true;
  enableControls(view, false);
}

// A passing notice over the canvas (loading, graphics away): the message
// `key`, or none.
export function showStatus(view, key) {
  view.statusMessage.hidden = key === null;
  if (key !== null) showMessage(view.statusMessage, key);
}
