// SPDX-License-Identifier: GPL-3.0-or-later
// The first thing the page runs, inline in its head before anything is
// drawn: it marks the page as one with JavaScript (nothing marked needs-js
// is shown without, as it would look usable and do nothing), chooses the
// language, puts the page in its direction, and asks at once for its
// catalog, beside the page's script. Until the catalog has run the browser
// draws nothing (blocking="render"), so the page is first drawn in its own
// language and direction. The single file carries every catalog already.
import { FALLBACK, catalogFile, endedMarked, offeredAs, requestedLanguage } from './language_choice.js';

const root = document.documentElement;
root.classList.add('js');
const code = requestedLanguage();
root.lang = code;
root.dir = offeredAs(code).direction;
if (code !== FALLBACK && !window.vibratingStringCatalogs?.[code]) {
  const script = document.createElement('script');
  script.id = 'catalog';
  script.src = catalogFile(code);
  script.setAttribute('blocking', 'render');
  endedMarked(script);
  document.head.append(script);
}
