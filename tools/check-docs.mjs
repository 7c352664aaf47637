// SPDX-License-Identifier: GPL-3.0-or-later
// The documentation checked like code: in each Markdown file named, every
// relative link and image names a file that exists, every #anchor a heading
// there (as GitHub makes anchors of headings), and every scripts/ command
// named exists, and is executable unless it is a file that scripts source
// (*.sh). Each fault is printed as FILE:LINE: what; exits 1 if any.
//   usage: node tools/check-docs.mjs FILE.md ...
import { accessSync, constants, existsSync, readFileSync, statSync } from 'node:fs';
import { dirname, join, normalize } from 'node:path';

// The text with its code (fenced blocks, indented blocks, inline spans)
// blanked, line for line, so that a link shown as code is no link.
const withoutCode = (text) => {
  let fenced = false;
  return text.split('\n').map((line, i, lines) => {
    if (/^\s*```/.test(line)) {
      fenced = !fenced;
      return '';
    }
    const indented = /^ {4}/.test(line) && (i === 0 || lines[i - 1].trim() === '' || /^ {4}/.test(lines[i - 1]));
    return fenced || indented ? '' : line.replace(/`[^`]*`/g, '');
  });
};

// A heading's anchor as GitHub makes it; a repeated one gains -1, -2…
const slug = (heading) => heading.trim().toLowerCase().replace(/`/g, '').replace(/[^\p{L}\p{N}\s_-]/gu, '')
  .replace(/\s/g, '-');
const anchors = new Map();
function anchorsOf(file) {
  if (!anchors.has(file)) {
    const seen = new Map();
    anchors.set(file, new Set(withoutCode(readFileSync(file, 'utf8')).flatMap((line) => {
      const heading = line.match(/^#{1,6}\s+(.*?)\s*#*$/);
      if (!heading) return [];
      const base = slug(heading[1]);
      const count = seen.get(base) ?? 0;
      seen.set(base, count + 1);
      return [count === 0 ? base : `${base}-${count}`];
    })));
  }
  return anchors.get(file);
}

const faults = [];
for (const file of process.argv.slice(2)) {
  const text = readFileSync(file, 'utf8');
  withoutCode(text).forEach((line, i) => {
    for (const [, target] of line.matchAll(/!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+"[^"]*")?\s*\)/g)) {
      if (/^[a-z][a-z+.-]*:/i.test(target)) continue; // an address elsewhere
      const [path, anchor] = target.split('#');
      const linked = path === '' ? file : normalize(join(dirname(file), decodeURIComponent(path)));
      if (!existsSync(linked)) faults.push(`${file}:${i + 1}: ${target}: no such file`);
      else if (anchor !== undefined && (!linked.endsWith('.md') || !anchorsOf(linked).has(anchor))) {
        faults.push(`${file}:${i + 1}: ${target}: no such heading`);
      }
    }
  });
  text.split('\n').forEach((line, i) => {
    for (const [script] of line.matchAll(/\bscripts\/[\w.-]*\w/g)) {
      if (!existsSync(script) || !statSync(script).isFile()) {
        faults.push(`${file}:${i + 1}: ${script}: no such script`);
        continue;
      }
      try {
        if (!script.endsWith('.sh')) accessSync(script, constants.X_OK);
      } catch {
        faults.push(`${file}:${i + 1}: ${script}: not executable`);
      }
    }
  });
}
for (const fault of faults) console.log(fault);
process.exit(faults.length > 0 ? 1 : 0);
