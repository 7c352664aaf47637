// SPDX-License-Identifier: GPL-3.0-or-later
// The string as sound, with Web Audio, only once the learner asks (Listen):
// each mode a sine, mode 1 at FUNDAMENTAL_HZ and every other at the pitch its
// frequency bears to mode 1's, as loud as its swing in the frame shown. The
// sound follows the frames shown, so slow motion slows its changes; it is
// quiet while the string is stopped or paused, muted or the page hidden.
//
// No click: the oscillators start once and run on; every change of
// loudness, a mode's or the whole's, is an approach to the new value with
// a time constant of SMOOTHING, never a step.
import { FUNDAMENTAL_HZ } from './facts.js';
import { showMessage } from './language.js';

const SMOOTHING = 0.02; // seconds
const HEADROOM = 0.5; // the loudest the modes together may be, of full scale
const CHANGE_HEARD = 0.005; // of a mode's loudness: 0.04 dB

export function listenControls(store, run) {
  const byId = (id) => document.getElementById(id);
  const [button, volume, mute, note] = ['listen', 'volume', 'mute', 'listen-note'].map(byId);
  let sound = null; // the graph, made on the first Listen
  let reference = 0; // the swings' sum in the first frame heard

  const listening = () => button.getAttribute('aria-pressed') === 'true';
  const level = () => (listening() && store.get('running') && !store.get('contextLost') && !mute.checked &&
    !document.hidden ? Number(volume.value) : 0);
  const approach = (parameter, value) => parameter.setTargetAtTime(value, sound.context.currentTime, SMOOTHING);
  const setLevel = () => {
    if (sound) approach(sound.master.gain, level());
  };

  // The modes' loudness from the frame shown: in proportion to their
  // swings, the whole scaled down once it outgrows the first frame's, so
  // that the growth of the short modes is heard as the sound brightening
  // rather than as clipping.
  const follow = () => {
    if (!sound || !listening()) return;
    const { frame } = run.modesShown();
    const swings = frame.swings.slice(1);
    const sum = swings.reduce((a, b) => a + b, 0);
    reference ||= sum;
    const scale = HEADROOM / Math.max(reference, sum);
    swings.forEach((swing, i) => {
      // A change of loudness under CHANGE_HEARD is not heard, and most frames
      // change most modes far less: only what is heard is scheduled.
      const target = swing * scale;
      if (Math.abs(target - sound.targets[i]) > CHANGE_HEARD * sound.targets[i] || sound.targets[i] === 0) {
        approach(sound.gains[i].gain, target);
        sound.targets[i] = target;
      }
    });
  };

  const makeSound = () => {
    const { table } = run.modesShown();
    const context = new AudioContext();
    const master = new GainNode(context, { gain: 0 });
    master.connect(context.destination);
    const gains = [];
    for (let k = 1; k < table.count; k += 1) {
      const oscillator = new OscillatorNode(context, {
        frequency: (FUNDAMENTAL_HZ * table.frequencies[k]) / table.frequencies[1],
      });
      const gain = new GainNode(context, { gain: 0 });
      oscillator.connect(gain).connect(master);
      oscillator.start();
      gains.push(gain);
    }
    return { context, master, gains, targets: gains.map(() => 0) };
  };

  button.addEventListener('click', () => {
    if (typeof AudioContext !== 'function') {
      showMessage(note, 'listen.unavailable');
      return;
    }
    button.setAttribute('aria-pressed', String(!listening()));
    sound ??= makeSound();
    // A context made or suspended without the learner's gesture waits for one: this is it.
    if (sound.context.state === 'suspended') sound.context.resume();
    follow();
    setLevel();
  });
  for (const control of [volume, mute]) control.addEventListener('input', setLevel);
  document.addEventListener('visibilitychange', setLevel);
  for (const state of ['running', 'contextLost']) store.on(state, setLevel);
  // Hidden with the rest of the explanation, it stops listening.
  const stopListening = () => {
    button.setAttribute('aria-pressed', 'false');
    setLevel();
  };
  store.on('explainShown', (shown) => {
    if (!shown) stopListening();
  });
  store.on('failed', stopListening);
  return { follow };
}
