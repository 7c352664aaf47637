// SPDX-License-Identifier: GPL-3.0-or-later
// What a teacher sets up for a lesson: the next frame on demand while the
// string is stopped, slow motion (a picture every 1, 2, 4, 8 or 16 display
// refreshes, each still the next frame: context_loss.js holds the rest back),
// and a link that opens the page as it is set (with language.js's ?lang=).
import { language, show, showMessage, t, whenIdle } from './language.js';
import { nodeNamed } from './node_trace.js';

const SPEEDS = [1, 2, 4, 8, 16];

// What a link asks for, each value checked against what its control
// accepts; anything missing, unknown or out of range is the default.
function linkSettings() {
  const params = new URLSearchParams(window.location.search);
  const whole = (name, accepts) => {
    const text = params.get(name);
    const value = Number(text);
    return text !== null && /^\d+$/.test(text) && accepts(value) ? value : null;
  };
  const width = document.getElementById('width');
  return {
    width: whole('width', (value) => value >= Number(width.min) && value <= Number(width.max) &&
      (value - Number(width.min)) % Number(width.step) === 0),
    speed: whole('speed', (value) => SPEEDS.includes(value)) ?? 1,
    node: nodeNamed(params.get('node'), document.getElementById('node')),
    explain: params.get('explain') !== 'off',
  };
}

// The page as it stands, as a link.
function pageLink(view) {
  const url = new URL(window.location.href);
  url.hash = '';
  url.search = new URLSearchParams({
    lang: language(), width: String(view.canvas.width), speed: String(view.speed),
    ...(view.tracedNode === null ? {} : { node: String(view.tracedNode) }),
    explain: document.getElementById('explain-toggle').checked ? 'on' : 'off',
  }).toString();
  return url.href;
}

function wireSpeed(view) {
  const menu = document.getElementById('speed');
  for (const refreshes of SPEEDS) {
    const option = new Option('', String(refreshes));
    whenIdle(() => show(option, () => t('control.speedOption', { refreshes })));
    menu.append(option);
  }
  menu.value = String(view.speed);
  menu.addEventListener('change', () => { view.speed = Number(menu.value); });
}

function wireLink(view) {
  const field = document.getElementById('teacher-link');
  const note = document.getElementById('link-note');
  document.getElementById('copy-link').addEventListener('click', async () => {
    field.value = pageLink(view);
    field.hidden = false;
    try {
      await navigator.clipboard.writeText(field.value);
      showMessage(note, 'link.copied');
    } catch {
      // No clipboard for this page (from disk, or not allowed): the link is there to copy by hand.
      field.select();
      showMessage(note, 'link.copyFailed');
    }
  });
}

// The settings from the link, in place before the program runs: its first
// picture is drawn at the width asked for.
export function applyLinkSettings(view) {
  const settings = linkSettings();
  if (settings.width !== null) view.canvas.width = settings.width;
  view.speed = settings.speed;
  view.tracedNode = settings.node;
  view.explainShown = settings.explain;
}

export function wireTeacherControls(view, program) {
  wireSpeed(view);
  wireLink(view);
  // The same redraw a window system asks for: one more picture, the next frame.
  document.getElementById('next-frame').addEventListener('click', () => {
    if (view.ready && !view.running) program._redraw();
  });
}
