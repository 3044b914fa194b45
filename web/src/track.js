// The rover's track in the browser's storage: the squares entered (with
// the time of entry) and the fixes, kept across reloads. Every tab of the
// page shares it, so a tab never writes its copy over the stored one: what
// it adds is merged into what is stored, and only "Clear the track" starts
// anew, under a new epoch that tells the other tabs to let their copies go.
// What cannot be read is started afresh, never trusted.
// Fixes are stored as text of deltas (encodeFixes), a day's in a fraction
// of the room a list of objects took.
export const kTrackKey = 'morvane.track';
// A day's roving: 100,000 fixes kept as deltas take about 1.3 million
// characters, within any browser's 5 million for a site. Past that the
// older half is thinned to every second fix (segment starts kept), and
// the track says so.
export const kMaxFixes = 100000;
const kMaxSquares = 5000;
// Positions to 1e-7 degree (1 cm) and heights to 0.1 m: what the GPX writes.
const kDegrees = 1e7;
const kMetres = 10;

const isSquare = (s) => s && typeof s.cell === 'string' && /^[A-R]{2}[0-9]{2}$/.test(s.cell) && Number.isFinite(s.time);
const isFix = (f) => f && [f.lat, f.lon, f.time].every(Number.isFinite) && (f.alt === undefined || Number.isFinite(f.alt)) &&
  (f.seg === undefined || f.seg === true);

// A fix as it is kept: rounded as stored, so a reload gives the same track.
export function keptFix(lat, lon, time, alt, seg) {
  const f = { lat: Math.round(lat * kDegrees) / kDegrees, lon: Math.round(lon * kDegrees) / kDegrees, time: Math.round(time) };
  if (seg) f.seg = true;
  if (Number.isFinite(alt)) f.alt = Math.round(alt * kMetres) / kMetres;
  return f;
}

// Fixes as text: "dlat,dlon,dtime[,alt][,s]" in base 36 whole units, each
// the change from the fix before, fixes apart by ";".
export function encodeFixes(fixes) {
  let [lat0, lon0, time0] = [0, 0, 0];
  return fixes.map((f) => {
    const [lat, lon, time] = [Math.round(f.lat * kDegrees), Math.round(f.lon * kDegrees), Math.round(f.time)];
    let text = `${(lat - lat0).toString(36)},${(lon - lon0).toString(36)},${(time - time0).toString(36)}`;
    if (Number.isFinite(f.alt) || f.seg) text += `,${Number.isFinite(f.alt) ? Math.round(f.alt * kMetres).toString(36) : ''}`;
    if (f.seg) text += ',s';
    [lat0, lon0, time0] = [lat, lon, time];
    return text;
  }).join(';');
}

const kWhole = /^-?[0-9a-z]+$/;
// The fixes of encodeFixes' text, or null when any part cannot be read.
export function decodeFixes(text) {
  if (text === '') return [];
  let [lat, lon, time] = [0, 0, 0];
  const fixes = [];
  for (const part of text.split(';')) {
    const [a, b, c, alt, seg, ...rest] = part.split(',');
    if (![a, b, c].every((w) => kWhole.test(w ?? '')) || rest.length || (alt && !kWhole.test(alt)) ||
      (seg !== undefined && seg !== 's')) return null;
    [lat, lon, time] = [lat + parseInt(a, 36), lon + parseInt(b, 36), time + parseInt(c, 36)];
    const f = { lat: lat / kDegrees, lon: lon / kDegrees, time };
    if (seg) f.seg = true;
    if (alt) f.alt = parseInt(alt, 36) / kMetres;
    if (!isFix(f) || Math.abs(f.lat) > 90 || Math.abs(f.lon) > 180) return null;
    fixes.push(f);
  }
  return fixes;
}

// Fixes kept within kMaxFixes: the older half thinned, as often as needed.
// The track remembers how many went and up to when it is thinned, so that
// a merge with a copy from before does not bring them back.
function thin(track) {
  while (track.fixes.length > kMaxFixes) {
    const half = Math.floor(track.fixes.length / 2);
    const older = track.fixes.slice(0, half).filter((f, i) => f.seg || i % 2 === 0);
    track.thinned = (track.thinned || 0) + half - older.length;
    track.thinnedThrough = Math.max(track.thinnedThrough || 0, track.fixes[half - 1].time);
    track.fixes = [...older, ...track.fixes.slice(half)];
  }
}

