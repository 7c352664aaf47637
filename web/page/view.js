// SPDX-License-Identifier: GPL-3.0-or-later
// The page's elements and what it knows of the program, shared by the
// modules that wire it: whether the string is running, whether the program
// has failed or has lost its WebGL context; and the two ways the page tells
// the user.

export const RELOAD = ' Reload the page to try again.';

export function findView() {
  return {
    canvas: document.getElementById('canvas'),
    statusMessage: document.getElementById('status'),
    failure: document.getElementById('failure'),
    stateText: document.getElementById('state'),
    controls: document.querySelectorAll('#controls button, #controls input'),
    widthControl: document.getElementById('width'),
    widthValue: document.getElementById('width-value'),
    explanation: document.getElementById('explain'),
    ready: false, // the program runs and has drawn its first picture
    whenReady: [], // called once it is
    running: false, // the string animates; set only through setRunning
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
  view.stateText.textContent = running ? 'running' : 'stopped';
  view.onRunningChange.forEach((callback) => callback(running));
}

export function enableControls(view, enabled) {
  for (const control of view.controls) {
    control.disabled = !enabled;
  }
}

// The failure in words in place of the canvas, and nothing left to click.
export function showFailure(view, text) {
  if (view.failed) return;
  view.failed = true;
  view.ready = false;
  view.canvas.hidden = true;
  view.statusMessage.hidden = true;
  view.failure.textContent = text;
  view.failure.hidden = false;
  view.explanation.hidden = true;
  enableControls(view, false);
}

// A passing notice over the canvas (loading, graphics away), or none.
export function showStatus(view, text) {
  view.statusMessage.hidden = text === null;
  if (text !== null) view.statusMessage.textContent = text;
}
