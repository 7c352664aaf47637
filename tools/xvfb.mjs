// SPDX-License-Identifier: GPL-3.0-or-later
// A private X server for what needs a window and has no display: Firefox
// with WebGL, the native program. Xvfb picks a free display itself
// (-displayfd), so that any number can start at once without racing for one.
//   usage: node tools/xvfb.mjs COMMAND [ARG...]   (runs COMMAND with DISPLAY set)
import { spawn } from 'node:child_process';
import { pathToFileURL } from 'node:url';

// Resolves to { display: ':N', stop() } once the server takes connections.
export function startXvfb() {
  const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  return new Promise((resolve, reject) => {
    let written = '';
    server.stdio[3].on('data', (chunk) => {
      written += chunk;
      if (written.endsWith('\n')) {
        resolve({ display: `:${written.trim()}`, stop: () => server.kill() });
      }
    });
    server.on('error', (error) => reject(new Error(`Xvfb did not start: ${error.message} (Debian: package xvfb)`)));
    server.on('exit', (code) => reject(new Error(`Xvfb exited (${code}) before it named a display`)));
  });
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [command, ...args] = process.argv.slice(2);
  const xvfb = await startXvfb();
  const child = spawn(command, args, { stdio: 'inherit', env: { ...process.env, DISPLAY: xvfb.display } });
  child.on('exit', (code, signal) => {
    xvfb.stop();
    process.exitCode = code ?? (signal ? 1 : 0);
  });
}
