// SPDX-License-Identifier: GPL-3.0-or-later
// What scripts/bench measures, once it has built everything, and its report:
// the native builds' benchmarks (Google Benchmark's JSON) and the real
// program's frame rate and peak memory under Xvfb; the frame as WebAssembly
// under Node in turns with the native one; the page's pictures per second,
// its first picture.
// And the page as released (RELEASE_SITE) against an earlier release's site,
// in turns, in English and German: the pace with the explanation in view and
// a node traced (page_turns.mjs), the first picture, and Lighthouse's audit
// beside the WebGL-only page's.
//   usage: node bench/report.mjs REPETITIONS EARLIER_SITE EARLIER_NAME RELEASE_SITE
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';

import { startXvfb } from '../tools/xvfb.mjs';
import { median } from './stats.mjs';

const root = fileURLToPath(new URL('..', import.meta.url));
const out = join(root, 'build-bench');
const site = join(root, 'build-web', 'site');
const [repetitions = '12', earlierSite, earlierName, releaseSite] = process.argv.slice(2);
const LANGUAGES = ['en', 'de'];
const note = (text) => console.error(text);
const run = (command, args, env = {}) => execFileSync(command, args,
  { encoding: 'utf8', env: { ...process.env, ...env }, stdio: ['ignore', 'pipe', 'ignore'] });
const node = (script, args, env) => run(process.execPath, [join(root, script), ...args], env);

// Google Benchmark's medians, in nanoseconds, and their counters, by name.
function benchmarkMedians(build, args) {
  const json = JSON.parse(run(join(out, build, 'bench', 'string_bench'), [`--benchmark_repetitions=${repetitions}`,
    '--benchmark_report_aggregates_only=true', '--benchmark_format=json', ...args]));
  const scale = { ns: 1, us: 1e3, ms: 1e6, s: 1e9 };
  return new Map(json.benchmarks.filter((b) => b.aggregate_name === 'median')
    .map((b) => [b.run_name, { ns: b.real_time * scale[b.time_unit], ...b }]));
}

// frame_bench's batches: a Map from part to the median nanoseconds.
const wasmFrame = (build) => new Map(node(join(build, 'frame_bench.js'), [repetitions]).trim().split('\n')
  .map((line) => line.split(' ')).map(([name, ...times]) => [name.replace(/^wasm_/, ''), median(times.map(Number))]));

// Frames per second of the real program animating on a private X server,
// and its peak resident memory in KiB.
async function frameRate(build, seconds = 5) {
  const xvfb = await startXvfb();
  const folder = mkdtempSync(join(tmpdir(), 'vibrating-string-bench-'));
  const countFile = join(folder, 'count');
  const env = { ...process.env, DISPLAY: xvfb.display };
  const program = spawn(join(out, build, 'vibrating-string'), [], {
    stdio: 'ignore', env: { ...env, FLUSH_COUNT_FILE: countFile, LD_PRELOAD: join(out, build, 'libflush_counter.so') },
  });
  try {
    const window = execFileSync('timeout', ['10', 'xdotool', 'search', '--sync', '--onlyvisible', '--name',
      'vibrating-string'], { encoding: 'utf8', env }).split('\n')[0];
    execFileSync('xdotool', ['mousemove', '--window', window, '150', '150', 'click', '1'], { env });
    await sleep(1000);
    const count = () => Number(readFileSync(countFile).readBigUInt64LE(0));
    const [c0, t0] = [count(), performance.now()];
    await sleep(seconds * 1000);
    const [c1, t1] = [count(), performance.now()];
    const kib = Number(readFileSync(`/proc/${program.pid}/status`, 'utf8').match(/VmHWM:\s+(\d+)/)[1]);
    return { fps: (c1 - c0) / ((t1 - t0) / 1000), kib };
  } finally {
    program.kill();
    xvfb.stop();
    rmSync(folder, { recursive: true, force: true });
  }
}

// page_rate.mjs's "name value ..." line as an object.
function pageRate(args, env) {
  const fields = node('bench/page_rate.mjs', [site, '5', ...args], env).trim().split(' ');
  return Object.fromEntries(fields.flatMap((field, i) => (i % 2 ? [] : [[field, fields[i + 1]]])));
}

async function firstPictures() {
  const lines = [];
  const xvfb = await startXvfb();
  try {
    for (const where of [site, join(site, 'vibrating-string.html')]) {
      lines.push(node('bench/first_picture.mjs', [where, '5']).trim());
      lines.push(node('bench/first_picture.mjs', [where, '5'], { BROWSER: 'firefox', DISPLAY: xvfb.display }).trim());
    }
  } finally {
    xvfb.stop();
  }
  return lines;
}

