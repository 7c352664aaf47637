// SPDX-License-Identifier: GPL-3.0-or-later
// What the string does, beside its picture: the space-time picture (one row
// per picture drawn, the newest on top, node i's column under node i's
// vertex), the numbers of the frame shown with the energy's trace, the
// picture in words, and the run saved as CSV or PNG. The program hands over
// every frame it draws (Module.onFrameShown) with its numbers, computed and
// formatted by the same C++ as vibrating-string-history's; the page only
// shows them.

const NODES = 100;
const ROWS = 300; // frames the space-time picture keeps
const COLUMN = 9; // canvas pixels from node to node: 0.09 world units
// Displacements are drawn 1.5 times their size, in world units, as the
// string is; beyond +-1.5 the picture shows the end colours.
const RANGE = 1.5;
// A diverging scale after ColorBrewer's RdBu, which people with the common
// colour-vision deficiencies still read: down blue, up red, white at rest.
const SCALE = [[-1, [33, 102, 172]], [-0.5, [146, 197, 222]], [0, [255, 255, 255]],
  [0.5, [244, 165, 130]], [1, [178, 24, 43]]];
const NOT_YET = '#d9d9d9'; // frames not drawn yet, and beyond the string's ends
const TRACE_POINTS = 300;

function colourOf(displacement) {
  const t = Math.max(-1, Math.min(1, (1.5 * displacement) / RANGE));
  let k = 0;
  while (k < SCALE.length - 2 && t > SCALE[k + 1][0]) k += 1;
  const [[from, low], [to, high]] = [SCALE[k], SCALE[k + 1]];
  const f = (t - from) / (to - from);
  return low.map((channel, c) => Math.round(channel + (high[c] - channel) * f));
}

// The node's position along the string, in world units, as the string's
// picture places it.
const positionOf = (node) => ((9 * node) * 0.01 - 4).toFixed(2);

// The words for a frame: where the string is furthest from rest, up and
// down, which way those parts move (from the two stored levels), and the
// energy against the start.
function describe(record) {
  const { frame, line, largestNode, current, previous } = record;
  const time = line.split(',')[1];
  let [up, down] = [0, 0];
  for (let i = 1; i < NODES; i += 1) {
    if (current[i] > current[up]) up = i;
    if (current[i] < current[down]) down = i;
  }
  const size = Math.abs(current[largestNode]);
  const words = [`Frame ${frame}, time ${time}: the string is furthest from rest at node ${largestNode} ` +
    `(x = ${positionOf(largestNode)}), ${size.toFixed(3)} ${current[largestNode] < 0 ? 'down' : 'up'}.`];
  const moving = (node) => {
    const velocity = current[node] - previous[node];
    if (velocity === 0) return 'still';
    return velocity > 0 ? 'moving up' : 'moving down';
  };
  if (current.every((value, i) => value === previous[i])) {
    words.push('It is at rest.');
  } else if (current[up] > 0 && current[down] < 0) {
    words.push(`Its highest point, node ${up} (x = ${positionOf(up)}), is ${moving(up)}; ` +
      `its lowest, node ${down} (x = ${positionOf(down)}), is ${moving(down)}.`);
  } else {
    const node = current[up] > 0 ? up : down;
    words.push(`Its ${node === up ? 'highest' : 'lowest'} point, node ${node}, is ${moving(node)}.`);
  }
  words.push(`Its energy is ${(record.energy / record.energyAtStart).toPrecision(4)} times that at frame 0.`);
  return words.join(' ');
}

// The energy as a multiple of frame 0's, at most TRACE_POINTS points: every
// `stride`-th frame, the stride doubling whenever the points fill up, so a
// long run costs no more to draw than a short one.
function energyTrace() {
  const trace = { points: [], stride: 1 };
  trace.add = (frame, ratio) => {
    if (frame % trace.stride !== 0) return;
    if (trace.points.length === TRACE_POINTS) {
      trace.points = trace.points.filter((_, i) => i % 2 === 0);
      trace.stride *= 2;
      if (frame % trace.stride !== 0) return;
    }
    trace.points.push(ratio);
  };
  return trace;
}

function drawTrace(canvas, trace) {
  const context = canvas.getContext('2d');
  const { width, height } = canvas;
  context.fillStyle = '#fff';
  context.fillRect(0, 0, width, height);
  const low = Math.min(1, ...trace.points);
  const high = Math.max(1, ...trace.points);
  const spread = Math.max(high - low, 1e-6);
  const y = (ratio) => height - 4 - ((ratio - low) / spread) * (height - 8);
  context.strokeStyle = '#bbb';
  context.beginPath();
  context.moveTo(0, y(1));
  context.lineTo(width, y(1));
  context.stroke();
  context.strokeStyle = '#222';
  context.beginPath();
  trace.points.forEach((ratio, i) => {
    const x = (i / Math.max(trace.points.length - 1, 1)) * (width - 1);
    if (i === 0) context.moveTo(x, y(ratio));
    else context.lineTo(x, y(ratio));
  });
  context.stroke();
}

