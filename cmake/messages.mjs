// SPDX-License-Identifier: GPL-3.0-or-later
// The page's words at build time, from the catalogs in messages/ (one ICU
// MessageFormat catalog per language, English the reference), in two steps:
//   catalogs: OUT/vibrating-string-messages/LANGUAGE.js  each catalog
//        compiled by @messageformat/core into functions, with the page's own
//        words already written in it (its facts' numbers as that language
//        writes them, so the page shows them without formatting a number)
//     OUT/vibrating-string-messages/languages.js  the languages offered
//     SITE/manifest*.webmanifest  the web app manifest, one per language
//   page: SITE/index.html  the page, its words and its menus' in English,
//        the notice without JavaScript in every language, and BOOT (the
//        script that chooses the language before anything is drawn) inline
// A catalog that does not hold exactly English's messages, or one that does
// not parse, stops the build, naming the language and the message.
// With --pseudo, a pseudo-language for the tests is compiled in as well
// (PSEUDO, not offered): every message visibly changed, so that any word
// left in English stands out.
//   usage: node cmake/messages.mjs catalogs MESSAGES_DIR INDEX_HTML OUT_DIR MANIFEST SITE_DIR [--pseudo]
//          node cmake/messages.mjs page MESSAGES_DIR INDEX_HTML BOOT_JS SITE_DIR
import { mkdirSync, readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { basename, join } from 'node:path';
import { pathToFileURL } from 'node:url';

import MessageFormat from '@messageformat/core';
import compileModule from '@messageformat/core/compile-module.js';
import { parse } from '@messageformat/parser';

import { SPEEDS, factsInWords } from '../web/page/facts.js';
import { securityPolicy, withPolicy } from './security_policy.mjs';
import { wordKey } from '../web/page/words.js';

export const REFERENCE = 'en';
export const PSEUDO = 'en-XA';
// The messages that go into the desktop entry and the AppStream metadata,
// which read them as plain text.
const PLAIN = /^desktop\./;

// Every catalog in `folder`, as { language: { key: message } }, English first.
export function readCatalogs(folder) {
  const languages = readdirSync(folder).filter((name) => name.endsWith('.json')).map((name) => basename(name, '.json'))
    .sort((a, b) => (a === REFERENCE ? -1 : b === REFERENCE ? 1 : a.localeCompare(b)));
  return Object.fromEntries(languages.map((language) => [language,
    JSON.parse(readFileSync(join(folder, `${language}.json`), 'utf8'))]));
}

// What a message takes and can say: its placeholders, and for each choice
// among words (select) the cases it offers; plural cases follow the
// language, and are the parser's to check against CLDR's.
function shape(tokens, found = new Set()) {
  for (const token of tokens) {
    if (token.arg !== undefined) found.add(`{${token.arg}}`);
    if (token.type === 'select') token.cases.forEach(({ key }) => found.add(`{${token.arg}} ${key}`));
    token.cases?.forEach(({ tokens: inner }) => shape(inner, found));
  }
  return found;
}

// Where `catalogs` fall short of English: a list of sentences, each naming
// the language and the message.
export function catalogProblems(catalogs) {
  const problems = [];
  const reference = catalogs[REFERENCE];
  const shapes = {};
  for (const [language, catalog] of Object.entries(catalogs)) {
    const cardinal = new Intl.PluralRules(language).resolvedOptions().pluralCategories;
    for (const key of Object.keys(reference)) {
      if (!(key in catalog)) problems.push(`${language}: the message ${key} is missing`);
    }
    for (const [key, message] of Object.entries(catalog)) {
      if (!(key in reference)) {
        problems.push(`${language}: the message ${key} is not in ${REFERENCE}.json`);
        continue;
      }
      let tokens;
      try {
        tokens = parse(message, { cardinal });
      } catch (error) {
        problems.push(`${language}: the message ${key} does not parse: ${error.message}`);
        continue;
      }
      const found = [...shape(tokens)].sort().join(' ');
      shapes[key] ??= found;
      if (found !== shapes[key]) {
        problems.push(`${language}: the message ${key} has placeholders ${found || 'none'}, not ${shapes[key] || 'none'}`);
      }
      if (PLAIN.test(key) && tokens.some((token) => token.type !== 'content')) {
        problems.push(`${language}: the message ${key} must be plain text`);
      }
    }
  }
  return problems;
}

// English with every letter outside the messages' syntax accented, and
// each message bracketed: still readable, never English.
const LOOK_ALIKES = [...'áƀçđéƒĝĥíĵķĺɱñóƥʠŕšťúṽŵẋýžÁƁÇĐÉƑĜĤÍĴĶĹṀÑÓƤɊŔŠŤÚṼŴẊÝŽ'];
const ACCENTED = Object.fromEntries([...'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ']
  .map((letter, i) => [letter, LOOK_ALIKES[i]]));
export function pseudoMessage(message) {
  const edits = [];
  const visit = (tokens) => tokens.forEach((token) => {
    if (token.type === 'content') edits.push(token.ctx);
    token.cases?.forEach(({ tokens: inner }) => visit(inner));
  });
  visit(parse(message));
  let text = message;
  for (const { offset, text: source } of edits.sort((a, b) => b.offset - a.offset)) {
    text = text.slice(0, offset) + source.replace(/[A-Za-z]/g, (letter) => ACCENTED[letter]) +
      text.slice(offset + source.length);
  }
  return `⟦${text}⟧`;
}

const escapeHtml = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
const direction = (language) => {
  const locale = new Intl.Locale(language);
  return (locale.getTextInfo?.() ?? locale.textInfo).direction;
};

// The elements of `template` that name a message (data-message="key", with
// its arguments as JSON in data-message-args) and the attributes that do
// (data-message-NAME="key"); the Speed menu's options are written here, a
// message each.
const MESSAGE_ELEMENT = /(<(\w+)[^>]*\sdata-message="([\w.]+)"[^>]*>)(<\/\2>)/g;
const MESSAGE_ATTRIBUTE = /\sdata-message-(?!args)([\w-]+)="([\w.]+)"/g;
const argumentsOf = (open) => JSON.parse(open.match(/\sdata-message-args='([^']*)'/)?.[1] ?? '{}');
const withSpeeds = (template) => template.replace('<!-- the speeds -->', () => SPEEDS.map((refreshes) =>
  `<option value="${refreshes}" data-message="control.speedOption" data-message-args='${JSON.stringify({ refreshes })}'></option>`)
  .join(''));

// The page's own words in `language`: each message the page names, as
// wordKey names it, with the string's facts and its arguments in that
// language's numbers.
function pageWords(template, catalogs, language) {
  const catalog = catalogs[language];
  const format = new MessageFormat(language);
  const facts = factsInWords((value, options) => new Intl.NumberFormat(language, options).format(value));
  const words = {};
  const write = (key, args) => {
    if (!(key in catalog)) throw new Error(`index.html names the message ${key}, which ${language}.json does not hold`);
    const named = new Set([...Object.keys(facts), ...Object.keys(args)]);
    if (parse(catalog[key]).some((token) => token.type !== 'content' && !named.has(token.arg))) {
      throw new Error(`index.html names the message ${key}, which has placeholders it does not give: the page must fill them in`);
    }
    words[wordKey(key, args)] = format.compile(catalog[key])({ ...facts, ...args });
  };
  for (const [, open, , key] of withSpeeds(template).matchAll(MESSAGE_ELEMENT)) write(key, argumentsOf(open));
  for (const [, , key] of template.matchAll(MESSAGE_ATTRIBUTE)) write(key, {});
  return words;
}

// The page with English in every element and attribute that names a
// message, the menus' choices, the notice without JavaScript in each
// language, and `boot` inline.
function renderPage(template, catalogs, boot) {
  const words = pageWords(template, catalogs, REFERENCE);
  const notices = Object.entries(catalogs).map(([language, catalog]) =>
    `<p lang="${language}" dir="${direction(language)}">${escapeHtml(catalog['page.noScript'])}</p>`).join('\n      ');
  const languages = offeredLanguages(catalogs).map(({ code, name }) =>
    `<option value="${code}" lang="${code}">${escapeHtml(name)}</option>`).join('');
  if (boot.includes('</script')) throw new Error('the boot script holds "</script" and cannot be put inside a <script> element');
  return withSpeeds(template)
    .replace(MESSAGE_ELEMENT, (_, open, _tag, key, close) => open + escapeHtml(words[wordKey(key, argumentsOf(open))]) + close)
    .replace(MESSAGE_ATTRIBUTE, (attribute, name, key) => `${attribute} ${name}="${escapeHtml(words[key])}"`)
    .replace('<!-- the notice in every language -->', () => notices)
    .replace('<!-- the languages -->', () => languages)
    .replace('<!-- the boot script -->', () => `<script id="boot">${boot.trim()}</script>`);
}

// The manifest in each language: English's as manifest.webmanifest, the
// page's default, the others beside it as manifest.LANGUAGE.webmanifest.
const manifestName = (language) => (language === REFERENCE ? 'manifest.webmanifest' : `manifest.${language}.webmanifest`);
function writeManifests(template, catalogs, site) {
  for (const [language, catalog] of Object.entries(catalogs)) {
    const manifest = {
      lang: language, dir: direction(language), name: catalog['page.title'], short_name: catalog['page.shortName'],
      description: catalog['page.description'], ...template,
    };
    writeFileSync(join(site, manifestName(language)), `${JSON.stringify(manifest, null, 2)}\n`);
  }
}

// The languages the page offers, each named in itself, as language.js and
// boot.js take them.
const offeredLanguages = (catalogs) => Object.keys(catalogs).filter((language) => language !== PSEUDO)
  .map((language) => ({
    code: language, name: catalogs[language]['language.name'], direction: direction(language),
    manifest: manifestName(language),
  }));

// Each catalog a module of its own, with the page's words in it, so that a
// page loads only its language's.
function compileCatalogs(catalogs, template, out) {
  const folder = join(out, 'vibrating-string-messages');
  mkdirSync(folder, { recursive: true });
  const made = '// Made by cmake/messages.mjs from messages/*.json.\n';
  writeFileSync(join(folder, 'languages.js'), `${made}export const LANGUAGES = ${JSON.stringify(offeredLanguages(catalogs))};\n` +
    `export const PSEUDO = ${JSON.stringify(PSEUDO in catalogs ? PSEUDO : null)};\n` +
    `export const REFERENCE = ${JSON.stringify(REFERENCE)};\n`);
  for (const [language, catalog] of Object.entries(catalogs)) {
    writeFileSync(join(folder, `${language}.js`), `${made}${compileModule(new MessageFormat(language), catalog)}\n` +
      `export const words = ${JSON.stringify(pageWords(template, catalogs, language))};\n`);
  }
}

function main() {
  const [step, messages, indexHtml, ...rest] = process.argv.slice(2);
  const catalogs = readCatalogs(messages);
  const problems = catalogProblems(catalogs);
  if (problems.length > 0) throw new Error(`the catalogs in ${messages}:\n  ${problems.join('\n  ')}`);
  const template = readFileSync(indexHtml, 'utf8');
  if (step === 'page') {
    const [boot, site] = rest;
    const page = renderPage(template, catalogs, readFileSync(boot, 'utf8'));
    writeFileSync(join(site, 'index.html'), withPolicy(page, securityPolicy(page)));
    return;
  }
  const [out, manifest, site, pseudo] = rest;
  writeManifests(JSON.parse(readFileSync(manifest, 'utf8')), catalogs, site);
  if (pseudo === '--pseudo') {
    catalogs[PSEUDO] = Object.fromEntries(Object.entries(catalogs[REFERENCE])
      .map(([key, message]) => [key, pseudoMessage(message)]));
  }
  compileCatalogs(catalogs, template, out);
}

if (import.meta.url === pathToFileURL(process.argv[1]).href) main();
