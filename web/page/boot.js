// SPDX-License-Identifier: GPL-3.0-or-later
// The first thing the page runs, inline in its head before anything is
// drawn: it marks the page as one with JavaScript (nothing marked needs-js
// is shown without, as it would look usable and do nothing), chooses the
// language, puts the page in its direction, and asks at once for its
// catalog, beside the page's script. Until the catalog has run the browser
// draws nothing (blocking="render"), so the page is first drawn in its own
// language and direction. A served page has the browser fetch the program
// at once too, which the page starts once it is drawn. The single file
// carries every catalog, there before this script, and the program.
import { FALLBACK, catalogFile, endedMarked, offeredAs, requestedLanguage } from './language_choice.js';
import { PROGRAM_SCRIPT, PROGRAM_WASM } from './program_files.js';

const singleFile = window.vibratingStringCatalogs !== undefined;

const root = document.documentElement;
root.classList.add('js');
const code = requestedLanguage();
root.lang = code;
root.dir = offeredAs(code).direction;
if (!singleFile && window.location.protocol !== 'file:') {
  document.head.append(Object.assign(document.createElement('link'), { rel: 'preload', href: PROGRAM_SCRIPT, as: 'script' }));
  // The fetch loading.js reads the WebAssembly from, and names its failures
  // from, as every browser reports them alike (not so a preload's).
  window.vibratingStringWasm = fetch(PROGRAM_WASM, { credentials: 'same-origin' });
  window.vibratingStringWasm.catch(() => {}); // loading.js's to report, once it runs
}
if (code !== FALLBACK && !singleFile) {
  const script = document.createElement('script');
  script.id = 'catalog';
  script.src = catalogFile(code);
  script.setAttribute('blocking', 'render');
  endedMarked(script);
  document.head.append(script);
}
