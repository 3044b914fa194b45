// Field mode's arithmetic, apart from the page: how long a locator the
// browser's accuracy supports, how far a cell's edges are, when a crossing
// is sure enough to announce, and what lies ahead. Small pure functions;
// the page feeds them the core's answers.

// Each locator length's cell in degrees: [longitude, latitude].
export const kCellDegrees = { 2: [20, 10], 4: [2, 1], 6: [1 / 12, 1 / 24], 8: [1 / 120, 1 / 240], 10: [1 / 2880, 1 / 5760] };

const rad = Math.PI / 180;

// A cell's narrower side in metres at a latitude, its width taken along
// the cell's edge nearer the equator, so that cells at a pole, whose other
// edge is a point, still have a width.
function narrowSideMetres(length, latitude, kmPerDegree) {
  const [dLon, dLat] = kCellDegrees[length];
  const edge = Math.max(0, Math.abs(latitude) - dLat);
  return 1000 * kmPerDegree * Math.min(dLat, dLon * Math.cos(edge * rad));
}

// The longest length up to wanted that a position within accuracy metres
// can tell: the accuracy at most half the cell's narrower side. 0 when not
// even a field can be told.
export function supportedLength(wanted, accuracy, latitude, kmPerDegree) {
  for (let length = wanted; length >= 2; length -= 2)
    if (accuracy <= narrowSideMetres(length, latitude, kmPerDegree) / 2) return length;
  return 0;
}

// The cell to show: the fix's own, unless the cell shown before (as long)
// is still within the fix's accuracy: near a line a jittering fix would
// otherwise flip the big locator from one side to the other. (A fix inside
// its own cell by more than its accuracy is always that far from any
// other.) outsideShownKm: from the fix to the shown cell.
export function heldCell(shown, cell, outsideShownKm, accuracy) {
  if (!shown || shown.length !== cell.length || shown === cell) return cell;
  return outsideShownKm * 1000 <= accuracy ? shown : cell;
}

// The distances in km from a point to the four edges of the cell of a
// locator whose centre is given: {N, S, E, W}.
function edgeDistances(centre, length, lat, lon, kmPerDegree) {
  const [dLon, dLat] = kCellDegrees[length];
  const eastWest = kmPerDegree * Math.cos(lat * rad);
  return {
    N: (centre.lat + dLat / 2 - lat) * kmPerDegree,
    S: (lat - (centre.lat - dLat / 2)) * kmPerDegree,
    E: (centre.lon + dLon / 2 - lon) * eastWest,
    W: (lon - (centre.lon - dLon / 2)) * eastWest,
  };
}

// How far a point lies outside a cell, in km (0 inside it).
export function outsideKm(centre, length, lat, lon, kmPerDegree) {
  return Math.hypot(...Object.values(edgeDistances(centre, length, lat, lon, kmPerDegree)).map((d) => Math.max(0, -d)));
}

// The nearest edge of the cell from a point inside it: {km, direction}.
export function nearestEdge(centre, length, lat, lon, kmPerDegree) {
  const [direction, km] = Object.entries(edgeDistances(centre, length, lat, lon, kmPerDegree))
    .reduce((best, e) => (e[1] < best[1] ? e : best));
  return { km: Math.max(0, km), direction };
}

// A distance as a walker reads it: metres below a kilometre, else km to
// one decimal.
export function walkingDistance(km, format) {
  return km < 1 ? `${Math.round(km * 1000)} m` : `${format(Math.round(km * 10) / 10)} km`;
}

// Whether a fix is one the grid can place: finite, off the north pole
// (the grid's last row ends below it), accuracy known.
export function usableFix({ latitude, longitude, accuracy }) {
  return [latitude, longitude, accuracy].every(Number.isFinite) && latitude >= -90 && latitude < 90 &&
    longitude >= -180 && longitude <= 180 && accuracy >= 0;
}

// A fix this many times worse than the recent ones' median is an outlier.
const kOutlierFactor = 4;
// The recent fixes whose accuracy is the yardstick.
const kRecent = 5;
// The fastest a rover goes (m/s, 250 km/h): a move beyond it since the last
// fix, more than both fixes' accuracy can explain, is a bad fix, not a move.
const kFastest = 70;
// Fixes in a row that agree with each other but not with the last one
// taken: the last one was the bad one, and these are believed.
const kAgreeing = 3;
// A move consistent with the rover's speed may run this much beyond it.
const kSpeedSlack = 1.5;

