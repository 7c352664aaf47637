// SPDX-License-Identifier: GPL-3.0-or-later
// The numbers of the frame shown, in the history tool's figures and the
// learner's number format: its number, time, largest displacement and its
// node, the energy against frame 0's with its trace over the run; and the
// traced node, chosen by its number here, its displacement now and over
// the frames kept.
import { NODES, nodeNamed } from './facts.js';
import { formatNumber, show, t } from './language.js';

// The history tool's significant digits (%.6g for times, %.9g for sizes);
// as %g does, in scientific notation where a number is that small or large.
export const TIME = { maximumSignificantDigits: 6 };
export const SIZE = { maximumSignificantDigits: 9 };
const RATIO = { minimumSignificantDigits: 9, maximumSignificantDigits: 9 };
// A mode's growth a frame is a factor a hair over 1: what it says is the
// excess, given as a share to three digits.
const EXCESS = { style: 'percent', minimumSignificantDigits: 3, maximumSignificantDigits: 3 };
export const growthShown = (growth) => formatNumber(growth - 1, EXCESS);
// Writes `text` into `element`'s one text, and only where it changed: a text
// changed in place costs the browser far less than one put in anew.
export function writeText(element, text) {
  if (element.firstChild?.nodeType !== Node.TEXT_NODE || element.childNodes.length > 1) element.textContent = text;
  else if (element.firstChild.data !== text) element.firstChild.data = text;
}
export const fixed = (digits) => ({ minimumFractionDigits: digits, maximumFractionDigits: digits });
export function general(value, options) {
  const scientific = value !== 0 && (Math.abs(value) < 1e-4 || Math.abs(value) >= 10 ** options.maximumSignificantDigits);
  return formatNumber(value, scientific ? { ...options, notation: 'scientific' } : options);
}

const TRACE_POINTS = 300;

// The energy as a multiple of frame 0's, at most TRACE_POINTS points: every
// `stride`-th frame, the stride doubling whenever the points fill up, so a
// long run costs no more to draw than a short one.
export function energyTrace() {
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

// `values`, the oldest first, across the canvas, on a scale from `low` at
// the bottom to `high` at the top; a grey line marks `level`.
function plotTrace(canvas, values, low, high, level) {
  const context = canvas.getContext('2d');
  const { width, height } = canvas;
  // Its pixels are the screen's (crisp.js): lines as thick at any devicePixelRatio.
  const [line, margin] = [window.devicePixelRatio, 4 * window.devicePixelRatio];
  const spread = Math.max(high - low, 1e-6);
  const y = (value) => height - margin - ((value - low) / spread) * (height - 2 * margin);
  context.fillStyle = '#fff';
  context.fillRect(0, 0, width, height);
  context.lineWidth = line;
  context.strokeStyle = '#bbb';
  context.beginPath();
  context.moveTo(0, y(level));
  context.lineTo(width, y(level));
  context.stroke();
  context.strokeStyle = '#222';
  context.beginPath();
  values.forEach((value, i) => {
    const x = (i / Math.max(values.length - 1, 1)) * (width - line);
    if (i === 0) context.moveTo(x, y(value));
    else context.lineTo(x, y(value));
  });
  context.stroke();
}

// The numbers of `run`'s frame shown.
export function numberList(store, run) {
  const byId = (id) => document.getElementById(id);
  const list = byId('numbers');
  const numbers = Object.fromEntries(['frame', 'time', 'largest', 'node', 'energy']
    .map((name) => [name, byId(`number-${name}`)]));
  const [field, label, value, nodeTrace, energyCanvas] = ['node', 'node-label', 'number-node-value', 'node-trace',
    'energy-trace'].map(byId);
  field.max = String(NODES - 1);

  const showNumbers = () => {
    const { latest, energy } = run;
    writeText(numbers.frame, formatNumber(latest.frame));
    writeText(numbers.time, general(latest.time, TIME));
    writeText(numbers.largest, general(latest.largest, SIZE));
    writeText(numbers.node, formatNumber(latest.largestNode));
    writeText(numbers.energy, formatNumber(latest.energy / latest.energyAtStart, RATIO));
    if (energy.changed) {
      plotTrace(energyCanvas, energy.points, Math.min(1, ...energy.points), Math.max(1, ...energy.points), 1);
      energy.changed = false;
    }
    const node = store.get('tracedNode');
    if (node !== null) {
      writeText(value, general(latest.current[node], SIZE));
      // As far up as down, on a scale never narrower than one world unit either way; the line marks rest.
      const values = run.ring.history(node);
      const scale = Math.max(1, ...values.map(Math.abs));
      plotTrace(nodeTrace, values, -scale, scale, 0);
    }
  };
  const showIfShown = () => {
    if (store.get('explainShown')) showNumbers();
  };

  // Traces the node (or none): its number in the field, its displacement with the numbers.
  const followNode = (node) => {
    if (document.activeElement !== field) field.value = node === null ? '' : String(node);
    for (const element of [label, value, nodeTrace]) element.hidden = node === null;
    show(label, node === null ? null : () => t('explain.nodeValue', { node: formatNumber(node) }));
    showIfShown();
  };
  store.on('tracedNode', followNode);
  // In the new language's format; the words follow by themselves.
  store.on('language', showIfShown);
  field.addEventListener('change', () => store.set('tracedNode', nodeNamed(field.value)));
  followNode(store.get('tracedNode'));
  return { list, show: showNumbers };
}
