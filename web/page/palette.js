// SPDX-License-Identifier: GPL-3.0-or-later
// The space-time picture's colours, for the picture, its legend and the
// tests that read it back: a diverging scale after ColorBrewer's RdBu,
// which people with the common colour-vision deficiencies still read (down
// blue, up red, white at rest), over heights from -RANGE to RANGE world
// units, the end colours beyond; and the grey of rows that hold no frame yet.
export const RANGE = 1.5;
export const SCALE = [[-1, [33, 102, 172]], [-0.5, [146, 197, 222]], [0, [255, 255, 255]],
  [0.5, [244, 165, 130]], [1, [178, 24, 43]]];
export const GREY = [217, 217, 217];

export const cssColour = (rgb) => `rgb(${rgb.join(' ')})`;

// Writes the opaque colour of `height` (drawn height over RANGE) into `pixels` at `at`.
export function putColour(pixels, at, height) {
  const t = Math.max(-1, Math.min(1, height));
  let k = 0;
  while (k < SCALE.length - 2 && t > SCALE[k + 1][0]) k += 1;
  const [from, low] = SCALE[k];
  const [to, high] = SCALE[k + 1];
  const f = (t - from) / (to - from);
  for (let c = 0; c < 3; c += 1) pixels[at + c] = Math.round(low[c] + (high[c] - low[c]) * f);
  pixels[at + 3] = 255;
}