// Square and sub-square of a fix, each known only when the fix lies inside
// it by more than its accuracy; a crossing announced only when confirmed: by
// a second fix in a row sure of the same cell, or by a move the rover's own
// speed explains. A fix that jumps further than any vehicle can is ignored.
// state: kNoCrossing at first, then what this returns; fix: {cell (6 characters),
// accuracy (m), inside(length): km to that cell's nearest edge, lat, lon,
// time (ms), speed (m/s or null)}; metres(a, b) between two fixes. Returns
// {state, alert (the cell entered, 4 or 6 characters, or null), entered (a
// square newly known, or null), taken (false for a fix ignored)}.
export const kNoCrossing = { square: null, sub: null, recent: [], last: null, doubt: [], pending: null };

export function crossing(state, fix, metres) {
  const recent = [...state.recent, fix.accuracy].slice(-kRecent);
  const sorted = [...state.recent].sort((a, b) => a - b);
  const median = sorted.length ? sorted[Math.floor(sorted.length / 2)] : fix.accuracy;
  const ignored = (s) => ({ state: { ...state, recent, ...s }, alert: null, entered: null, taken: false });
  if (fix.accuracy > kOutlierFactor * Math.max(median, 5)) return ignored({});
  const point = { lat: fix.lat, lon: fix.lon, time: fix.time, accuracy: fix.accuracy };
  const possible = (from) => metres(from, point) <= kFastest * Math.max(0, (point.time - from.time) / 1000) + from.accuracy + point.accuracy;
  // Before the rover's square is known there is no crossing to guard.
  let last = state.square ? state.last : null;
  if (last && !possible(last)) {
    const doubt = state.doubt.length && possible(state.doubt.at(-1)) ? [...state.doubt, point] : [point];
    if (doubt.length < kAgreeing) return ignored({ doubt });
    last = null;  // the fixes agree among themselves: the last one taken was wrong
  }
  const sure = (length) => fix.inside(length) * 1000 > fix.accuracy;
  const square = fix.cell.slice(0, 4);
  const next = { square: state.square, sub: state.sub, recent, last: point, doubt: [], pending: null };
  const taken = (alert, entered) => ({ state: next, alert, entered, taken: true });
  if (!last || !state.square) {
    // The first fix, or one after a bad stretch: a starting place, no crossing.
    next.square = sure(4) ? square : null;
    next.sub = next.square && sure(6) ? fix.cell : null;
    return taken(null, next.square !== state.square ? next.square : null);
  }
  const length = square !== state.square ? 4 : fix.cell !== state.sub ? 6 : 0;
  if (!length || !sure(length)) return taken(null, null);
  const cell = fix.cell.slice(0, length);
  next.sub = sure(6) ? fix.cell : null;
  if (length === 6 && !state.sub) return taken(null, null);  // the sub-square first known
  const moved = metres(last, point);
  const explained = Number.isFinite(fix.speed) && fix.speed > 0 &&
    moved <= fix.speed * kSpeedSlack * Math.max(0, (point.time - last.time) / 1000) + 5;
  if (!explained && state.pending !== cell) {
    next.sub = state.sub;
    next.pending = cell;
    return taken(null, null);
  }
  next.square = square;
  return taken(cell, length === 4 ? square : null);
}

// Whether a fix is sure enough to be a point of the track: it can tell its
// sub-square. A rougher one (a cold start, a fix from the cell network)
// would draw the track kilometres off the road.
export const placesSubSquare = (accuracy, latitude, kmPerDegree) => supportedLength(6, accuracy, latitude, kmPerDegree) === 6;

// The eight squares around a square's centre {lat, lon}, as points inside
// each ({direction, lat, lon}); none beyond a pole.
export function neighbours(centre) {
  const [dLon, dLat] = kCellDegrees[4];
  const out = [];
  for (const [direction, dy, dx] of [['N', 1, 0], ['NE', 1, 1], ['E', 0, 1], ['SE', -1, 1], ['S', -1, 0], ['SW', -1, -1],
    ['W', 0, -1], ['NW', 1, -1]]) {
    const lat = centre.lat + dy * dLat;
    if (lat < -90 || lat > 90) continue;
    out.push({ direction, lat, lon: ((centre.lon + dx * dLon + 540) % 360) - 180 });
  }
  return out;
}

// The shortest distance in km from a point inside a square to a neighbour
// in a direction: across one edge, or to the shared corner.
export function neighbourKm(edges, direction) {
  const parts = [...direction].map((d) => Math.max(0, edges[d]));
  return Math.hypot(...parts);
}

