// SPDX-License-Identifier: GPL-3.0-or-later
// The page's words in the learner's language: every text comes from the
// catalogs (messages/, compiled at build time), and every number is written
// by the browser's Intl in that language's format. English is in this
// script, as the page's HTML is; each other language is a script of its own
// (messages.CODE.js), which registers itself in window.vibratingStringCatalogs:
// the one the page opens in is fetched by boot.js, the others when chosen.
// Each carries the page's own words as written at build time, so showing
// them formats no number. Switching redraws every word and number in
// place: nothing of the run is touched.
import english, { words as englishWords } from 'vibrating-string-messages/en.js';
import { LANGUAGES } from 'vibrating-string-messages/languages.js';

import { FALLBACK, catalogFile, endedMarked, offeredAs, remember } from './language_choice.js';
import { wordKey } from './words.js';

let store = null; // the page's, which holds the language
const rendered = new Map(); // element: () => its text, for the texts the page sets as it runs
const formats = new Map();

const catalog = (code) => (code === FALLBACK ? { default: english, words: englishWords } : window.vibratingStringCatalogs?.[code]);

export const language = () => store?.get('language') ?? FALLBACK;

// The message `key` in the present language, its placeholders from `args`.
export const t = (key, args = {}) => catalog(language()).default[key](args);

// `value` as the present language writes numbers, with Intl.NumberFormat's
// `options`. A language's first format loads its number data, which takes
// tens of milliseconds: the page formats none before its first picture.
export function formatNumber(value, options = {}) {
  const id = `${language()} ${JSON.stringify(options)}`;
  if (!formats.has(id)) formats.set(id, new Intl.NumberFormat(language(), options));
  return formats.get(id).format(value);
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

// The catalog of `code`, fetched unless it is here already: boot.js's
// fetch while it is under way, else a new one (once boot.js's has ended
// without the catalog, the fetch is tried once more).
function loadCatalog(code) {
  if (catalog(code)) return Promise.resolve();
  return new Promise((loaded, failed) => {
    let script = document.querySelector(`script[src="${catalogFile(code)}"]`);
    if (!script || 'ended' in script.dataset) {
      script?.remove();
      script = document.head.appendChild(Object.assign(document.createElement('script'), { src: catalogFile(code) }));
    }
    script.addEventListener('load', () => (catalog(code) ? loaded() : failed()));
    script.addEventListener('error', failed);
    endedMarked(script);
  });
}

// Every word and number of the page in `code`; then the parts that follow
// the language hear of it.
function apply(code) {
  const written = language(); // the language the page's words are in
  store.set('language', code);
  const root = document.documentElement;
  const offered = offeredAs(code);
  root.lang = code;
  root.dir = offered.direction;
  if (code !== written) {
    const { words } = catalog(code);
    for (const element of document.querySelectorAll('[data-message]')) {
      element.textContent = words[wordKey(element.dataset.message, JSON.parse(element.dataset.messageArgs ?? '{}'))];
    }
    for (const name of ['aria-label', 'content']) {
      for (const element of document.querySelectorAll(`[data-message-${name}]`)) {
        element.setAttribute(name, words[element.getAttribute(`data-message-${name}`)]);
      }
    }
  }
  for (const [element, render] of rendered) element.textContent = render();
  // The web app installed from here is named in this language too.
  const manifest = document.querySelector('link[rel="manifest"]');
  if (manifest) manifest.href = offered.manifest;
  document.getElementById('language').value = code;
}

// The page in the language boot.js chose, once its catalog is here, or in
// English if it cannot be fetched. A choice from the menu is kept for the
// next visit, and in the link, if it named one, so that the link still says
// what the page shows; where its catalog cannot be fetched (offline before
// it was ever kept), the page says so and stays as it is.
export function chooseLanguage(pageStore) {
  store = pageStore;
  const [menu, note] = [document.getElementById('language'), document.getElementById('language-note')];
  const failed = (code) => showMessage(note, 'language.failed',
    { language: LANGUAGES.find((offered) => offered.code === code)?.name ?? code });
  menu.addEventListener('change', async () => {
    const code = menu.value;
    let fetched = true;
    await loadCatalog(code).catch(() => { fetched = false; });
    // A later choice, made while this one's catalog came, is the one that counts.
    if (menu.value !== code) return;
    if (!fetched) {
      menu.value = language();
      failed(code);
      return;
    }
    show(note, null);
    remember(code);
    const url = new URL(window.location.href);
    if (url.searchParams.has('lang')) {
      url.searchParams.set('lang', code);
      window.history.replaceState(window.history.state, '', url);
    }
    apply(code);
  });
  const chosen = document.documentElement.lang;
  if (catalog(chosen)) {
    apply(chosen);
  } else {
    loadCatalog(chosen).then(() => apply(chosen), () => {
      apply(FALLBACK);
      failed(chosen);
    });
  }
}
