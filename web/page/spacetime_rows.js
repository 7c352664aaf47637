// SPDX-License-Identifier: GPL-3.0-or-later
// The space-time picture's rows and columns, apart from the page: the frames
// kept, a row each, and where each node's column lies.
import { KEPT_FRAMES } from './facts.js';
import { RANGE, putColour } from './palette.js';

// The rows: a ring of KEPT_FRAMES rows of a pixel per node, the newest
// frame's row at `newest`, the older ones after it; clear until a frame
// fills them. values: the rows' frames' displacements; filled: how many
// rows hold a frame.
export function rowRing(nodes) {
  const ring = {
    pixels: new Uint8ClampedArray(4 * nodes * KEPT_FRAMES), values: new Float64Array(nodes * KEPT_FRAMES),
    newest: 0, filled: 0,
  };
  ring.add = (current, heightScale) => {
    ring.newest = (ring.newest + KEPT_FRAMES - 1) % KEPT_FRAMES;
    ring.filled = Math.min(ring.filled + 1, KEPT_FRAMES);
    ring.values.set(current, nodes * ring.newest);
    const start = 4 * nodes * ring.newest;
    for (let i = 0; i < nodes; i += 1) putColour(ring.pixels, start + 4 * i, (heightScale * current[i]) / RANGE);
  };
  // The rows as shown, the newest on top.
  ring.image = () => {
    const image = new ImageData(nodes, KEPT_FRAMES);
    const split = 4 * nodes * ring.newest;
    image.data.set(ring.pixels.subarray(split));
    image.data.set(ring.pixels.subarray(0, split), ring.pixels.length - split);
    return image;
  };
  // Node `node`'s displacement in the frames kept, the oldest first.
  ring.history = (node) => Array.from({ length: ring.filled },
    (_, k) => ring.values[nodes * ((ring.newest + ring.filled - 1 - k) % KEPT_FRAMES) + node]);
  // The newest `count` rows, the newest on top, in an image kept for each count.
  const rows = new Map();
  ring.newestRows = (count) => {
    if (!rows.has(count)) rows.set(count, new ImageData(nodes, count));
    const image = rows.get(count);
    for (let r = 0; r < count; r += 1) {
      const at = 4 * nodes * ((ring.newest + r) % KEPT_FRAMES);
      image.data.set(ring.pixels.subarray(at, at + 4 * nodes), 4 * nodes * r);
    }
    return image;
  };
  return ring;
}

// Where the columns lie on the string's canvas `width` pixels wide: node
// i's from left + i column to left + (i + 1) column canvas pixels, each as
// wide as the nodes' spacing and centred on its vertex.
export function columnsOf({ positions, pixelsPerUnit }, width) {
  const column = Math.round((positions[1] - positions[0]) * pixelsPerUnit);
  const left = width / 2 + positions[0] * pixelsPerUnit - Math.floor(column / 2);
  return { left, column, width, nodes: positions.length };
}

// The node whose column holds the point `clientX` of the picture's box `box`, or null.
export function nodeAt(columns, clientX, box) {
  const x = ((clientX - box.left) * columns.width) / box.width;
  const node = Math.floor((x - columns.left) / columns.column);
  return node >= 0 && node < columns.nodes ? node : null;
}
