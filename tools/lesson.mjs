// SPDX-License-Identifier: GPL-3.0-or-later
// What a lesson uses of the page, by column of the table in which the guides
// and the checks report it, and how much of each lies in the window.

// The columns: the page's elements each stands for.
export const LESSON_PARTS = {
  'string + buttons': ['#canvas', '#start', '#stop', '#next-frame', '#speed'],
  'space-time': ['#spacetime-stage'],
  'numbers + traces': ['#numbers', '#energy-trace', '#node-trace'],
  'mode bars + mode': ['#mode-bars', '#mode-numbers'],
  Listen: ['#listen'],
  'Describe, saves': ['#describe', '#save-data', '#save-picture', '#save-node'],
};

// For each part, the least share of any of its elements' boxes inside the
// window (1: all in view), its elements not shown left out; and the page's
// own width and height against the window's, and the box around all parts.
export const lessonInView = (page) => page.evaluate((parts) => {
  const [width, height] = [document.documentElement.clientWidth, document.documentElement.clientHeight];
  const boxes = [];
  const shares = Object.fromEntries(Object.entries(parts).map(([part, selectors]) => {
    const shown = selectors.map((selector) => document.querySelector(selector))
      .filter((element) => element.checkVisibility({ visibilityProperty: true }));
    return [part, Math.min(...shown.map((element) => {
      const box = element.getBoundingClientRect();
      boxes.push(box);
      const inside = Math.max(0, Math.min(box.right, width) - Math.max(box.left, 0))
        * Math.max(0, Math.min(box.bottom, height) - Math.max(box.top, 0));
      return inside / (box.width * box.height);
    }))];
  }));
  const used = {
    width: Math.max(...boxes.map((box) => box.right)) - Math.min(...boxes.map((box) => box.left)),
    height: Math.max(...boxes.map((box) => box.bottom)) - Math.min(...boxes.map((box) => box.top)),
  };
  return { shares, used, window: { width, height },
    page: { width: document.documentElement.scrollWidth, height: document.documentElement.scrollHeight } };
}, LESSON_PARTS);
