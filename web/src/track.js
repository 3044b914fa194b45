// The rover's track in the browser's storage: the squares entered (with
// the time of entry) and the fixes, kept across reloads. What cannot be
// read is started afresh, never trusted.
export const kTrackKey = 'morvane.track';
// A day's roving at a fix every few seconds; older fixes give way.
const kMaxFixes = 20000;
const kMaxSquares = 5000;

const isSquare = (s) => s && typeof s.cell === 'string' && /^[A-R]{2}[0-9]{2}$/.test(s.cell) && Number.isFinite(s.time);
const isFix = (f) => f && [f.lat, f.lon, f.time].every(Number.isFinite) && (f.alt === undefined || Number.isFinite(f.alt));

export function loadTrack(storage) {
  try {
    const t = JSON.parse(storage.getItem(kTrackKey) || 'null');
    if (t && Array.isArray(t.squares) && Array.isArray(t.fixes) && t.squares.every(isSquare) && t.fixes.every(isFix))
      return { squares: t.squares.slice(-kMaxSquares), fixes: t.fixes.slice(-kMaxFixes) };
  } catch {
    // unreadable or refused: a fresh track
  }
  return { squares: [], fixes: [] };
}

// The reason on failure (storage full or refused), else null.
export function saveTrack(storage, track) {
  try {
    storage.setItem(kTrackKey, JSON.stringify(track));
    return null;
  } catch (e) {
    return e.name;
  }
}

// A square entered: added unless it is the one the track ends in.
export function enterSquare(track, cell, time) {
  if (track.squares.at(-1)?.cell === cell) return false;
  track.squares.push({ cell, time });
  if (track.squares.length > kMaxSquares) track.squares.shift();
  return true;
}

// A fix kept when it moved further than its accuracy (at least 5 m) from
// the last one kept, so that a parked rover's track stays one point.
export function addFix(track, fix, metresFromLast) {
  if (track.fixes.length && metresFromLast(track.fixes.at(-1)) <= Math.max(5, fix.accuracy)) return false;
  const kept = { lat: fix.latitude, lon: fix.longitude, time: fix.time };
  if (Number.isFinite(fix.altitude)) kept.alt = fix.altitude;
  track.fixes.push(kept);
  if (track.fixes.length > kMaxFixes) track.fixes.shift();
  return true;
}