// The first picture served in Chromium, the release's and the earlier
// release's in turns, in each language: three rounds of five cold loads
// each, every load's time by site and language.
function firstPicturesInTurns() {
  const times = new Map();
  for (let round = 0; round < 3; round += 1) {
    for (const language of LANGUAGES) {
      for (const [name, where] of [['this release', releaseSite], [earlierName, earlierSite]]) {
        const line = node('bench/first_picture.mjs', [where, '5', `lang=${language}`]);
        const key = `${name}, ${language}`;
        times.set(key, [...(times.get(key) ?? []), ...line.match(/each: ([\d ]+)/)[1].trim().split(' ').map(Number)]);
      }
    }
  }
  return times;
}

const fixed = (value, digits, width) => value.toFixed(digits).padStart(width);
const label = (text) => text.padEnd(22);

note(`Benchmarking fast and reference (${repetitions} repetitions)...`);
const native = Object.fromEntries(['fast', 'reference']
  .map((build) => [build, benchmarkMedians(build, ['--benchmark_enable_random_interleaving=true'])]));

note('Benchmarking the frame: native on GSL\'s CBLAS and WebAssembly, in turns...');
const turns = { native: [], wasm: [], wasmNoSimd: [] };
let wasmParts;
for (let round = 0; round < 3; round += 1) {
  turns.native.push(benchmarkMedians('gslcblas', ['--benchmark_filter=^frame$']).get('frame').ns);
  wasmParts = wasmFrame('build-web');
  turns.wasm.push(wasmParts.get('frame'));
  turns.wasmNoSimd.push(wasmFrame(join('build-bench', 'web-no-simd')).get('frame'));
}

// The page animating with the CPU at full speed and slowed 4 and 8 times
// (DevTools' slowdowns for a mid-range and a low-end phone), composited in
// software, with the space-time picture and the numbers shown and hidden in
// turns, three rounds; then at 8x composited on the GPU, as a phone does.
note('The page\'s pictures per second in headless Chromium, at 1x, 4x and 8x slowdown...');
const rates = [];
for (const throttle of ['1', '4', '8']) {
  for (let round = 0; round < 3; round += 1) {
    for (const explain of ['on', 'off']) {
      rates.push({ throttle, compositing: 'software', explain, ...pageRate([throttle, explain]) });
    }
  }
}
rates.push({ throttle: '8', compositing: 'gpu', explain: 'on', ...pageRate(['8', 'on'], { COMPOSITING: 'gpu' }) });

note(`The page as released against ${earlierName}'s, in turns, at 1x, 4x and 8x slowdown, the explanation in view...`);
const againstEarlier = LANGUAGES.map((language) => [language,
  node('bench/page_turns.mjs', [releaseSite, earlierSite, '3', '5', 'on', `lang=${language}&node=99`]).trimEnd()]);
note(`The page against ${earlierName}'s, the whole page in view with the modes and Listen on...`);
const withModes = node('bench/page_turns.mjs', [releaseSite, earlierSite, '3', '5', 'modes']).trimEnd();
note(`The first picture against ${earlierName}'s, in turns, in English and German...`);
const firstAgainst = firstPicturesInTurns();

note('Timing the first picture over cold loads, served and from disk, in Chromium and in Firefox...');
const first = await firstPictures();
note('Lighthouse, mobile, three runs on the release served compressed, in turns with the floor page, in English and German...');
const lighthouse = LANGUAGES.map((language) => [language,
  node('bench/lighthouse.mjs', [releaseSite, '3', join(root, 'bench', 'lighthouse-floor'), `lang=${language}`]).trimEnd()]);
const rate = { fast: await frameRate('fast'), reference: await frameRate('reference') };

// The native builds side by side.
console.log(`\n${'median'.padEnd(22)} ${'default'.padStart(14)} ${'straight'.padStart(14)} ${'ratio'.padStart(8)}`);
for (const name of ['frame', 'step', 'product', 'solve', 'vector_arithmetic', 'level_copies']) {
  const [fast, reference] = [native.fast.get(name).ns, native.reference.get(name).ns];
  const [unit, divisor] = fast >= 1e4 ? ['us', 1e3] : ['ns', 1];
  console.log(`${label(name)} ${fixed(fast / divisor, 2, 11)} ${unit} ${fixed(reference / divisor, 2, 11)} ${unit} ` +
    `${fixed(reference / fast, 2, 7)}x`);
}
for (const name of ['modes', 'mode_projection']) {
  console.log(`${label(name)} ${fixed(native.fast.get(name).ns / 1e3, 2, 11)} us ` +
    `${fixed(native.reference.get(name).ns / 1e3, 2, 11)} us   (WebAssembly ${fixed(wasmParts.get(name) / 1e3, 2, 0)} us)`);
}
console.log(`${label('frames per second')} ${fixed(rate.fast.fps, 0, 11)} /s ${fixed(rate.reference.fps, 0, 11)} /s ` +
  `${fixed(rate.reference.fps > 0 ? rate.fast.fps / rate.reference.fps : 0, 2, 7)}x`);
