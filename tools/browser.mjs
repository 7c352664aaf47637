// SPDX-License-Identifier: GPL-3.0-or-later
// Driving the page in a real browser, for the page tests and the tools beside
// them (bench/, tools/screenshot.mjs): Debian's Chromium or Firefox ESR
// through puppeteer-core, the site served on 127.0.0.1, the program's draws
// counted, and the canvas read back.
//   BROWSER=chromium (headless, the default) or BROWSER=firefox (a window:
//   needs DISPLAY, for instance under node tools/xvfb.mjs)
import { setTimeout as sleep } from 'node:timers/promises';

import { address, serve } from './serve.mjs';

// Loaded when first needed, so that what only lists or serves runs before
// `npm ci` too.
const puppeteer = async () => (await import('puppeteer-core')).default;

export { address, serve, sleep };

export const engine = process.env.BROWSER ?? 'chromium';

// As root, with no network beyond the machine: no sandbox, nothing fetched
// in the background. Chromium's WebGL runs on SwiftShader, the CPU renderer;
// Firefox's on Mesa's, in its window. Chromium composites the page in
// software, reading the canvas back every frame, unless `compositing` is
// 'gpu' (or COMPOSITING=gpu): then on SwiftShader too, as a phone composites
// on its GPU.
export const chromiumFlags = (compositing = process.env.COMPOSITING) => ['--no-sandbox', '--disable-quic',
  '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--use-angle=swiftshader', '--enable-unsafe-swiftshader', ...(compositing === 'gpu' ? [] : ['--disable-gpu'])];
const FIREFOX_PREFS = {
  'webgl.force-enabled': true,
  'browser.shell.checkDefaultBrowser': false,
  'app.update.enabled': false,
  'datareporting.policy.dataSubmissionEnabled': false,
  'network.connectivity-service.enabled': false,
  'network.captive-portal-service.enabled': false,
};

// In a fresh profile of its own, or in `profile`, a folder the caller keeps.
export async function launch({ extraFlags = [], prefs = {}, profile } = {}) {
  if (engine === 'firefox') {
    return (await puppeteer()).launch({
      browser: 'firefox',
      executablePath: process.env.FIREFOX ?? '/usr/bin/firefox-esr',
      headless: false,
      extraPrefsFirefox: { ...FIREFOX_PREFS, ...prefs },
      userDataDir: profile,
    });
  }
  return (await puppeteer()).launch({
    browser: 'chrome',
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: [...chromiumFlags(), ...extraFlags],
    userDataDir: profile,
  });
}

// A browser that another process launched, at its `endpoint`.
export async function connect(endpoint) {
  return (await puppeteer()).connect({
    browserWSEndpoint: endpoint, protocol: engine === 'firefox' ? 'webDriverBiDi' : 'cdp',
  });
}

// A page, in a browser context of its own or in the context given, whose
// every glFlush (one per drawn picture) is counted in window.draws, every
// mouse release in window.releases, the first draw timed in window.firstDraw
// (from the start of the navigation) and read back into window.firstPicture,
// the draws before the first service worker's registration in
// window.drawsAtRegister;
// its console errors, uncaught exceptions, the browser's own error notices
// and whatever its Content-Security-Policy blocks are kept in page.errors, every
// response's content type in page.types, and every request that leaves the
// page (data: URLs do not) in page.requests.
export async function openPage(browserOrContext, url, viewport = {}) {
  const context = browserOrContext.createBrowserContext
    ? await browserOrContext.createBrowserContext() : browserOrContext;
  const page = await context.newPage();
  await page.setViewport({ width: 1200, height: 800, deviceScaleFactor: 1, ...viewport });
  page.errors = [];
  page.types = new Map();
  page.on('console', (message) => {
    if (message.type() === 'error') page.errors.push(message.text());
  });
  page.on('pageerror', (error) => page.errors.push(String(error)));
  page.requests = [];
  page.on('request', (request) => {
    if (!request.url().startsWith('data:')) page.requests.push(request.url());
  });
  page.on('response', (response) => {
    page.types.set(new URL(response.url()).pathname, response.headers()['content-type']);
  });
  await page.evaluateOnNewDocument(() => {
    document.addEventListener('securitypolicyviolation', (event) => console.error(
      `Content-Security-Policy: ${event.effectiveDirective} blocked ${event.blockedURI} (${event.sourceFile}:${event.lineNumber})`));
    // The browser's own error notices (a ResizeObserver loop), which the page lets pass.
    window.addEventListener('error', (event) => {
      if (event.error === null) console.error(`error event: ${event.message}`);
    });
    // Bytes handed back to the driver as one data: URL: as a string they
    // cross in one piece, where an array crosses number by number (slow in
    // Firefox's WebDriver BiDi).
    window.bytesAsDataURL = (bytes) => new Promise((done) => {
      const reader = new FileReader();
      reader.onload = () => done(reader.result);
      reader.readAsDataURL(bytes instanceof Blob ? bytes : new Blob([bytes]));
    });
    // Every release the page receives, counted before its own listeners run.
    window.releases = 0;
    window.addEventListener('mouseup', () => { window.releases += 1; }, true);
    window.draws = 0;
    const flush = WebGLRenderingContext.prototype.flush;
    WebGLRenderingContext.prototype.flush = function countedFlush() {
      if (window.draws === 0) {
        // Straight from the drawing buffer, in canvas pixels, however the
        // page shows the canvas; bottom row first.
        const [width, height] = [this.drawingBufferWidth, this.drawingBufferHeight];
        const data = new Uint8Array(width * height * 4);
        this.readPixels(0, 0, width, height, this.RGBA, this.UNSIGNED_BYTE, data);
        window.firstPicture = { width, height, data };
      }
      window.firstDraw ??= performance.now();
      window.draws += 1;
      return flush.call(this);
    };
    // Where there are service workers (a secure context), how many pictures
    // had been drawn when the page first registered one.
    if (window.ServiceWorkerContainer) {
      const register = ServiceWorkerContainer.prototype.register;
      ServiceWorkerContainer.prototype.register = function recordedRegister(...args) {
        window.drawsAtRegister ??= window.draws;
        return register.apply(this, args);
      };
    }
  });
  if (url) await page.goto(url);
  return page;
}

