// The rover's track in the browser's storage: the squares entered (with
// the time of entry) and the fixes, kept across reloads. Every tab of the
// page shares it, so a tab never writes its copy over the stored one: what
// it adds is merged into what is stored, and only "Clear the track" starts
// anew, under a new epoch that tells the other tabs to let their copies go.
// What cannot be read is started afresh, never trusted.
export const kTrackKey = 'morvane.track';
// A day's roving at a fix every few seconds; older fixes give way.
const kMaxFixes = 20000;
const kMaxSquares = 5000;

const isSquare = (s) => s && typeof s.cell === 'string' && /^[A-R]{2}[0-9]{2}$/.test(s.cell) && Number.isFinite(s.time);
const isFix = (f) => f && [f.lat, f.lon, f.time].every(Number.isFinite) && (f.alt === undefined || Number.isFinite(f.alt)) &&
  (f.seg === undefined || f.seg === true);

// The stored track, or null when none can be read.
function read(storage) {
  try {
    const t = JSON.parse(storage.getItem(kTrackKey) || 'null');
    if (t && Array.isArray(t.squares) && Array.isArray(t.fixes) && t.squares.every(isSquare) && t.fixes.every(isFix))
      return { epoch: typeof t.epoch === 'string' ? t.epoch : '', squares: t.squares.slice(-kMaxSquares), fixes: t.fixes.slice(-kMaxFixes) };
  } catch {
    // unreadable or refused
  }
  return null;
}

export const loadTrack = (storage) => read(storage) ?? { epoch: '', squares: [], fixes: [] };

const squareKey = (s) => `${s.time} ${s.cell}`;
const fixKey = (f) => `${f.time} ${f.lat} ${f.lon}`;

// Both lists' entries once each, in time order, the newest kept.
function union(a, b, key, most) {
  const seen = new Map([...a, ...b].map((e) => [key(e), e]));
  return [...seen.values()].sort((x, y) => x.time - y.time).slice(-most);
}

// What another tab stored, taken into this tab's track: the entries of
// both while they share an epoch; the stored track alone once it was
// cleared elsewhere. Nothing readable stored leaves this tab's as it is.
export function mergeStored(storage, track) {
  const stored = read(storage);
  if (!stored) return;
  if (stored.epoch !== track.epoch) return void Object.assign(track, stored);
  track.squares = union(stored.squares, track.squares, squareKey, kMaxSquares);
  track.fixes = union(stored.fixes, track.fixes, fixKey, kMaxFixes);
}

const write = (storage, track) => {
  try {
    storage.setItem(kTrackKey, JSON.stringify(track));
    return null;
  } catch (e) {
    return e.name;
  }
};

// This tab's track merged into the stored one and written. The reason on
// failure (storage full or refused), else null.
export function saveTrack(storage, track) {
  mergeStored(storage, track);
  return write(storage, track);
}

// The track's entries replaced, here and in every tab: emptied, or put
// back after a clearing.
export function replaceTrack(storage, track, squares, fixes) {
  Object.assign(track, { epoch: `${Date.now().toString(36)}${Math.random().toString(36).slice(2)}`,
    squares: union(squares, [], squareKey, kMaxSquares), fixes: union(fixes, [], fixKey, kMaxFixes) });
  return write(storage, track);
}

// A square entered, where and when: added unless it is the one the track ends in.
export function enterSquare(track, cell, time, lat, lon) {
  if (track.squares.at(-1)?.cell === cell) return false;
  track.squares.push({ cell, time, lat, lon });
  if (track.squares.length > kMaxSquares) track.squares.shift();
  return true;
}

// A fix kept when it moved further than its accuracy (at least 5 m) from
// the last one kept, so that a parked rover's track stays one point; or
// when it starts a new segment of the track.
export function addFix(track, fix, metresFromLast, startsSegment) {
  if (!startsSegment && track.fixes.length && metresFromLast(track.fixes.at(-1)) <= Math.max(5, fix.accuracy)) return false;
  const kept = { lat: fix.latitude, lon: fix.longitude, time: fix.time };
  if (startsSegment) kept.seg = true;
  if (Number.isFinite(fix.altitude)) kept.alt = fix.altitude;
  track.fixes.push(kept);
  if (track.fixes.length > kMaxFixes) track.fixes.shift();
  return true;
}
