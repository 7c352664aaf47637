// SPDX-License-Identifier: GPL-3.0-or-later
// Which of the languages offered fits a reader's language tags best.

// Chinese, alone among the languages offered, is written in two scripts:
// a Chinese tag is matched by its script too (Intl's likely subtags, which
// take a while to load the first time), so that zh-SG finds zh-CN but zh-TW
// does not. Other tags by their language: pt-PT finds pt-BR.
function sameLanguage(code, tag) {
  const [language, other] = [code, tag].map((name) => name.split('-')[0].toLowerCase());
  if (language !== other) return false;
  if (language !== 'zh') return true;
  const script = (name) => new Intl.Locale(name).maximize().script;
  return script(code) === script(tag);
}

// The code of `offered` that best fits `wanted`, a list of language tags in
// order of preference, or null: a tag's own language first, then one of
// the same language.
export function bestMatch(wanted, offered) {
  for (const tag of wanted) {
    try {
      const fit = offered.find((code) => code.toLowerCase() === tag.toLowerCase()) ??
        offered.find((code) => sameLanguage(code, tag));
      if (fit) return fit;
    } catch {
      // No language tag at all: the next one.
    }
  }
  return null;
}
