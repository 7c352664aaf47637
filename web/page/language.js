// SPDX-License-Identifier: GPL-3.0-or-later
// The page's words in the learner's language: every text comes from the
// catalogs (messages/, compiled at build time into
// vibrating-string-messages), and every number is written by the browser's
// Intl in that language's format. The language is the link's (?lang=), else
// the one chosen before, else the best match of the browser's, else English.
// Switching redraws every word and number in place: nothing of the run is
// touched.
import MESSAGES, { LANGUAGES, PSEUDO } from 'vibrating-string-messages';

import { factsInWords } from './facts.js';
import { bestMatch } from './language_match.js';

const FALLBACK = 'en';
const STORAGE_KEY = 'vibrating-string-language';

let store = null; // the page's, which holds the language
const rendered = new Map(); // element: () => its text, for the texts the page sets as it runs
const formats = new Map();

export const language = () => store?.get('language') ?? FALLBACK;

// The message `key` in the present language, its placeholders from `args`.
export const t = (key, args = {}) => MESSAGES[language()][key](args);

// `value` as the present language writes numbers, with Intl.NumberFormat's `options`.
export function formatNumber(value, options = {}) {
  const id = `${language()} ${JSON.stringify(options)}`;
  if (!formats.has(id)) formats.set(id, new Intl.NumberFormat(language(), options));
  return formats.get(id).format(value);
}

// The browser's first number format loads its number data, which takes tens
// of milliseconds: texts with numbers that are shown before the program has
// drawn wait until the browser is idle (while the program compiles), so that
// they never hold up the first picture.
export function whenIdle(callback) {
  if (window.requestIdleCallback) window.requestIdleCallback(callback, { timeout: 500 });
  else setTimeout(callback, 0);
}

// Shows `render()` in `element` now and again in each language chosen later;
// null empties it.
export function show(element, render) {
  element.removeAttribute('data-message');
  if (render === null) {
    rendered.delete(element);
    element.textContent = '';
    return;
  }
  rendered.set(element, render);
  element.textContent = render();
}
export const showMessage = (element, key, args) => show(element, () => t(key, args));

// Storage can be turned off, or full: then the choice lasts as long as the page.
function remembered() {
  try {
    return window.localStorage.getItem(STORAGE_KEY);
  } catch {
    return null;
  }
}
function remember(code) {
  try {
    window.localStorage.setItem(STORAGE_KEY, code);
  } catch {
    // Nothing to keep it in.
  }
}

function requested() {
  const asked = new URLSearchParams(window.location.search).get('lang');
  if (asked === PSEUDO && PSEUDO in MESSAGES) return PSEUDO;
  const stored = remembered();
  const offered = LANGUAGES.map(({ code }) => code);
  return (asked && bestMatch([asked], offered)) ?? (stored && bestMatch([stored], offered)) ??
    bestMatch(navigator.languages ?? [navigator.language], offered) ?? FALLBACK;
}

// Every word and number of the page in `code`; then the parts that follow
// the language hear of it.
function apply(code) {
  const written = language(); // the language the page's words are in
  store.set('language', code);
  const root = document.documentElement;
  root.lang = code;
  // English, first, for the test build's pseudo-language.
  const offered = LANGUAGES.find((candidate) => candidate.code === code) ?? LANGUAGES[0];
  root.dir = offered.direction;
  if (code !== written) {
    const facts = factsInWords(formatNumber);
    for (const element of document.querySelectorAll('[data-message]')) element.textContent = t(element.dataset.message, facts);
    for (const name of ['aria-label', 'content']) {
      for (const element of document.querySelectorAll(`[data-message-${name}]`)) {
        element.setAttribute(name, t(element.getAttribute(`data-message-${name}`), facts));
      }
    }
  }
  for (const [element, render] of rendered) element.textContent = render();
  // The web app installed from here is named in this language too.
  const manifest = document.querySelector('link[rel="manifest"]');
  if (manifest) manifest.href = offered.manifest;
  document.getElementById('language').value = code;
}

// The menu names each language in itself; a choice from it is kept for the
// next visit, and in the link, if it named one, so that the link still says
// what the page shows.
export function chooseLanguage(pageStore) {
  store = pageStore;
  const menu = document.getElementById('language');
  for (const { code, name } of LANGUAGES) {
    const option = new Option(name, code);
    option.lang = code;
    menu.append(option);
  }
  menu.addEventListener('change', () => {
    remember(menu.value);
    const url = new URL(window.location.href);
    if (url.searchParams.has('lang')) {
      url.searchParams.set('lang', menu.value);
      window.history.replaceState(window.history.state, '', url);
    }
    apply(menu.value);
  });
  apply(requested());
}
