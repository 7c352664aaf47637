// SPDX-License-Identifier: GPL-3.0-or-later
// The program's files beside a served page: Emscripten's JavaScript and the
// WebAssembly it runs.
export const PROGRAM_SCRIPT = 'vibrating-string.js';
export const PROGRAM_WASM = 'vibrating-string.wasm';