// Hands `blob` to the browser as a download: no request leaves the page.
function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  // Long enough for the browser to have read it.
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

function findElements() {
  const byId = (id) => document.getElementById(id);
  return {
    section: byId('explain'), body: byId('explain-body'), toggle: byId('explain-toggle'),
    picture: byId('spacetime'), trace: byId('energy-trace'), description: byId('description'),
    numbers: {
      frame: byId('number-frame'), time: byId('number-time'), largest: byId('number-largest'),
      node: byId('number-node'), energy: byId('number-energy'),
    },
  };
}

// Takes every frame the program draws from the start, and sets up the
// pictures and controls once the string's first picture is up.
export function explainRun(view, program) {
  const levels = new Float64Array(ROWS * NODES); // the last ROWS frames, a ring
  const trace = energyTrace();
  const run = { latest: null, elements: null, rows: null, describing: false };

  const paintRow = (record) => {
    const slot = ROWS - 1 - (record.frame % ROWS); // the ring runs upwards: the newest is read first
    const pixels = run.rowPixels.data;
    for (let i = 0; i < NODES; i += 1) {
      pixels.set([...colourOf(levels[(record.frame % ROWS) * NODES + i]), 255], 4 * i);
    }
    run.rows.getContext('2d').putImageData(run.rowPixels, 0, slot);
  };

  const draw = () => {
    const { picture, trace: traceCanvas, numbers } = run.elements;
    const { latest } = run;
    if (picture.width !== view.canvas.width) picture.width = view.canvas.width;
    const context = picture.getContext('2d');
    context.fillStyle = NOT_YET;
    context.fillRect(0, 0, picture.width, ROWS);
    if (!latest) return;
    // Node i's column is centred on its vertex, 9 i - 400 pixels from the middle.
    context.imageSmoothingEnabled = false;
    const left = picture.width / 2 - 400 - Math.floor(COLUMN / 2);
    const newest = ROWS - 1 - (latest.frame % ROWS);
    context.drawImage(run.rows, 0, newest, NODES, ROWS - newest, left, 0, NODES * COLUMN, ROWS - newest);
    if (newest > 0) context.drawImage(run.rows, 0, 0, NODES, newest, left, ROWS - newest, NODES * COLUMN, newest);

    const [frame, time, largest] = latest.line.trim().split(',');
    numbers.frame.textContent = frame;
    numbers.time.textContent = time;
    numbers.largest.textContent = largest;
    numbers.node.textContent = String(latest.largestNode);
    numbers.energy.textContent = (latest.energy / latest.energyAtStart).toPrecision(9);
    drawTrace(traceCanvas, trace);
  };

  const say = () => {
    if (!run.latest) return;
    run.elements.description.textContent = describe(run.latest);
    run.describing = true;
  };

  program.onFrameShown = (record) => {
    try {
      levels.set(record.current, (record.frame % ROWS) * NODES);
      trace.add(record.frame, record.energy / record.energyAtStart);
      run.latest = record;
      if (!run.elements) return;
      paintRow(record);
      if (!run.elements.body.hidden) draw();
      // Stopped, the words follow the picture (a redraw moves it on a frame); running, they wait.
      if (run.describing && view.stateText.textContent === 'stopped') say();
    } catch (error) {
      console.error(error); // and the string draws on
    }
  };

  view.onStopped.push(say);
  view.onRunning.push(() => { run.describing = false; });
  view.whenReady.push(() => {
    const elements = findElements();
    run.elements = elements;
    run.rows = document.createElement('canvas');
    run.rows.width = NODES;
    run.rows.height = ROWS;
    run.rowPixels = run.rows.getContext('2d').createImageData(NODES, 1);
    const first = Math.max(0, (run.latest?.frame ?? -1) - ROWS + 1);
    for (let frame = first; run.latest && frame <= run.latest.frame; frame += 1) paintRow({ frame });
    elements.toggle.checked = true; // a reload starts with it shown, whatever the browser restores
    elements.toggle.addEventListener('change', () => {
      elements.body.hidden = !elements.toggle.checked;
      if (!elements.body.hidden) draw();
    });
    document.getElementById('describe').addEventListener('click', say);
    document.getElementById('save-data').addEventListener('click', () => {
      const csv = program.UTF8ToString(program._history_csv());
      download(new Blob([csv], { type: 'text/csv' }), `vibrating-string-frames-0-${run.latest.frame}.csv`);
    });
    document.getElementById('save-picture').addEventListener('click', () => {
      elements.picture.toBlob((png) => download(png, `vibrating-string-space-time-${run.latest.frame}.png`),
        'image/png');
    });
    elements.section.hidden = false;
    draw();
  });
}
