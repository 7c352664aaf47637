// SPDX-License-Identifier: GPL-3.0-or-later
// The string's modes beside it: the bars, the chosen mode's numbers and its
// shape over the string, each vibrating-string-history's for the frame
// shown; Describe naming them; and Listen, heard through the page's own
// audio output.
import assert from 'node:assert/strict';

import { DECADES, FUNDAMENTAL_HZ, NODES } from '../../web/page/facts.js';
import { SCALE } from '../../web/page/palette.js';
import { address, closePage, openPage, pageTest, toolModes } from './harness.mjs';
import {
  browser, chromiumOnly, server, onServedPage, runUntil, numbersShown, descriptionShown, canvasPixels,
  assertModeShapeOverString, assertClose,
} from './page_checks.mjs';

const [DOWN, UP] = [SCALE[0][1], SCALE.at(-1)[1]];
const byStrength = (swings) => [...swings.keys()].sort((a, b) => swings[b] - swings[a]);

// Each bar read back from the bars' canvas: its colour and where it ends
// (y, from the top), down the middle of its mode's slot.
function barsShown([width, height, rgba]) {
  const is = (at, [r, g, b]) => rgba[at] === r && rgba[at + 1] === g && rgba[at + 2] === b;
  return Array.from({ length: NODES }, (_, k) => {
    const x = Math.floor(((k + 0.5) * width) / NODES);
    for (let y = 0; y < height; y += 1) {
      const at = (y * width + x) * 4;
      if (is(at, UP) || is(at, DOWN)) return { top: y, up: is(at, UP) };
    }
    return { top: height, up: null };
  });
}

pageTest("the modes of the frame shown: the bars, the chosen mode's numbers and its shape over the string are vibrating-string-history's, and Describe names the strongest", () => onServedPage(async (page) => {
  const frame = (await runUntil(page, 90)).draws - 1;
  const tool = toolModes(frame);
  // Drawn once on screen.
  await page.$eval('#mode-bars', (bars) => bars.scrollIntoView());
  await page.waitForFunction(() => {
    const bars = document.getElementById('mode-bars');
    return bars.getContext('2d').getImageData(0, bars.height - 1, 1, 1).data[3] === 255;
  });
  const pixels = await canvasPixels(page, '#mode-bars');
  const height = pixels[1];
  barsShown(pixels).forEach(({ top, up }, k) => {
    const size = Math.abs(tool.amplitudes[k]);
    // A scale of tens, 10^-DECADES at the foot; the swing's dark mark may cover the bar's top two rows.
    const expected = height - Math.min(Math.max((Math.log10(size) + DECADES) / DECADES, 0), 1) * height;
    if (expected >= height - 1) return; // too small to show
    assert.ok(top >= expected - 1 && top <= expected + 2.5, `mode ${k}: its bar ends at ${top}, not ${expected}`);
    assert.equal(up, tool.amplitudes[k] > 0, `mode ${k}: the bar's colour`);
  });

  await page.type('#mode', '5');
  await page.keyboard.press('Tab');
  const shown = await numbersShown(page, ['mode-number', 'mode-frequency', 'mode-growth', 'mode-amplitude', 'mode-swing']);
  assert.equal(shown['mode-number'], 5);
  assertClose(shown['mode-frequency'], tool.frequencies[5], 'the frequency');
  // Its excess over 1, to three digits.
  const excess = tool.growths[5] - 1;
  assert.ok(Math.abs(shown['mode-growth'] - excess) <= 5e-3 * excess, `the growth: ${shown['mode-growth']} over 1, not ${excess}`);
  assertClose(shown['mode-amplitude'], tool.amplitudes[5], 'the amplitude');
  assertClose(shown['mode-swing'], tool.swings[5], 'the swing');
  await assertModeShapeOverString(page, 5, frame);

  await page.click('#describe');
  const [first, second, third] = byStrength(tool.swings);
  const fastest = tool.growths.indexOf(Math.max(...tool.growths));
  const fastestGrowth = `${((tool.growths[fastest] - 1) * 100).toPrecision(3)}%`;
  assert.match(await descriptionShown(page), new RegExp(`strongest modes are ${first}, ${second} and ${third}; ` +
    `the fastest-growing is mode ${fastest}, whose swing grows by ${fastestGrowth.replace('.', '\\.')} a frame\\.`));

  // A tap on a bar chooses its mode.
  const box = await page.$eval('#mode-bars', (bars) => bars.getBoundingClientRect().toJSON());
  await page.mouse.click(box.x + ((9 + 0.5) * box.width) / NODES, box.y + box.height / 2);
  assert.equal(await page.$eval('#mode', (field) => field.value), '9');
  await assertModeShapeOverString(page, 9, frame);

  // A short mode, under a pixel high at the string's scale, drawn where it
  // can be seen, at the scale the page says.
  await page.$eval('#mode', (field) => { field.value = ''; });
  await page.type('#mode', '40');
  await page.keyboard.press('Tab');
  const times = await assertModeShapeOverString(page, 40, frame);
  assert.ok(150 * tool.swings[40] < 1 && times * 150 * tool.swings[40] >= 50, `mode 40 drawn at ${times} times its size`);

  // Every mode's amplitude, from the WebAssembly, has the native tool's sign;
  // mode 0, the held end's, none: the page says whose it is instead.
  const amplitudes = await page.evaluate((count) => {
    const field = document.getElementById('mode');
    const shown = (id) => !document.getElementById(id).hidden;
    return Array.from({ length: count }, (_, k) => {
      field.value = String(k);
      field.dispatchEvent(new Event('change'));
      return k === 0 ? ['mode-numbers', 'mode-held-end', 'mode-scale'].map(shown)
        : Number(document.getElementById('number-mode-amplitude').textContent);
    });
  }, NODES);
  assert.deepEqual(amplitudes[0], [false, true, false], 'mode 0: its numbers, the held end\'s words, a scale');
  for (let k = 1; k < NODES; k += 1) {
    assert.ok(Math.sign(amplitudes[k]) === Math.sign(tool.amplitudes[k]) && Math.abs(amplitudes[k] - tool.amplitudes[k]) <= 1e-6 * Math.abs(tool.amplitudes[k]),
      `mode ${k}: the page's amplitude ${amplitudes[k]}, the tool's ${tool.amplitudes[k]}`);
  }
}));


