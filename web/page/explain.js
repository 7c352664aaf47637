// SPDX-License-Identifier: GPL-3.0-or-later
// What the string does, beside its picture: the space-time picture (one row
// per picture drawn, the newest on top, node i's column under node i's
// vertex), the numbers of the frame shown with the energy's trace, the
// picture in words, and the run saved as CSV or PNG. The program hands over
// every frame it draws (Module.onFrameShown) with its fields, computed by the
// same C++ as vibrating-string-history's, and where it draws the string
// (Module.stringGeometry); the page only shows them, in the learner's
// language and number format (language.js). One node can be followed too
// (node_trace.js).
import { formatNumber, onLanguageChange, show, t } from './language.js';
import { drawNodeTrace, nodeAt, nodeNamed, placeColumnMarks, plotTrace } from './node_trace.js';

//
// A frame costs the page little, since it comes at the display's pace
// beside the string's own work: its colours go into one row of a ring kept
// in place, the space-time picture is a canvas of a pixel per node and
// frame that the browser scales (shifted down a row and the new row put in,
// and only while shown), and the numbers follow every few frames.

const ROWS = 300; // frames the space-time picture keeps
// Displacements are coloured as drawn (geometry.heightScale times their
// size, in world units); beyond +-RANGE the picture shows the end colours.
const RANGE = 1.5;
// A diverging scale after ColorBrewer's RdBu, which people with the common
// colour-vision deficiencies still read: down blue, up red, white at rest.
// The legend's bar is drawn from it too.
const SCALE = [[-1, [33, 102, 172]], [-0.5, [146, 197, 222]], [0, [255, 255, 255]],
  [0.5, [244, 165, 130]], [1, [178, 24, 43]]];
const TRACE_POINTS = 300;
// While the string runs, the numbers change faster than anyone reads them,
// and each change lays the page out again: they follow every few frames,
// and every frame once it stops.
const NUMBERS_EVERY = 10;

// Writes the colour of `height` (drawn height over RANGE) into `pixels` at `at`.
function putColour(pixels, at, height) {
  const t = Math.max(-1, Math.min(1, height));
  let k = 0;
  while (k < SCALE.length - 2 && t > SCALE[k + 1][0]) k += 1;
  const [from, low] = SCALE[k];
  const [to, high] = SCALE[k + 1];
  const f = (t - from) / (to - from);
  for (let c = 0; c < 3; c += 1) pixels[at + c] = Math.round(low[c] + (high[c] - low[c]) * f);
  pixels[at + 3] = 255;
}

// The numbers' figures: the history tool's significant digits (%.6g for
// times, %.9g for sizes), in the learner's number format; as %g does, in
// scientific notation where a number is that small or large.
const TIME = { maximumSignificantDigits: 6 };
const SIZE = { maximumSignificantDigits: 9 };
const RATIO = { minimumSignificantDigits: 9, maximumSignificantDigits: 9 };
const fixed = (digits) => ({ minimumFractionDigits: digits, maximumFractionDigits: digits });
function general(value, options) {
  const scientific = value !== 0 && (Math.abs(value) < 1e-4 || Math.abs(value) >= 10 ** options.maximumSignificantDigits);
  return formatNumber(value, scientific ? { ...options, notation: 'scientific' } : options);
}

// The words for a frame: where the string is furthest from rest, up and
// down, which way those parts move (from the two stored levels), and the
// energy against the start. Worded when said, in the language of the moment.
function describe(record, geometry, tracedNode) {
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
    words.push(t('describe.ends'));
    return words.reduce((first, next) => t('describe.join', { first, next }));
  };
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
  plotTrace(canvas, trace.points, Math.min(1, ...trace.points), Math.max(1, ...trace.points), 1);
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
    picture: byId('spacetime'), pictureSize: byId('spacetime-size'), pictureStage: byId('spacetime-stage'), legendBar: byId('legend-bar'),
    trace: byId('energy-trace'), description: byId('description'), recordNote: byId('record-note'),
    legendDown: byId('legend-down'), legendUp: byId('legend-up'), legendNote: byId('legend-note'),
    numberList: byId('numbers'),
    nodeMark: byId('node-mark'), nodeInput: byId('node'), nodeLabel: byId('node-label'), nodeValue: byId('number-node-value'),
    nodeTrace: byId('node-trace'), saveNode: byId('save-node'), endHeld: byId('end-held'), endFree: byId('end-free'),
    numbers: {
      frame: byId('number-frame'), time: byId('number-time'), largest: byId('number-largest'),
      node: byId('number-node'), energy: byId('number-energy'),
    },
  };
}

