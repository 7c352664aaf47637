// SPDX-License-Identifier: GPL-3.0-or-later
// The page's own canvases drawn a pixel to each of the screen's: their
// pixels follow the size they are shown at and devicePixelRatio, on a 2x
// screen, a projector, or a window moved from one to the other.

// Keeps `canvas`'s pixels to its box as shown, or to `shownAs`'s where it
// lies over that element and may be hidden, and calls `redraw` once they are
// made anew, as setting a canvas's size clears it. A canvas not shown keeps
// its pixels.
export function followShownSize(canvas, redraw, shownAs = canvas) {
  let shown = null; // its content box, in CSS pixels
  const resize = () => {
    const [width, height] = [shown.width, shown.height].map((size) => Math.round(size * window.devicePixelRatio));
    if (width === 0 || height === 0 || (canvas.width === width && canvas.height === height)) return;
    [canvas.width, canvas.height] = [width, height];
    redraw();
  };
  new ResizeObserver(([entry]) => {
    shown = entry.contentRect;
    resize();
  }).observe(shownAs);
  // A new devicePixelRatio, the window moved to another screen or zoomed.
  const followRatio = () => {
    window.matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`).addEventListener('change', () => {
      if (shown) resize();
      followRatio();
    }, { once: true });
  };
  followRatio();
}
