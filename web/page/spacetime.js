// SPDX-License-Identifier: GPL-3.0-or-later
// The space-time picture: a row per picture drawn, the newest on top, node
// i's column under node i's vertex in the string's canvas, at every width;
// its legend's colours; the traced node's column framed, and the two ends
// named under theirs. The picture is a canvas of a pixel per node and frame
// that the browser scales, moved down a row and the new row put in as
// frames come, and only while it is shown. A tap or click on a column
// traces its node.
import { KEPT_FRAMES } from './facts.js';
import { GREY, SCALE, cssColour } from './palette.js';
import { columnsOf, nodeAt } from './spacetime_rows.js';

// Up to this many frames behind (the explanation skips a few on a slow
// machine), the picture moves down rather than being drawn anew.
const FEW_FRAMES = 8;

const percent = (pixels, { width }) => `${(100 * pixels) / width}%`;

// The traced node's column framed (none when `node` is null); each end's name
// under its column, or at the picture's edge, pointing out, where the column
// is out of view.
function placeColumnMarks({ nodeMark, endHeld, endFree }, columns, node) {
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

// The picture beside the string's `canvas`, drawn from `run`'s rows.
export function spaceTimePicture(store, canvas, run) {
  const byId = (id) => document.getElementById(id);
  const [picture, size, stage] = [byId('spacetime'), byId('spacetime-size'), byId('spacetime-stage')];
  const marks = { nodeMark: byId('node-mark'), endHeld: byId('end-held'), endFree: byId('end-free') };
  let columns = null;
  let shownFrame = -1; // the newest frame in the picture's canvas

  picture.width = run.geometry.nodes;
  picture.height = KEPT_FRAMES;
  stage.style.background = cssColour(GREY);
  byId('legend-bar').style.background = `linear-gradient(to right, ${SCALE.map(([, rgb]) => cssColour(rgb)).join(', ')})`;

  // The picture's box is the string canvas's, and its columns under the vertices.
  const place = () => {
    columns = columnsOf(run.geometry, canvas.width);
    size.width = canvas.width;
    size.height = canvas.height;
    picture.style.left = percent(columns.left, columns);
    picture.style.width = percent(columns.column * columns.nodes, columns);
    placeColumnMarks(marks, columns, store.get('tracedNode'));
  };

  // The picture's canvas as of the frame shown.
  const update = () => {
    const { frame } = run.latest;
    if (canvas.width !== columns.width) place();
    const context = picture.getContext('2d');
    const behind = frame - shownFrame;
    if (behind > 0 && behind <= FEW_FRAMES) {
      // A frame or a few on: the rows move down as many, and the new ones go on top.
      context.globalCompositeOperation = 'copy';
      context.drawImage(context.canvas, 0, behind);
      context.putImageData(run.ring.newestRows(behind), 0, 0);
    } else if (behind !== 0) {
      context.putImageData(run.ring.image(), 0, 0);
    }
    shownFrame = frame;
  };

  // The picture as shown, on its grey, at the string canvas's width.
  const asShown = () => {
    update(); // it may have been out of view
    const shown = document.createElement('canvas');
    shown.width = canvas.width;
    shown.height = KEPT_FRAMES;
    const context = shown.getContext('2d');
    context.fillStyle = cssColour(GREY);
    context.fillRect(0, 0, shown.width, KEPT_FRAMES);
    context.imageSmoothingEnabled = false;
    context.drawImage(picture, columns.left, 0, columns.column * columns.nodes, KEPT_FRAMES);
    return shown;
  };

  store.on('tracedNode', (node) => placeColumnMarks(marks, columns, node));
  stage.addEventListener('click', (event) => {
    const node = nodeAt(columns, event.clientX, size.getBoundingClientRect());
    if (node !== null) store.set('tracedNode', node);
  });
  place();
  return { stage, update, asShown };
}
