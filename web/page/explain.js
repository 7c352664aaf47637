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
const TRACE_POINTS = 300;
// While the string runs, the numbers change faster than anyone reads them,
// and each change lays the page out again: they follow every few frames,
// and every frame once it stops.
const NUMBERS_EVERY = 10;

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
  const trace = { points: [], stride: 1, changed: false };
  trace.add = (frame, ratio) => {
    if (frame % trace.stride !== 0) return;
    if (trace.points.length === TRACE_POINTS) {
      trace.points = trace.points.filter((_, i) => i % 2 === 0);
      trace.stride *= 2;
      if (frame % trace.stride !== 0) return;
    }
    trace.points.push(ratio);
    trace.changed = true;
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
  trace.changed = false;
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

// Where node 0's column starts, in string-canvas pixels: each column is
// COLUMN pixels wide and centred on its node's vertex, 9 i - 400 pixels from
// the middle of a canvas `width` wide.
const firstColumn = (width) => width / 2 - 400 - Math.floor(COLUMN / 2);

// Takes every frame the program draws from the start, and sets up the
// pictures and controls once the string's first picture is up.
export function explainRun(view, program) {
  // The last ROWS frames' colours, a node a pixel, the newest in row 0;
  // transparent where there is no frame yet, which shows the picture's grey.
  const rows = new ImageData(NODES, ROWS);
  const trace = energyTrace();
  const run = { latest: null, elements: null, describing: false };

  const addRow = (current) => {
    rows.data.copyWithin(4 * NODES, 0, 4 * NODES * (ROWS - 1));
    for (let i = 0; i < NODES; i += 1) rows.data.set([...colourOf(current[i]), 255], 4 * i);
  };

  // The frame shown, in the history tool's own figures, and the trace.
  const showNumbers = () => {
    const { trace: traceCanvas, numbers } = run.elements;
    const { latest } = run;
    const [frame, time, largest] = latest.line.trim().split(',');
    numbers.frame.textContent = frame;
    numbers.time.textContent = time;
    numbers.largest.textContent = largest;
    numbers.node.textContent = String(latest.largestNode);
    numbers.energy.textContent = (latest.energy / latest.energyAtStart).toPrecision(9);
    if (trace.changed) drawTrace(traceCanvas, trace);
  };

  const draw = () => {
    const { picture, rowsCanvas } = run.elements;
    const { width } = view.canvas;
    if (picture.width !== width) picture.width = width;
    rowsCanvas.getContext('2d').putImageData(rows, 0, 0);
    const context = picture.getContext('2d');
    context.clearRect(0, 0, width, ROWS);
    context.imageSmoothingEnabled = false;
    context.drawImage(rowsCanvas, firstColumn(width), 0, NODES * COLUMN, ROWS);
    const running = view.stateText.textContent === 'running';
    if (!running || run.latest.frame % NUMBERS_EVERY === 0) showNumbers();
  };

  // The picture as shown, on its grey, as PNG.
  const savePicture = () => {
    const { picture } = run.elements;
    const shown = document.createElement('canvas');
    shown.width = picture.width;
    shown.height = ROWS;
    const context = shown.getContext('2d');
    context.fillStyle = getComputedStyle(picture).backgroundColor;
    context.fillRect(0, 0, shown.width, ROWS);
    context.drawImage(picture, 0, 0);
    shown.toBlob((png) => download(png, `vibrating-string-space-time-${run.latest.frame}.png`), 'image/png');
  };

  const say = () => {
    run.elements.description.textContent = describe(run.latest);
    run.describing = true;
  };

  program.onFrameShown = (record) => {
    try {
      addRow(record.current);
      trace.add(record.frame, record.energy / record.energyAtStart);
      run.latest = record;
      if (!run.elements) return;
      if (!run.elements.body.hidden) draw();
      // Stopped, the words follow the picture (a redraw moves it on a frame); running, they wait.
      if (run.describing && view.stateText.textContent === 'stopped') say();
    } catch (error) {
      console.error(error); // and the string draws on
    }
  };

  view.onStopped.push(() => {
    if (!run.elements.body.hidden) showNumbers();
    say();
  });
  view.onRunning.push(() => { run.describing = false; });
  view.whenReady.push(() => {
    const elements = findElements();
    elements.rowsCanvas = document.createElement('canvas');
    elements.rowsCanvas.width = NODES;
    elements.rowsCanvas.height = ROWS;
    run.elements = elements;
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
    document.getElementById('save-picture').addEventListener('click', savePicture);
    elements.section.hidden = false;
    draw();
  });
}
