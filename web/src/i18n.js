// The interface's language: the browser's. English texts are the keys;
// French gives each its translation, and messages made with values
// ("Now in {cell}") keep their placeholders. A text with no translation is
// shown in English rather than not at all.
import { kFrench, kFrenchPatterns } from './french.js';

let french = false;

export const setLanguage = (language) => (french = /^fr(-|$)/i.test(language || ''));
export const speechLanguage = () => (french ? 'fr-FR' : 'en-GB');

// A text in the interface's language, its {names} filled from values.
export function t(text, values = {}) {
  const shown = (french && kFrench[text]) || text;
  return shown.replace(/\{(\w+)\}/g, (_, k) => (k in values ? String(values[k]) : `{${k}}`));
}

// A message made elsewhere (the core's, in English), translated by its
// known forms; unknown ones pass as they are.
export function tMessage(text) {
  if (!french) return text;
  if (kFrench[text]) return kFrench[text];
  for (const [pattern, replacement] of kFrenchPatterns) if (pattern.test(text)) return text.replace(pattern, replacement);
  return text;
}

// The page's own texts, captions and accessible names, translated once at
// start.
export function translatePage(root) {
  if (!french) return;
  document.documentElement.lang = 'fr';
  const walker = document.createTreeWalker(root, NodeFilter.SHOW_TEXT);
  for (let n = walker.nextNode(); n; n = walker.nextNode()) {
    const key = n.nodeValue.trim();
    if (key && kFrench[key]) n.nodeValue = n.nodeValue.replace(key, kFrench[key]);
  }
  for (const e of root.querySelectorAll('[aria-label], [placeholder], [title]'))
    for (const a of ['aria-label', 'placeholder', 'title'])
      if (e.hasAttribute(a) && kFrench[e.getAttribute(a)]) e.setAttribute(a, kFrench[e.getAttribute(a)]);
}
