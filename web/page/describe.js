// SPDX-License-Identifier: GPL-3.0-or-later
// The frame shown in words, in a live region: when the string stops, and on
// Describe. Where the string is furthest from rest, up and down, which way
// those parts move (from the model's two stored levels), the energy against
// the start, the traced node, the strongest modes and the fastest-growing,
// and how each end sends a half of the pulse back. While the string runs,
// nothing is said but that it runs.
import { formatNumber, show, t } from './language.js';
import { TIME, fixed, general, growthShown } from './numbers.js';

// The modes by the size of their swing in `frame`, the strongest first.
const strongestModes = (frame) => [...frame.swings.keys()].sort((a, b) => frame.swings[b] - frame.swings[a]);

// The words for a frame, worded when said, in the language of the moment.
export function describe(record, geometry, tracedNode, modes) {
  const { frame, time, largestNode, current, previous } = record;
  let [up, down] = [0, 0];
  for (let i = 1; i < current.length; i += 1) {
    if (current[i] > current[up]) up = i;
    if (current[i] < current[down]) down = i;
  }
  const motion = (node) => {
    const velocity = current[node] - previous[node];
    if (velocity === 0) return 'still';
    return velocity > 0 ? 'up' : 'down';
  };
  const atRest = current.every((value, i) => value === previous[i]);
  const bothWays = current[up] > 0 && current[down] < 0;
  const extreme = current[up] > 0 ? up : down;
  const { largest, energy, energyAtStart } = record;
  const direction = current[largestNode] < 0 ? 'down' : 'up';
  const traced = tracedNode === null ? null : { node: tracedNode, value: current[tracedNode] };
  const [first, second, third] = strongestModes(modes.frame);
  const { growths } = modes.table;
  const fastest = growths.indexOf(Math.max(...growths));
  return () => {
    const x = (node) => formatNumber(geometry.positions[node], fixed(2));
    const node = (i) => formatNumber(i);
    const words = [t('describe.furthest', {
      frame: formatNumber(frame), time: general(time, TIME), node: node(largestNode), x: x(largestNode),
      size: formatNumber(largest, fixed(3)), direction,
    })];
    if (atRest) {
      words.push(t('describe.atRest'));
    } else if (bothWays) {
      words.push(t('describe.both', {
        high: node(up), highX: x(up), highMotion: motion(up), low: node(down), lowX: x(down), lowMotion: motion(down),
      }));
    } else {
      words.push(t('describe.one', { point: extreme === up ? 'highest' : 'lowest', node: node(extreme),
        motion: motion(extreme) }));
    }
    words.push(t('describe.energy', {
      ratio: formatNumber(energy / energyAtStart, { minimumSignificantDigits: 4, maximumSignificantDigits: 4 }),
    }));
    if (traced) {
      words.push(t('describe.node', { node: node(traced.node), x: x(traced.node), value: formatNumber(traced.value, fixed(3)) }));
    }
    words.push(t('describe.modes', {
      first: node(first), second: node(second), third: node(third), fastest: node(fastest),
      growth: growthShown(growths[fastest]),
    }));
    words.push(t('describe.ends', { last: node(current.length - 1) }));
    return words.reduce((first, next) => t('describe.join', { first, next }));
  };
}

// The live region for `run`'s frame shown; `follow()` after each frame.
export function description(store, run) {
  const region = document.getElementById('description');
  let describing = false; // the words follow the frame shown until the string runs
  const say = () => {
    show(region, describe(run.latest, run.geometry, store.get('tracedNode'), run.modesShown()));
    describing = true;
  };
  document.getElementById('describe').addEventListener('click', say);
  store.on('running', (running) => {
    if (running) describing = false;
    else say();
  });
  // Stopped, the words follow the picture (a redraw moves it on a frame); running, they wait.
  return { follow: () => { if (describing && !store.get('running')) say(); } };
}