export const draws = (page) => page.evaluate(() => window.draws);

// Resolves once the page has drawn `count` pictures; throws after `limitMs`,
// a bound for a broken page, not a pace: a loaded machine is slow.
export async function waitForDraws(page, count, limitMs = 60000) {
  const deadline = Date.now() + limitMs;
  while ((await draws(page)) < count) {
    if (Date.now() > deadline) throw new Error(`fewer than ${count} draws`);
    await sleep(50);
  }
}

export const closePage = (page) => page.browserContext().close();

// For the tools: serves `site`, opens the page in a new browser, waits for
// the first picture, runs `use(page)`, and closes all.
export async function withPage(site, viewport, use) {
  const server = await serve(site);
  const browser = await launch();
  try {
    const page = await openPage(browser, address(server), viewport);
    await waitForDraws(page, 1, 30000);
    return await use(page);
  } finally {
    await browser.close();
    server.close();
  }
}

// The bytes of a data: URL that window.bytesAsDataURL made.
export const bytesOf = (dataURL) => Buffer.from(dataURL.slice(dataURL.indexOf(',') + 1), 'base64');

// The canvas as drawn, in canvas pixels: [width, height, RGBA bytes]. Read
// from a screenshot of its box, so where the page shows it at one CSS pixel
// per canvas pixel (in one column, as in the tests' window),
// decoded from bytes in memory, which the page's policy does not forbid as
// it forbids loading an image from a data: URL.
export async function canvasPixels(page) {
  const png = await (await page.$('#canvas')).screenshot({ encoding: 'base64' });
  const [width, height, dataURL] = await page.evaluate(async (base64) => {
    const image = await createImageBitmap(new Blob([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))]));
    const scratch = document.createElement('canvas');
    scratch.width = image.width;
    scratch.height = image.height;
    const context = scratch.getContext('2d');
    context.drawImage(image, 0, 0);
    const { data } = context.getImageData(0, 0, image.width, image.height);
    return [image.width, image.height, await window.bytesAsDataURL(data)];
  }, png);
  return [width, height, bytesOf(dataURL)];
}

// GLUT's state is Emscripten's internal, read as Emscripten 3.1.6 and 3.1.69 keep it:
// where a program that has drawn keeps it otherwise, this says so rather
// than wait for ever.
export const programState = (page) => page.evaluate(() => {
  if (window.draws > 0 && (typeof GLUT !== 'object' || !('idleFunc' in GLUT) || !('requestedAnimationFrame' in GLUT))) {
    throw new Error('the page has no GLUT.idleFunc and GLUT.requestedAnimationFrame, which the tests read ' +
      "as Emscripten 3.1.6's and 3.1.69's GLUT keep them");
  }
  return {
    idle: window.draws > 0 && !GLUT.idleFunc && !GLUT.idlePending && !GLUT.requestedAnimationFrame,
    draws: window.draws,
  };
});

// Waits until the program is idle, then reads the canvas unless told not
// to. Resolves to { draws, pixels }; throws after `limitMs` if it never
// comes to rest, saying whether it never drew or kept drawing.
export async function settle(page, { read = true, limitMs = 60000 } = {}) {
  const deadline = Date.now() + limitMs;
  for (;;) {
    const state = await programState(page);
    if (state.idle) {
      const pixels = read ? await canvasPixels(page) : null;
      if ((await draws(page)) === state.draws) return { draws: state.draws, pixels };
    }
    if (Date.now() > deadline) {
      throw new Error(state.draws === 0 ? `the program never drew in ${limitMs} ms`
        : `the program kept drawing for ${limitMs} ms (${state.draws} draws)`);
    }
    await sleep(50);
  }
}