// The stored track, or null when none can be read. Tracks stored with a
// list of fixes (before they were kept as text) are read too.
function read(storage) {
  try {
    const t = JSON.parse(storage.getItem(kTrackKey) || 'null');
    const fixes = typeof t?.fixes === 'string' ? decodeFixes(t.fixes) : t?.fixes;
    if (t && Array.isArray(t.squares) && Array.isArray(fixes) && t.squares.every(isSquare) && fixes.every(isFix)) {
      const count = (n) => (Number.isFinite(n) && n > 0 ? n : 0);
      const track = { epoch: typeof t.epoch === 'string' ? t.epoch : '', squares: t.squares.slice(-kMaxSquares), fixes,
        thinned: count(t.thinned), thinnedThrough: count(t.thinnedThrough) };
      thin(track);
      return track;
    }
  } catch {
    // unreadable or refused
  }
  return null;
}

export const loadTrack = (storage) => read(storage) ?? { epoch: '', squares: [], fixes: [], thinned: 0, thinnedThrough: 0 };

const squareKey = (s) => `${s.time} ${s.cell}`;
const fixKey = (f) => `${f.time} ${f.lat} ${f.lon}`;

// Both lists' entries once each, in time order, the newest kept. Lists in
// time order (as tracks grow) are merged in one pass: a tab saves its
// track every few seconds, and a day's track is long.
function union(a, b, key, most) {
  const sorted = (l) => l.every((e, i) => i === 0 || l[i - 1].time <= e.time);
  if (!sorted(a) || !sorted(b)) {
    const seen = new Map([...a, ...b].map((e) => [key(e), e]));
    return [...seen.values()].sort((x, y) => x.time - y.time).slice(-most);
  }
  const out = [];
  const keys = new Set();  // the keys at the last time written, where equal times meet
  const put = (e) => {
    if (out.length && out.at(-1).time !== e.time) keys.clear();
    const k = key(e);
    if (keys.has(k)) return;
    keys.add(k);
    out.push(e);
  };
  let [i, j] = [0, 0];
  while (i < a.length || j < b.length) put(j >= b.length || (i < a.length && a[i].time <= b[j].time) ? a[i++] : b[j++]);
  return out.slice(-most);
}

// What another tab stored, taken into this tab's track: the entries of
// both while they share an epoch; the stored track alone once it was
// cleared elsewhere. Nothing readable stored leaves this tab's as it is.
export function mergeStored(storage, track) {
  const stored = read(storage);
  if (!stored) return;
  if (stored.epoch !== track.epoch) return void Object.assign(track, stored);
  track.squares = union(stored.squares, track.squares, squareKey, kMaxSquares);
  // Up to where either copy was thinned, the more thinned one holds.
  const through = Math.max(track.thinnedThrough || 0, stored.thinnedThrough);
  const thinner = stored.thinnedThrough >= (track.thinnedThrough || 0) ? stored : track;
  const after = (fixes) => fixes.filter((f) => f.time > through);
  track.fixes = [...thinner.fixes.filter((f) => f.time <= through), ...union(after(stored.fixes), after(track.fixes), fixKey, Infinity)];
  Object.assign(track, { thinned: thinner.thinned || 0, thinnedThrough: through });
  thin(track);
}

const write = (storage, track) => {
  try {
    storage.setItem(kTrackKey, JSON.stringify({ ...track, fixes: encodeFixes(track.fixes) }));
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
    squares: union(squares, [], squareKey, kMaxSquares), fixes: union(fixes, [], fixKey, Infinity),
    thinned: fixes.length ? track.thinned || 0 : 0, thinnedThrough: fixes.length ? track.thinnedThrough || 0 : 0 });
  thin(track);
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
  track.fixes.push(keptFix(fix.latitude, fix.longitude, fix.time, fix.altitude, startsSegment));
  thin(track);
  return true;
}
