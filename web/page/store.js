// SPDX-License-Identifier: GPL-3.0-or-later
// What the page knows of the program and of what the user chose, in one
// place. Each part of the page reads it here and follows its changes
// (`on`); a value is changed only through `set`, which tells the followers
// of that value, and only when it changes.
const INITIAL = {
  ready: false, // the program runs and has drawn its first picture
  failed: false, // the program cannot run, and the page says why
  contextLost: false, // the browser has taken the WebGL context away
  running: false, // the string animates, as the program's mouse table decides
  speed: 1, // a picture every `speed` display refreshes
  tracedNode: null, // the node whose displacement is traced, or null
  chosenMode: null, // the mode whose numbers are shown and whose shape is drawn, or null
  explainShown: true, // the explanation beside the string
  language: 'en', // the language the page speaks
};

export function createStore(values = {}) {
  const state = { ...INITIAL, ...values };
  const events = new EventTarget();
  return {
    get: (name) => state[name],
    set(name, value) {
      if (!(name in INITIAL)) throw new Error(`the page has no state '${name}'`);
      if (state[name] === value) return;
      state[name] = value;
      events.dispatchEvent(new Event(name));
    },
    // Calls `follow(value)` whenever `name` changes.
    on(name, follow) {
      if (!(name in INITIAL)) throw new Error(`the page has no state '${name}'`);
      events.addEventListener(name, () => follow(state[name]));
    },
  };
}
