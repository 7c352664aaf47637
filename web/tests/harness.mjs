// SPDX-License-Identifier: GPL-3.0-or-later
// What the page tests add to the browser driving (../browser.mjs): the
// canvas matched against the model's frames by the native tests' own matcher
// (picture_check, compiled for Node: PICTURE_CHECK), the mouse and the width
// control as a user works them, and the faults a bad network makes.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export * from '../browser.mjs';

// The first picture the program drew, as canvasPixels gives the canvas.
export function firstPicture(page) {
  return page.evaluate(() => {
    const { width, height, data } = window.firstPicture;
    const rows = [];
    for (let y = height - 1; y >= 0; y -= 1) rows.push(...data.subarray(y * width * 4, (y + 1) * width * 4));
    return [width, height, rows];
  });
}

// picture_check's verdict on `pixels` for model frames first..last:
// a Map from frame to { matches, meanDistance, firstInView, lastInView }.
export function checkFrames([width, height, rgba], first, last) {
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; i += 1) {
    rgba.slice(4 * i, 4 * i + 3).forEach((value, channel) => { rgb[3 * i + channel] = value; });
  }
  const folder = mkdtempSync(join(tmpdir(), 'vibrating-string-picture-'));
  try {
    const file = join(folder, 'canvas.ppm');
    writeFileSync(file, Buffer.concat([Buffer.from(`P6\n${width} ${height}\n255\n`), rgb]));
    const output = execFileSync(process.execPath, [process.env.PICTURE_CHECK, file, String(first), String(last)],
      { encoding: 'utf8' });
    return new Map(output.trim().split('\n').map((line) => {
      const [frame, matches, meanDistance, firstInView, lastInView] = line.split(' ').map(Number);
      return [frame, { matches: matches === 1, meanDistance, firstInView, lastInView }];
    }));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// Presses and releases a mouse button over the canvas's centre.
export async function clickCanvas(page, button) {
  const box = await (await page.$('#canvas')).boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.down({ button });
  await page.mouse.up({ button });
}

// Sets the width slider as a user's drag ends: its value, then 'input'.
export function setWidth(page, width) {
  return page.$eval('#width', (slider, value) => {
    slider.value = String(value);
    slider.dispatchEvent(new Event('input', { bubbles: true }));
  }, width);
}

// The ways a network fails to deliver a file, for `serve`'s intercept:
// drop the connection before any reply, cut it off in the middle of the
// body, answer 404, or send bytes that are not the file; each after
// `delayMs`.
export function failing(name, fault, delayMs = 0) {
  return (request, response) => {
    if (!request.url.endsWith(name)) return false;
    setTimeout(() => {
      if (fault === 'drop') {
        request.socket.destroy();
      } else if (fault === 'cut') {
        response.writeHead(200, { 'Content-Type': 'application/wasm', 'Content-Length': '100000' });
        response.write(Buffer.alloc(5000));
        setTimeout(() => request.socket.destroy(), 100);
      } else if (fault === 'garbage') {
        response.writeHead(200, { 'Content-Type': 'application/wasm' }).end(Buffer.from('not a WebAssembly module'));
      } else {
        response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
      }
    }, delayMs);
    return true;
  };
}
