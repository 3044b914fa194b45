// The home locator in the browser's storage: the nine values user.ini holds
// (latitude degrees, minutes, seconds, "True" for North, the same for
// longitude and East, the locator). Anything else found there is ignored
// with a reason, never trusted.
export const kKey = 'morvane.home';
const kSlots = 9;
const kMaxValue = 1000;

// {table, stored, problem}: the stored table, or an empty one (stored false)
// and why, when something was there that could not be read.
export function loadHome(storage) {
  const empty = Array(kSlots).fill('');
  let raw;
  try {
    raw = storage.getItem(kKey);
  } catch {
    return { table: empty, stored: false, problem: 'This browser does not let Morvane read its storage.' };
  }
  if (raw === null) return { table: empty, stored: false, problem: null };
  let table;
  try {
    table = raw.length <= kSlots * (kMaxValue + 8) ? JSON.parse(raw) : null;
  } catch {
    table = null;
  }
  const valid = Array.isArray(table) && table.length === kSlots &&
    table.every((v) => typeof v === 'string' && v.length <= kMaxValue);
  if (!valid) return { table: empty, stored: false, problem: 'The home locator stored in this browser could not be read and was ignored.' };
  return { table, stored: true, problem: null };
}

// Stores the table; the reason on failure (storage full or refused).
export function saveHome(storage, table) {
  try {
    storage.setItem(kKey, JSON.stringify(table));
    return null;
  } catch (e) {
    return `My QRA Locator could not be saved in this browser: ${e.name}`;
  }
}
