// SPDX-License-Identifier: GPL-3.0-or-later
// The string's picture fitted to the screen, and its scale said. On a
// landscape screen the page's grid gives the string and its space-time
// picture a cell each, of the same size, with a line under each picture
// (the string's state, the ends' names): both are shown at the one width
// (--picture-width) at which the string's canvas, in its own proportions,
// fits a cell, so that each node's column stays under it. Elsewhere the
// page is one column and the canvas shows at its own width, or narrower to
// fit.
import { formatNumber, show, t } from './language.js';

export function fitString(store, program, canvas) {
  const column = document.getElementById('lesson-string');
  const [cell, line] = [column.querySelector('.picture-cell'), document.getElementById('state-line')];
  const scaleNote = document.getElementById('shown-scale');

  // Set only on a change: a property set anew, even to the same, lays the
  // page out again.
  let widthSet = '';
  const fit = () => {
    let width = '';
    if (getComputedStyle(column).display === 'grid') {
      const border = 2; // the stage's, 1 px each side
      const room = cell.clientHeight - line.offsetHeight - border;
      width = `${Math.max(Math.floor(Math.min(cell.clientWidth, (room * canvas.width) / canvas.height + border)), 0)}px`;
    }
    if (width === widthSet) return;
    widthSet = width;
    column.style.setProperty('--picture-width', width);
  };

  // Said once the program runs, which knows its pixels per unit; where the
  // canvas is shown at less than a screen pixel per canvas pixel, smooth
  // scaling keeps the thin line from breaking up.
  const sayScale = () => {
    const shownWidth = canvas.getBoundingClientRect().width;
    if (shownWidth === 0) return;
    canvas.classList.toggle('downscaled', shownWidth * window.devicePixelRatio + 0.5 < canvas.width);
    if (!store.get('ready')) return;
    const { pixelsPerUnit } = program.stringGeometry;
    show(scaleNote, () => t('string.shownScale', {
      shown: formatNumber((shownWidth / canvas.width) * pixelsPerUnit, { maximumSignificantDigits: 3 }),
      drawn: formatNumber(pixelsPerUnit),
    }));
  };

  // The cells follow the window; the Width control and a link change the
  // proportions. The program sets the canvas's size with every picture, to
  // the same mostly: only a new size is fitted anew.
  new ResizeObserver(fit).observe(cell);
  let sizeSeen = `${canvas.width}x${canvas.height}`;
  new MutationObserver(() => {
    if (`${canvas.width}x${canvas.height}` === sizeSeen) return;
    sizeSeen = `${canvas.width}x${canvas.height}`;
    fit();
  }).observe(canvas, { attributeFilter: ['width', 'height'] });
  // Said in the next frame, not while the browser is sizing this one: the
  // words may resize the string's cell, which fit() watches.
  let saying = false;
  new ResizeObserver(() => {
    if (saying) return;
    saying = true;
    requestAnimationFrame(() => {
      saying = false;
      sayScale();
    });
  }).observe(canvas);
  store.on('ready', sayScale);
  fit();
}
