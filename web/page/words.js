// SPDX-License-Identifier: GPL-3.0-or-later
// How the page's own words are looked up: each language's catalog carries
// them written at build time (cmake/messages.mjs), one for each message an
// element names with the arguments it gives (data-message-args), so that
// the page shows them, in any language, before it has formatted a number.
export const wordKey = (key, args = {}) => (Object.keys(args).length === 0 ? key : `${key} ${JSON.stringify(args)}`);
