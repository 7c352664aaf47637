// SPDX-License-Identifier: GPL-3.0-or-later
// When the browser takes the WebGL context away (a GPU reset, a phone
// reclaiming it), the string pauses (program_frames.js holds its frames)
// and the page says so; when the context comes back, so does the string,
// at the frame it had reached.
import { showFailure } from './status.js';

export function watchContext(store, program, canvas, releaseFrames) {
  canvas.addEventListener('webglcontextlost', (event) => {
    event.preventDefault(); // lets the browser restore the context
    if (store.get('failed')) return;
    store.set('contextLost', true);
  });
  canvas.addEventListener('webglcontextrestored', () => {
    if (store.get('failed')) return;
    // A restored context has none of the GL state the program made: make it
    // again as GLUT's window did (the same attributes, the GL emulation's
    // set-up), then the program's own clear colour, and a reshape, as for a
    // resized window, which sets its view and draws the string again.
    program.ctx = null;
    if (!program.createContext(canvas, true, true, { antialias: false, depth: false, stencil: false, alpha: false })) {
      showFailure(store, 'failure.graphicsLost');
      return;
    }
    program.ctx.clearColor(1, 1, 1, 1);
    store.set('contextLost', false);
    program._resize_canvas(canvas.width, canvas.height);
    releaseFrames();
  });
}
