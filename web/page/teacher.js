// SPDX-License-Identifier: GPL-3.0-or-later
// A teacher's link: the page opens as the link sets it (?lang= is
// language.js's; width, speed, node traced, mode chosen and the explanation
// here), and Copy link makes one from the page as it stands.
import { widthOffered } from './controls.js';
import { SPEEDS, modeNamed, nodeNamed } from './facts.js';
import { language, showMessage } from './language.js';

// What a link asks for, each value checked against what its control
// accepts; anything missing, unknown or out of range is the default.
function linkSettings() {
  const params = new URLSearchParams(window.location.search);
  const whole = (name, accepts) => {
    const text = params.get(name);
    const value = Number(text);
    return text !== null && /^\d+$/.test(text) && accepts(value) ? value : null;
  };
  return {
    width: whole('width', widthOffered),
    speed: whole('speed', (value) => SPEEDS.includes(value)) ?? 1,
    node: nodeNamed(params.get('node')),
    mode: modeNamed(params.get('modes')),
    explain: params.get('explain') !== 'off',
  };
}

// The settings from the link, in place before the program runs: its first
// picture is drawn at the width asked for.
export function applyLinkSettings(store, canvas) {
  const settings = linkSettings();
  if (settings.width !== null) canvas.width = settings.width;
  store.set('speed', settings.speed);
  store.set('tracedNode', settings.node);
  store.set('chosenMode', settings.mode);
  store.set('explainShown', settings.explain);
}

// The page as it stands, as a link.
function pageLink(store, canvas) {
  const url = new URL(window.location.href);
  url.hash = '';
  const [node, mode] = [store.get('tracedNode'), store.get('chosenMode')];
  url.search = new URLSearchParams({
    lang: language(), width: String(canvas.width), speed: String(store.get('speed')),
    ...(node === null ? {} : { node: String(node) }),
    ...(mode === null ? {} : { modes: String(mode) }),
    explain: store.get('explainShown') ? 'on' : 'off',
  }).toString();
  return url.href;
}

export function wireLink(store, canvas) {
  const [field, note] = [document.getElementById('teacher-link'), document.getElementById('link-note')];
  document.getElementById('copy-link').addEventListener('click', async () => {
    field.value = pageLink(store, canvas);
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