console.log(`${label('peak resident memory')} ${String(rate.fast.kib).padStart(11)} KiB ` +
  `${String(rate.reference.kib).padStart(10)} KiB`);
const clock = native.fast.get('clock_rate')?.cycles_per_second;
if (clock) console.log(`${label('core clock')} ${fixed(clock / 1e9, 2, 11)} GHz (a chain of dependent adds)`);
console.log(`${label('allocations per frame')} ${fixed(native.fast.get('frame').allocs_per_frame, 0, 11)} ` +
  `${fixed(native.reference.get('frame').allocs_per_frame, 0, 14)}`);

// The browser: the frame medians of the rounds, the parts of a step, the
// page's rates with and without the explanation, the first picture and
// Lighthouse, and the page's size.
console.log('\nIn the browser (frame medians; GSL CBLAS and WebAssembly in three rounds of turns, OpenBLAS from above):');
const [openblas, gsl, wasm, noSimd] = [native.fast.get('frame').ns, median(turns.native), median(turns.wasm),
  median(turns.wasmNoSimd)];
console.log(`${label('native, OpenBLAS')} ${fixed(openblas / 1e3, 2, 11)} us`);
console.log(`${label('native, GSL CBLAS')} ${fixed(gsl / 1e3, 2, 11)} us`);
for (const [name, ns] of [['WebAssembly, SIMD', wasm], ['WebAssembly, no SIMD', noSimd]]) {
  console.log(`${label(name)} ${fixed(ns / 1e3, 2, 11)} us ${fixed(ns / gsl, 2, 7)}x GSL CBLAS ` +
    `${fixed(ns / openblas, 2, 7)}x OpenBLAS`);
}
for (const [part, ns] of wasmParts) {
  if (part !== 'frame') console.log(`${label(part)} ${fixed(ns, 2, 11)} ns per step (WebAssembly, SIMD)`);
}
for (const throttle of ['1', '4', '8']) {
  const fps = (explain) => median(rates.filter((r) => r.throttle === throttle && r.compositing === 'software' &&
    r.explain === explain).map((r) => Number(r.page_fps)));
  const [on, off] = [fps('on'), fps('off')];
  console.log(`${label(`pictures/s, ${throttle}x slower`)} ${String(on).padStart(11)} /s shown, ${off} /s hidden: ` +
    `the space-time picture and numbers cost ${(100 * (off - on) / off).toFixed(1)}%`);
}
for (const r of rates.filter((each) => each.explain === 'on')) {
  console.log(`${label(`pictures/s, ${r.throttle}x slower`)} ${r.page_fps.padStart(11)} /s (offered ${r.display_fps} /s), ` +
    `callbacks per refresh median ${r.callback_median_ms} ms, p90 ${r.callback_p90_ms} ms, ${r.compositing} compositing`);
}
for (const [language, lines] of againstEarlier) {
  console.log(`Against ${earlierName}, in ${language}, the explanation in view and node 99 traced:\n${lines}`);
}
console.log(`Against ${earlierName}, the whole page in view, a mode drawn and Listen on:\n${withModes}`);
for (const line of first) {
  const [, ms, ...loads] = line.split(' ');
  console.log(`${label('first picture, median')} ${ms.padStart(11)} ms ${loads.join(' ')}`);
}
for (const [key, times] of firstAgainst) {
  console.log(`${label('first picture, served')} ${fixed(median(times), 0, 11)} ms ${key}, ${times.length} cold loads, ` +
    `${Math.min(...times).toFixed(0)} to ${Math.max(...times).toFixed(0)}`);
}
for (const [language, lines] of lighthouse) console.log(`Lighthouse in ${language}:\n${lines}`);
const files = readdirSync(site).map((name) => readFileSync(join(site, name)));
const [raw, packed] = [files.reduce((sum, bytes) => sum + bytes.length, 0),
  files.reduce((sum, bytes) => sum + gzipSync(bytes, { level: 9 }).length, 0)];
console.log(`${label('page size')} ${fixed(raw / 1000, 1, 11)} KB (${(packed / 1000).toFixed(1)} KB with gzip -9)`);
