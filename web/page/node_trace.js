// SPDX-License-Identifier: GPL-3.0-or-later
// What the space-time picture shows of single nodes: the traced node's column
// marked and its displacement drawn over the frames kept, and the two ends
// named under their columns. `columns` is where the picture's columns lie on
// the string's canvas: node i's from left + i column to left + (i + 1) column
// canvas pixels, on a canvas `width` pixels wide; the boxes over the picture
// are placed in percent of it, as the picture is.

const percent = (pixels, { width }) => `${(100 * pixels) / width}%`;

// The node `text` names, a whole number within the node field's `input`
// bounds, or null.
export function nodeNamed(text, input) {
  const node = Number(text);
  return text !== null && /^\d+$/.test(text) && node >= Number(input.min) && node <= Number(input.max) ? node : null;
}

// The node whose column holds the point `clientX` of the picture's box `box`, or null.
export function nodeAt(columns, clientX, box) {
  const x = ((clientX - box.left) * columns.width) / box.width;
  const node = Math.floor((x - columns.left) / columns.column);
  return node >= 0 && node < columns.nodes ? node : null;
}

// The traced node's column framed (none when `node` is null); each end's name
// under its column, or at the picture's edge, pointing out, where the column
// is out of view.
export function placeColumnMarks({ nodeMark, endHeld, endFree }, columns, node) {
  if (!columns) return;
  const { left, column, width, nodes } = columns;
  nodeMark.hidden = node === null;
  if (node !== null) {
    nodeMark.style.left = percent(left + node * column, columns);
    nodeMark.style.width = percent(column, columns);
  }
  const right = width - (left + nodes * column);
  endHeld.style.left = percent(Math.max(0, left), columns);
  endHeld.classList.toggle('beyond', left < 0);
  endFree.style.right = percent(Math.max(0, right), columns);
  endFree.classList.toggle('beyond', right < 0);
}

// `values`, the oldest first, across the canvas, on a scale from `low` at
// the bottom to `high` at the top; a grey line marks `level`.
export function plotTrace(canvas, values, low, high, level) {
  const context = canvas.getContext('2d');
  const { width, height } = canvas;
  const spread = Math.max(high - low, 1e-6);
  const y = (value) => height - 4 - ((value - low) / spread) * (height - 8);
  context.fillStyle = '#fff';
  context.fillRect(0, 0, width, height);
  context.strokeStyle = '#bbb';
  context.beginPath();
  context.moveTo(0, y(level));
  context.lineTo(width, y(level));
  context.stroke();
  context.strokeStyle = '#222';
  context.beginPath();
  values.forEach((value, i) => {
    const x = (i / Math.max(values.length - 1, 1)) * (width - 1);
    if (i === 0) context.moveTo(x, y(value));
    else context.lineTo(x, y(value));
  });
  context.stroke();
}

// The traced node's displacement, as far up as down, on a scale never
// narrower than one world unit either way; the line marks rest.
export function drawNodeTrace(canvas, values) {
  const scale = Math.max(1, ...values.map(Math.abs));
  plotTrace(canvas, values, -scale, scale, 0);
}
