// SPDX-License-Identifier: GPL-3.0-or-later
// The program's heap in the page over a long run: its top (which never
// comes down) after 1, 10 and 100 thousand frames and after eight hours at
// 60 pictures a second, each before and after Save data's CSV is written.
// The frames come through the test builds' entry (Module._repeat_frame_shown:
// the page takes each as drawn, the model held where it stands), so SITE
// must be a test build's, such as build-web/site.
//   usage: node bench/page_heap.mjs SITE
//   prints a line per count: "frames N heap BYTES saved BYTES heap BYTES"
import { withPage } from '../tools/browser.mjs';

await withPage(process.argv[2], {}, async (page) => {
  await page.waitForFunction(() => !document.getElementById('start').disabled);
  await page.click('#explain-toggle'); // as in the page test: frames taken, none drawn
  const heapTop = () => page.evaluate(() => Module._repeat_frame_shown(0));
  const savedBytes = () => page.evaluate(() => {
    let bytes = 0;
    for (let piece = 0; ; piece += 1) {
      const text = Module.UTF8ToString(Module._history_csv_piece(piece));
      if (text === '') return bytes;
      bytes += text.length;
    }
  });
  let frames = await page.evaluate(() => window.draws);
  console.log(`frames ${frames} heap ${await heapTop()}`);
  for (const count of [1000, 10000, 100000, 8 * 3600 * 60]) {
    while (frames < count) {
      const more = Math.min(100000, count - frames);
      await page.evaluate((n) => Module._repeat_frame_shown(n), more);
      frames += more;
    }
    const before = await heapTop();
    const saved = await savedBytes();
    console.log(`frames ${frames} heap ${before} saved ${saved} heap ${await heapTop()}`);
  }
});
