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
  const plain = plainNumber(text, locale);
  if (plain === null || !kNumber.test(plain)) return null;
  const value = Number(plain);
  return Number.isNaN(value) ? null : value;
}

// The text with "." as its decimal mark, or null. Where a point cannot be a
// group separator (French, whose groups are split by a blank), a point is
// read as the decimal mark too, as GPS apps and map sites write numbers.
function plainNumber(text, locale) {
  const { decimal, group } = separators(locale);
  const trimmed = text.trim();
  if (decimal === '.') return trimmed;
  if (trimmed.includes(decimal)) return trimmed.includes('.') ? null : trimmed.split(decimal).join('.');
  return trimmed.includes('.') && group === '.' ? null : trimmed;
}

// At most 15 significant digits, no group separator, the language's decimal.
export function formatNumber(value, locale) {
  const text = String(Number(value.toPrecision(15)));
  return text.replace('.', separators(locale).decimal);
}

// Decimals the exact cell reads at most (the core's limit).
export const kMaxDecimals = 28;

// The decimal digits a box's number denotes, without its sign and exponent
// ("-4.8e1" is {negative: true, digits: "48"}), for the exact cell; null when
// it is not a number or has more than kMaxDecimals decimals.
export function decimalDigits(text, locale) {
  if (readNumber(text, locale) === null) return null;
  const plain = plainNumber(text, locale);
  const [, sign, whole, fraction = '', exponent = '0'] = /^([+-]?)(\d*)(?:\.(\d*))?(?:[eE]([+-]?\d+))?$/.exec(plain);
  // The point moved by the exponent; past 400 places a double is 0 or
  // infinite anyway, and the grid is far behind.
  const shift = Math.max(-400, Math.min(400, Number(exponent)));
  let all = whole + fraction;
  let point = whole.length + shift;
  if (point < 0) [all, point] = ['0'.repeat(-point) + all, 0];
  if (point > all.length) all += '0'.repeat(point - all.length);
  const decimals = all.slice(point).replace(/0+$/, '');
  if (decimals.length > kMaxDecimals) return null;
  return { negative: sign === '-', digits: (all.slice(0, point) || '0') + (decimals ? `.${decimals}` : '') };
}
