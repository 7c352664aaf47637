// SPDX-License-Identifier: GPL-3.0-or-later
// Which language the page opens in: the link's (?lang=), else the one
// chosen before, else the best match of the browser's, else English; and
// where each language's catalog is, beside the page.
import { LANGUAGES, PSEUDO, REFERENCE } from 'vibrating-string-messages/languages.js';

import { bestMatch } from './language_match.js';

// English, the catalogs' reference, is the language the page is written in,
// and the one it falls back to.
export const FALLBACK = REFERENCE;
const STORAGE_KEY = 'vibrating-string-language';

export const catalogFile = (code) => `messages.${code}.js`;

// Marks a catalog's script once its fetch has ended, in success or failure.
export function endedMarked(script) {
  const ended = () => { script.dataset.ended = ''; };
  script.addEventListener('load', ended);
  script.addEventListener('error', ended);
}

// The languages offered, as each is written: English's for the test build's pseudo-language.
export const offeredAs = (code) => LANGUAGES.find((candidate) => candidate.code === code) ?? LANGUAGES[0];

// Storage can be turned off, or full: then the choice lasts as long as the page.
function remembered() {
  try {
    return window.localStorage.getItem(STORAGE_KEY);
  } catch {
    return null;
  }
}
export function remember(code) {
  try {
    window.localStorage.setItem(STORAGE_KEY, code);
  } catch {
    // Nothing to keep it in.
  }
}

export function requestedLanguage() {
  const asked = new URLSearchParams(window.location.search).get('lang');
  if (asked !== null && asked === PSEUDO) return PSEUDO;
  const stored = remembered();
  const offered = LANGUAGES.map(({ code }) => code);
  return (asked && bestMatch([asked], offered)) ?? (stored && bestMatch([stored], offered)) ??
    bestMatch(navigator.languages ?? [navigator.language], offered) ?? FALLBACK;
}