// The space-time picture's rows: a ring of ROWS rows of a pixel per node,
// the newest frame's row at `newest`, the older ones after it.
function rowRing(nodes) {
  // Clear until a frame fills them. values: the rows' frames' displacements;
  // filled: how many rows hold a frame.
  const ring = {
    pixels: new Uint8ClampedArray(4 * nodes * ROWS), values: new Float64Array(nodes * ROWS), newest: 0, filled: 0,
  };
  ring.add = (current, heightScale) => {
    ring.newest = (ring.newest + ROWS - 1) % ROWS;
    ring.filled = Math.min(ring.filled + 1, ROWS);
    ring.values.set(current, nodes * ring.newest);
    const start = 4 * nodes * ring.newest;
    for (let i = 0; i < nodes; i += 1) putColour(ring.pixels, start + 4 * i, (heightScale * current[i]) / RANGE);
  };
  // The rows as shown, the newest on top.
  ring.image = () => {
    const image = new ImageData(nodes, ROWS);
    const split = 4 * nodes * ring.newest;
    image.data.set(ring.pixels.subarray(split));
    image.data.set(ring.pixels.subarray(0, split), ring.pixels.length - split);
    return image;
  };
  // Node `node`'s displacement in the frames kept, the oldest first.
  ring.history = (node) => Array.from({ length: ring.filled },
    (_, k) => ring.values[nodes * ((ring.newest + ring.filled - 1 - k) % ROWS) + node]);
  // The newest row, in an image of one row kept for it.
  const row = new ImageData(nodes, 1);
  ring.newestRow = () => {
    row.data.set(ring.pixels.subarray(4 * nodes * ring.newest, 4 * nodes * (ring.newest + 1)));
    return row;
  };
  return ring;
}