// The neighbouring squares a rover could work from where it stands, the
// nearest first: each {direction, lat, lon, km} within km of the point
// (across an edge, or to a corner where up to four squares meet).
export function squaresWithin(centre, edges, km) {
  return neighbours(centre).map((n) => ({ ...n, km: neighbourKm(edges, n.direction) }))
    .filter((n) => n.km <= km).sort((a, b) => a.km - b.km);
}

export const squareEdges = (centre, lat, lon, kmPerDegree) => edgeDistances(centre, 4, lat, lon, kmPerDegree);

// The great-circle bearing (degrees) and distance (km) between fixes
// {latitude, longitude}, on a sphere of kmPerDegree.
export function course(from, to, kmPerDegree) {
  const [p1, p2] = [from.latitude * rad, to.latitude * rad];
  const dl = (to.longitude - from.longitude) * rad;
  const y = Math.sin(dl) * Math.cos(p2);
  const x = Math.cos(p1) * Math.sin(p2) - Math.sin(p1) * Math.cos(p2) * Math.cos(dl);
  const h = Math.sin((p2 - p1) / 2) ** 2 + Math.cos(p1) * Math.cos(p2) * Math.sin(dl / 2) ** 2;
  const km = 2 * Math.asin(Math.min(1, Math.sqrt(h))) * (kmPerDegree / rad);
  return { bearing: ((Math.atan2(y, x) / rad) + 360) % 360, km };
}

// The heading (degrees) and speed (m/s) of a fix, or, when the browser
// gives none, from the oldest of the recent fixes {latitude, longitude,
// accuracy, time (ms)} to the newest; null when not moving enough to tell.
export function motion(fix, history, kmPerDegree) {
  if (Number.isFinite(fix.heading) && Number.isFinite(fix.speed) && fix.speed > 0) return { heading: fix.heading, speed: fix.speed };
  if (Number.isFinite(fix.speed) && fix.speed === 0) return null;
  const first = history.find((h) => fix.time - h.time <= 30000 && fix.time > h.time);
  if (!first) return null;
  const c = course(first, fix, kmPerDegree);
  // A move within the fixes' accuracy is jitter, not a heading.
  if (c.km * 1000 <= Math.max(fix.accuracy, first.accuracy, 5)) return null;
  return { heading: c.bearing, speed: (c.km * 1000) / ((fix.time - first.time) / 1000) };
}

// The point a distance along the great circle leaving a point on a heading
// (angle in radians of the Earth's centre), longitude in [-180, 180).
function destination(lat, lon, heading, angle) {
  const [p, h] = [lat * rad, heading * rad];
  const lat2 = Math.asin(Math.min(1, Math.max(-1, Math.sin(p) * Math.cos(angle) + Math.cos(p) * Math.sin(angle) * Math.cos(h))));
  const lon2 = lon * rad + Math.atan2(Math.sin(h) * Math.sin(angle) * Math.cos(p), Math.cos(angle) - Math.sin(p) * Math.sin(lat2));
  return { lat: lat2 / rad, lon: ((((lon2 / rad + 180) % 360) + 360) % 360) - 180 };
}

// A point's square as [column, row], the pole in the row below it.
const squareOf = ({ lat, lon }) => [Math.floor((lon + 180) / 2) % 180, Math.min(179, Math.floor(lat + 90))];

// The next square line ahead on a heading from a point: {km, direction,
// lat, lon} just past where it is crossed, going straight (a great
// circle), so that it holds across the poles and the 180th meridian; null
// when none is crossed within a few squares.
export function lineAhead(lat, lon, heading, kmPerDegree) {
  const radiusKm = kmPerDegree / rad;
  const at = (km) => destination(lat, lon, heading, km / radiusKm);
  const [column, row] = squareOf({ lat, lon });
  const left = (km) => {
    const [c, r] = squareOf(at(km));
    return c !== column || r !== row;
  };
  // Steps of 250 m, then halved to 1 m: a square is over 100 km across
  // except within a few km of the poles, where the steps still see it.
  let [near, far] = [0, 0.25];
  while (far <= 500 && !left(far)) [near, far] = [far, far + 0.25];
  if (far > 500) return null;
  while (far - near > 0.001) {
    const mid = (near + far) / 2;
    if (left(mid)) far = mid;
    else near = mid;
  }
  const past = at(far);
  const [c, r] = squareOf(past);
  // Over a pole the column changes, and the rover went on north (or south).
  const polar = Math.abs(past.lat) > 89.99;
  const turn = ((c - column + 270) % 180) - 90;
  const direction = r !== row || polar ? (polar ? (lat > 0 ? 'N' : 'S') : r > row ? 'N' : 'S') : turn > 0 ? 'E' : 'W';
  return { km: far, direction, lat: past.lat, lon: past.lon };
}

