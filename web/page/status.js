// SPDX-License-Identifier: GPL-3.0-or-later
// What the page says of the program, in words, in the learner's language
// (language.js): a passing notice over the canvas (loading, graphics
// away), the failure in place of the canvas when the program cannot run,
// and whether the string is running or stopped, which screen readers
// announce as it changes.
import { show, showMessage, t } from './language.js';

// A failure the page names, as the message `key` with `args`, thrown where
// it happens and shown by whoever catches it.
export const failure = (key, args = {}) => Object.assign(new Error(key), { key, args });

// The program cannot run: the page says why, once, and nothing is left to
// click. `args` may be a function that makes them, where they are words
// themselves, to follow the language; where a reload may mend it, the words
// say so.
export function showFailure(store, key, args = {}, { reload = true } = {}) {
  if (store.get('failed')) return;
  store.set('ready', false);
  store.set('failed', { key, args, reload });
}

// The failure's box as wide as the string's canvas, once the user has set its width.
export function fitFailure(width) {
  document.getElementById('failure').style.width = `${width}px`;
}

export function wireStatus(store, canvas) {
  const [notice, state, failureBox] = ['status', 'state', 'failure'].map((id) => document.getElementById(id));
  const showNotice = (key) => {
    notice.hidden = key === null;
    if (key !== null) showMessage(notice, key);
  };
  store.on('ready', (ready) => {
    if (!ready) return;
    canvas.classList.remove('waiting');
    showNotice(null);
  });
  store.on('contextLost', (lost) => showNotice(lost ? 'string.contextLost' : null));
  store.on('running', (running) => showMessage(state, running ? 'string.running' : 'string.stopped'));
  store.on('failed', ({ key, args, reload }) => {
    canvas.hidden = true;
    notice.hidden = true;
    const words = () => t(key, typeof args === 'function' ? args() : args);
    show(failureBox, reload ? () => t('failure.reload', { failure: words() }) : words);
    failureBox.hidden = false;
  });
}
