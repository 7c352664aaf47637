// SPDX-License-Identifier: GPL-3.0-or-later
// The string's facts the page needs before the program runs (a link's node
// is checked before the program exists, and the page's words name them),
// each written once here; and what the explanation keeps of a run.
import { RANGE } from './palette.js';

export const NODES = 100; // nodes 0 to NODES - 1
export const KEPT_FRAMES = 300; // frames the space-time picture and the node trace keep

// The node `text` names, a whole number from 0 to NODES - 1, or null.
export function nodeNamed(text) {
  const node = Number(text);
  return text !== null && /^\d+$/.test(text) && node < NODES ? node : null;
}

// The Speed control's choices: a picture every so many display refreshes.
export const SPEEDS = [1, 2, 4, 8, 16];

// The string has a mode per node, numbered as they are.
export const modeNamed = nodeNamed;
// The modes' bars run from 10^-DECADES at the foot to 1 at the top.
export const DECADES = 6;
// The pitch of mode 1, the lowest that moves, when the string is heard: A2.
export const FUNDAMENTAL_HZ = 110;

// The facts as the catalogs' messages name them, each number written by
// `format(value, Intl.NumberFormat's options)`.
export const factsInWords = (format) => ({
  kept: format(KEPT_FRAMES), last: format(NODES - 1), hertz: format(FUNDAMENTAL_HZ), range: format(RANGE),
  bottom: format(10 ** -DECADES, { maximumSignificantDigits: 1 }),
});
