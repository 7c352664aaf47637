// SPDX-License-Identifier: GPL-3.0-or-later
// ESLint over all of the project's JavaScript: its recommended rules, and
// for each file the globals of where it runs.
import js from '@eslint/js';
import globals from 'globals';

// What Emscripten's output gives the page: the program's Module, and GLUT's state.
const emscripten = { Module: 'writable', GLUT: 'readonly' };

// For sources that are filled in before they are JavaScript (Emscripten's
// {{{ }}} macros, configure_file's @NAMES@): each gap becomes the name `macro`,
// padded to the same length, so that the rest is linted as it stands and
// every finding keeps its place.
const template = {
  preprocess: (text) => [text.replace(/\{\{\{.*?\}\}\}|@\w+@/g, (gap) => 'macro'.padEnd(gap.length))],
  postprocess: (messages) => messages.flat(),
};

export default [
  // The builds' output, Emscripten's and esbuild's.
  { ignores: ['build*/', 'dist/'] },
  js.configs.recommended,
  // The page's own modules, in the browser beside Emscripten's output, which
  // they reach through window.Module only.
  { files: ['web/page/*.js'], languageOptions: { sourceType: 'module', globals: globals.browser } },
  // A library that Emscripten preprocesses and merges into its output, with its runtime in scope.
  {
    files: ['viewer/glut_idle.js'],
    processor: template,
    languageOptions: {
      sourceType: 'script',
      globals: {
        ...globals.browser, ...emscripten, macro: 'readonly', mergeInto: 'readonly', LibraryManager: 'readonly',
        Browser: 'readonly', ABORT: 'readonly', callUserCallback: 'readonly', safeSetTimeout: 'readonly',
        EMSCRIPTEN_VERSION: 'readonly', MainLoop: 'readonly',
      },
    },
  },
  // The service worker, which cmake/site.mjs fills in.
  {
    files: ['web/sw.js.in'],
    processor: template,
    languageOptions: { sourceType: 'script', globals: { ...globals.serviceworker, macro: 'readonly' } },
  },
  // The tools, the server and the tests run under Node; the functions they
  // hand to page.evaluate run in the page.
  {
    files: ['**/*.mjs'],
    languageOptions: { globals: { ...globals.node, ...globals.browser, ...emscripten } },
  },
];
