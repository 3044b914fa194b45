// Numbers as the browser's language writes them, read and written as the
// window reads and writes them under the same regional settings.

// The decimal and group separators of a language ("fr" types 48,5).
export function separators(locale) {
  const parts = new Intl.NumberFormat(locale).formatToParts(12345.6);
  const find = (type, fallback) => (parts.find((p) => p.type === type) || { value: fallback }).value;
  return { decimal: find('decimal', '.'), group: find('group', ',') };
}

const kNumber = /^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$/;

// The number in a box, or null when it is not one. Blanks around are
// ignored; a group separator is refused ("1,5" is not 15); a well-formed
// number too large for a double is Infinity, which the range checks refuse.
export function readNumber(text, locale) {
  const { decimal } = separators(locale);
  const trimmed = text.trim();
  if (decimal !== '.' && trimmed.includes('.')) return null;
  const plain = decimal === '.' ? trimmed : trimmed.split(decimal).join('.');
  if (!kNumber.test(plain)) return null;
  const value = Number(plain);
  return Number.isNaN(value) ? null : value;
}

// At most 15 significant digits, no group separator, the language's decimal.
export function formatNumber(value, locale) {
  const text = String(Number(value.toPrecision(15)));
  return text.replace('.', separators(locale).decimal);
}