// Takes every frame the program draws from the start, and sets up the
// pictures and controls once the string's first picture is up.
export function explainRun(view, program) {
  const trace = energyTrace();
  // pictureFrame: the newest frame in the picture's canvas; width: the string canvas's, as last placed.
  // onScreen: which of the picture's and the numbers' boxes are.
  const run = {
    ring: null, latest: null, elements: null, describing: false, pictureFrame: -1, width: 0, onScreen: new Set(),
    recordEnded: false,
  };

  // The picture's columns under the string's vertices, on a canvas `width`
  // pixels wide: node i's column is as wide as the nodes' spacing and
  // centred on its vertex; the picture's box is the string canvas's.
  const placePicture = () => {
    const { picture, pictureSize } = run.elements;
    const { positions, pixelsPerUnit } = program.stringGeometry;
    const { width, height } = view.canvas;
    const column = Math.round((positions[1] - positions[0]) * pixelsPerUnit);
    const left = width / 2 + positions[0] * pixelsPerUnit - Math.floor(column / 2);
    pictureSize.width = width;
    pictureSize.height = height;
    picture.style.left = `${(100 * left) / width}%`;
    picture.style.width = `${(100 * column * positions.length) / width}%`;
    run.width = width;
    run.columns = { left, column, width, nodes: positions.length };
    placeColumnMarks(run.elements, run.columns, view.tracedNode);
  };

  // The frame shown, in the history tool's figures, and the trace.
  const showNumbers = () => {
    const { trace: traceCanvas, numbers } = run.elements;
    const { latest } = run;
    numbers.frame.textContent = formatNumber(latest.frame);
    numbers.time.textContent = general(latest.time, TIME);
    numbers.largest.textContent = general(latest.largest, SIZE);
    numbers.node.textContent = formatNumber(latest.largestNode);
    numbers.energy.textContent = formatNumber(latest.energy / latest.energyAtStart, RATIO);
    if (trace.changed) drawTrace(traceCanvas, trace);
    if (view.tracedNode !== null) {
      run.elements.nodeValue.textContent = general(latest.current[view.tracedNode], SIZE);
      drawNodeTrace(run.elements.nodeTrace, run.ring.history(view.tracedNode));
    }
  };

  // Traces `node` (or none): its column marked, its displacement with the numbers, its Save node.
  const traceNode = (node) => {
    view.tracedNode = node;
    const { nodeInput, nodeLabel, nodeValue, nodeTrace, saveNode } = run.elements;
    if (document.activeElement !== nodeInput) nodeInput.value = node === null ? '' : String(node);
    for (const element of [nodeLabel, nodeValue, nodeTrace, saveNode]) element.hidden = node === null;
    show(nodeLabel, node === null ? null : () => t('explain.nodeValue', { node: formatNumber(node) }));
    placeColumnMarks(run.elements, run.columns, node);
    if (!run.elements.body.hidden) showNumbers();
  };

  // The traced node's displacement in the frames kept, in the history tool's formats.
  const saveNode = () => {
    const node = view.tracedNode;
    const values = run.ring.history(node);
    const first = run.latest.frame - values.length + 1;
    const line = (frame, value) => program.UTF8ToString(program._node_csv_line(frame, value));
    const lines = [line(-1, 0), ...values.map((value, k) => line(first + k, value))];
    download(new Blob(lines, { type: 'text/csv' }), `vibrating-string-node-${node}-frames-${first}-${run.latest.frame}.csv`);
  };

  // The picture's canvas as of the frame shown.
  const updatePicture = () => {
    const { frame } = run.latest;
    if (view.canvas.width !== run.width) placePicture();
    const context = run.elements.picture.getContext('2d');
    if (run.pictureFrame === frame - 1) {
      // One frame on: the rows move down one, and the new one goes on top.
      context.globalCompositeOperation = 'copy';
      context.drawImage(context.canvas, 0, 1);
      context.putImageData(run.ring.newestRow(), 0, 0);
    } else if (run.pictureFrame !== frame) {
      context.putImageData(run.ring.image(), 0, 0);
    }
    run.pictureFrame = frame;
  };

  // The picture and the numbers as of the frame shown; while the string
  // runs, only those on screen, and the numbers every few frames.
  const draw = () => {
    const onScreen = (element) => !view.running || run.onScreen.has(element);
    if (onScreen(run.elements.numberList) && (!view.running || run.latest.frame % NUMBERS_EVERY === 0)) {
      showNumbers();
    }
    if (onScreen(run.elements.pictureStage)) updatePicture();
  };

  // The picture as shown, on its grey, at the string canvas's width, as PNG.
  const savePicture = () => {
    updatePicture(); // it may have been out of view
    const { picture } = run.elements;
    const shown = document.createElement('canvas');
    shown.width = view.canvas.width;
    shown.height = ROWS;
    const context = shown.getContext('2d');
    context.fillStyle = getComputedStyle(run.elements.pictureStage).backgroundColor;
    context.fillRect(0, 0, shown.width, ROWS);
    context.imageSmoothingEnabled = false;
    const at = (style) => (parseFloat(style) * shown.width) / 100;
    context.drawImage(picture, at(picture.style.left), 0, at(picture.style.width), ROWS);
    // Named now: the string may run on while the PNG is made.
    const name = `vibrating-string-space-time-${run.latest.frame}.png`;
    shown.toBlob((png) => download(png, name), 'image/png');
  };

  // The record as the history tool writes it, piece by piece from the
  // program, so that its size, however long the run, is the browser's to
  // hold and never the program's.
  const saveData = () => {
    try {
      const pieces = [];
      for (let piece = 0; ; piece += 1) {
        const text = program.UTF8ToString(program._history_csv_piece(piece));
        if (text === '') break;
        pieces.push(text);
      }
      download(new Blob(pieces, { type: 'text/csv' }), `vibrating-string-frames-0-${run.latest.kept - 1}.csv`);
    } catch (error) {
      show(run.elements.recordNote, () => t('record.saveFailed', { detail: error.message }));
    }
  };

  const say = () => {
    show(run.elements.description, describe(run.latest, program.stringGeometry, view.tracedNode));
    run.describing = true;
  };

  // Once the program can keep no more of the run, the page says so, once.
  const noteRecordEnd = (record) => {
    if (run.recordEnded) return;
    run.recordEnded = true;
    show(run.elements.recordNote, () => t('record.ended', { last: formatNumber(record.kept - 1) }));
  };

  program.onFrameShown = (record) => {
    try {
      run.ring ??= rowRing(record.current.length);
      run.ring.add(record.current, program.stringGeometry.heightScale);
      trace.add(record.frame, record.energy / record.energyAtStart);
      run.latest = record;
      if (!run.elements) return;
      if (record.kept <= record.frame) noteRecordEnd(record);
      if (!run.elements.body.hidden) draw();
      // Stopped, the words follow the picture (a redraw moves it on a frame); running, they wait.
      if (run.describing && !view.running) say();
    } catch (error) {
      console.error(error); // and the string draws on
    }
  };

  view.onRunningChange.push((running) => {
    if (running) {
      run.describing = false;
      return;
    }
    if (!run.elements.body.hidden) draw();
    say();
  });
  view.whenReady.push(() => {
    const elements = findElements();
    run.elements = elements;
    elements.legendBar.style.background = `linear-gradient(to right, ${SCALE
      .map(([, rgb]) => `rgb(${rgb.join(' ')})`).join(', ')})`;
    for (const [element, key] of [[elements.legendDown, 'explain.legendDown'], [elements.legendUp, 'explain.legendUp'],
      [elements.legendNote, 'explain.legendNote']]) {
      show(element, () => t(key, { range: formatNumber(RANGE) }));
    }
    // The numbers in the new language's format; the words follow by themselves.
    onLanguageChange.push(() => {
      if (!elements.body.hidden) showNumbers();
    });
    elements.picture.width = program.stringGeometry.nodes;
    elements.picture.height = ROWS;
    // As the link asks, whatever the browser restores on a reload.
    elements.toggle.checked = view.explainShown;
    elements.body.hidden = !view.explainShown;
    elements.toggle.addEventListener('change', () => {
      elements.body.hidden = !elements.toggle.checked;
      if (!elements.body.hidden) draw();
    });
    document.getElementById('describe').addEventListener('click', say);
    document.getElementById('save-data').addEventListener('click', saveData);
    document.getElementById('save-picture').addEventListener('click', savePicture);
    elements.saveNode.addEventListener('click', saveNode);
    // A node is chosen by a tap or click on its column, or by its number.
    elements.pictureStage.addEventListener('click', (event) => {
      const node = nodeAt(run.columns, event.clientX, elements.pictureSize.getBoundingClientRect());
      if (node !== null) traceNode(node);
    });
    elements.nodeInput.addEventListener('change', () => traceNode(nodeNamed(elements.nodeInput.value, elements.nodeInput)));
    // Scrolled back into view while the string runs, they catch up at once.
    const watch = new IntersectionObserver((changes) => {
      for (const change of changes) {
        if (change.isIntersecting) run.onScreen.add(change.target);
        else run.onScreen.delete(change.target);
      }
      if (!elements.body.hidden) draw();
    });
    watch.observe(elements.pictureStage);
    watch.observe(elements.numberList);
    elements.section.hidden = false;
    placePicture();
    traceNode(view.tracedNode);
    draw();
  });
}