// The page's audio, whatever it plays, also into an analyser (window.heard),
// every AudioContext made counted (window.audioContexts), and every change
// to an AudioParam that is not an approach named (window.steps): a step or
// a ramp of loudness is heard as a click.
const HEAR = () => {
  window.audioContexts = 0;
  window.steps = [];
  const value = Object.getOwnPropertyDescriptor(AudioParam.prototype, 'value');
  Object.defineProperty(AudioParam.prototype, 'value', { ...value, set(to) {
    window.steps.push('value');
    value.set.call(this, to);
  } });
  for (const name of ['setValueAtTime', 'linearRampToValueAtTime', 'exponentialRampToValueAtTime', 'setValueCurveAtTime']) {
    const change = AudioParam.prototype[name];
    AudioParam.prototype[name] = function counted(...args) {
      window.steps.push(name);
      return change.apply(this, args);
    };
  }
  const Made = window.AudioContext;
  window.AudioContext = class extends Made {
    constructor(...args) {
      super(...args);
      window.audioContexts += 1;
      window.heard = new AnalyserNode(this, { fftSize: 32768, smoothingTimeConstant: 0 });
    }
  };
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function heardToo(target, ...rest) {
    if (target instanceof AudioDestinationNode) connect.call(this, window.heard);
    return connect.call(this, target, ...rest);
  };
};
const waitForSound = (page, heard) => page.waitForFunction((loud) => {
  const samples = new Float32Array(window.heard.fftSize);
  window.heard.getFloatTimeDomainData(samples);
  const level = Math.max(...samples.map(Math.abs));
  return loud ? level > 0.01 : level < 1e-4;
}, { polling: 100 }, heard);

pageTest("Listen: no sound until the learner asks, then the modes' pitches loudest first, and silence when stopped, hidden or muted, every change an approach, and off with the explanation", chromiumOnly, async () => {
  const page = await openPage(browser);
  try {
    await page.evaluateOnNewDocument(HEAR);
    await page.goto(address(server));
    await page.waitForFunction(() => !document.getElementById('start').disabled);
    await page.click('#start');
    await page.waitForFunction(() => window.draws > 20);
    assert.equal(await page.evaluate(() => window.audioContexts), 0, 'an audio context before Listen');

    await page.click('#listen');
    assert.equal(await page.$eval('#listen', (button) => button.getAttribute('aria-pressed')), 'true');
    await waitForSound(page, true);
    const { spectrum, binHz, frame } = await page.evaluate(() => {
      const data = new Float32Array(window.heard.frequencyBinCount);
      window.heard.getFloatFrequencyData(data);
      // No -Infinity: it would cross to the driver as null.
      return { spectrum: [...data].map((level) => Math.max(level, -1000)), binHz: window.heard.context.sampleRate / window.heard.fftSize, frame: window.draws - 1 };
    });
    // The strongest peaks, each the highest bin within 20 Hz around it.
    const reach = Math.round(20 / binHz);
    const peaks = spectrum.map((level, bin) => ({ level, hz: bin * binHz }))
      .filter(({ level }, bin) => spectrum.slice(Math.max(0, bin - reach), bin + reach + 1).every((other) => other <= level))
      .sort((a, b) => b.level - a.level).slice(0, 3);
    const tool = toolModes(frame);
    byStrength(tool.swings).slice(0, 3).forEach((mode, i) => {
      const pitch = (FUNDAMENTAL_HZ * tool.frequencies[mode]) / tool.frequencies[1];
      assert.ok(Math.abs(peaks[i].hz - pitch) <= 2 * binHz,
        `peak ${i + 1} at ${peaks[i].hz.toFixed(1)} Hz, not mode ${mode}'s ${pitch.toFixed(1)} Hz`);
    });

    await page.click('#stop');
    await waitForSound(page, false);
    await page.click('#start');
    await waitForSound(page, true);
    // Another tab in front hides the page.
    const other = await page.browserContext().newPage();
    await other.bringToFront();
    await page.waitForFunction(() => document.hidden);
    await waitForSound(page, false);
    await other.close();
    await page.bringToFront();
    await waitForSound(page, true);
    await page.click('#mute');
    await waitForSound(page, false);
    await page.click('#mute');
    await waitForSound(page, true);
    // Hidden with the explanation, Listen stops: silent, and no longer pressed.
    await page.click('#explain-toggle');
    await waitForSound(page, false);
    assert.equal(await page.$eval('#listen', (button) => button.getAttribute('aria-pressed')), 'false');
    assert.deepEqual(await page.evaluate(() => window.steps), [], 'loudness changed other than by an approach');
    assert.equal(await page.evaluate(() => window.audioContexts), 1);
    assert.deepEqual(page.errors, []);
  } finally {
    await closePage(page);
  }
});