// A duration in seconds as a walker or driver reads it: "45 s", "12 min",
// "2 h 05".
export function duration(seconds) {
  if (seconds < 60) return `${Math.round(seconds)} s`;
  if (seconds < 3600) return `${Math.round(seconds / 60)} min`;
  const minutes = Math.round(seconds / 60);
  return `${Math.floor(minutes / 60)} h ${String(minutes % 60).padStart(2, '0')}`;
}

// A coordinate as xsd:decimal wants it: never in exponent notation (a
// value near 0 would be written 4e-7), to 1e-7 degree (1 cm).
const decimal = (v, places = 7) => v.toFixed(places).replace(/(\.\d*?)0+$/, '$1').replace(/\.$/, '');
const escaped = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;');
const utcDay = (ms) => Math.floor(ms / 86400000);

// The track as GPX 1.1: a waypoint at each square entered (named by the
// square and its UTC time), and the fixes in segments, a new one where a
// fix starts one (following begun or resumed, a reload, the GPS lost for a
// minute) and at each new UTC day.
export function toGpx(fixes, squares, name) {
  const point = (f) => `<trkpt lat="${decimal(f.lat)}" lon="${decimal(f.lon)}">${Number.isFinite(f.alt) ? `<ele>${decimal(f.alt, 1)}</ele>` : ''}` +
    `<time>${new Date(f.time).toISOString()}</time></trkpt>`;
  const segments = [];
  fixes.forEach((f, i) => {
    if (!i || f.seg || utcDay(f.time) !== utcDay(fixes[i - 1].time)) segments.push([]);
    segments.at(-1).push(point(f));
  });
  const waypoints = squares.filter((s) => Number.isFinite(s.lat) && Number.isFinite(s.lon)).map((s) => {
    const time = new Date(s.time).toISOString();
    return `<wpt lat="${decimal(s.lat)}" lon="${decimal(s.lon)}"><time>${time}</time><name>${s.cell} ${time.slice(11, 19)}Z</name></wpt>\n`;
  });
  return '<?xml version="1.0" encoding="UTF-8"?>\n<gpx version="1.1" creator="Morvane" xmlns="http://www.topografix.com/GPX/1/1">\n' +
    `${waypoints.join('')}<trk><name>${escaped(name)}</name>\n` +
    `${segments.map((seg) => `<trkseg>\n${seg.join('\n')}\n</trkseg>\n`).join('')}</trk>\n</gpx>\n`;
}

// The squares visited, a line each: the square and the UTC time of entry.
// The activation log: each square once, in the order first entered, with
// the first time in it and the last (when the rover next left it, or the
// last fix while it is still there), tab-separated UTC times.
export function toSquareList(squares, fixes = []) {
  const end = Math.max(squares.at(-1)?.time ?? 0, fixes.at(-1)?.time ?? 0);
  const log = new Map();
  squares.forEach((s, i) => {
    const left = i + 1 < squares.length ? squares[i + 1].time : end;
    const seen = log.get(s.cell);
    log.set(s.cell, { first: seen ? seen.first : s.time, last: Math.max(seen ? seen.last : 0, left) });
  });
  const iso = (ms) => new Date(ms).toISOString();
  return [...log].map(([cell, { first, last }]) => `${cell}\t${iso(first)}\t${iso(last)}`).join('\n') + '\n';
}

// A letter or digit at a time, as a voice should say a locator.
export const spelt = (cell) => [...cell].join(' ');

// The radio alphabet's word for each letter; digits left for the voice to say in its own language.
const kPhonetic = ['Alfa', 'Bravo', 'Charlie', 'Delta', 'Echo', 'Foxtrot', 'Golf', 'Hotel', 'India', 'Juliett', 'Kilo', 'Lima',
  'Mike', 'November', 'Oscar', 'Papa', 'Quebec', 'Romeo', 'Sierra', 'Tango', 'Uniform', 'Victor', 'Whiskey', 'X-ray',
  'Yankee', 'Zulu'];
export const phonetic = (cell) => [...cell.toUpperCase()].map((c) => (/[A-Z]/.test(c) ? kPhonetic[c.charCodeAt(0) - 65] : c)).join(' ');
