// Field mode's arithmetic, apart from the page: how long a locator the
// browser's accuracy supports, and how far the nearest edge of a cell is.
// Small pure functions; the page feeds them the core's answers.

// Each locator length's cell in degrees: [longitude, latitude].
export const kCellDegrees = { 2: [20, 10], 4: [2, 1], 6: [1 / 12, 1 / 24], 8: [1 / 120, 1 / 240], 10: [1 / 2880, 1 / 5760] };

// A cell's size in metres at a latitude, its narrower side first.
function narrowSideMetres(length, latitude, kmPerDegree) {
  const [dLon, dLat] = kCellDegrees[length];
  return 1000 * kmPerDegree * Math.min(dLat, dLon * Math.cos((latitude * Math.PI) / 180));
}

// The longest length up to wanted (6, 8 or 10) that a position within
// accuracy metres can tell: the accuracy at most half the cell's narrower
// side. Never less than 4, the square.
export function supportedLength(wanted, accuracy, latitude, kmPerDegree) {
  for (let length = wanted; length > 4; length -= 2)
    if (accuracy <= narrowSideMetres(length, latitude, kmPerDegree) / 2) return length;
  return 4;
}

// The nearest edge of the cell of a locator whose centre is given, from a
// point inside it: {km, direction} (N, E, S or W), on the core's Earth.
export function nearestEdge(centre, length, lat, lon, kmPerDegree) {
  const [dLon, dLat] = kCellDegrees[length];
  const eastWest = kmPerDegree * Math.cos((lat * Math.PI) / 180);
  const edges = [
    ['N', (centre.lat + dLat / 2 - lat) * kmPerDegree],
    ['S', (lat - (centre.lat - dLat / 2)) * kmPerDegree],
    ['E', (centre.lon + dLon / 2 - lon) * eastWest],
    ['W', (lon - (centre.lon - dLon / 2)) * eastWest],
  ];
  const [direction, km] = edges.reduce((best, e) => (e[1] < best[1] ? e : best));
  return { km: Math.max(0, km), direction };
}

// A distance as a walker reads it: metres below a kilometre, else km to
// one decimal.
export function walkingDistance(km, format) {
  return km < 1 ? `${Math.round(km * 1000)} m` : `${format(Math.round(km * 10) / 10)} km`;
}

// The alert for a move from one locator to the next (6 characters or
// more), or null: a new square names the square, a new sub-square the
// sub-square. The first fix is no move.
export function gridAlert(previous, current) {
  if (!previous) return null;
  if (previous.slice(0, 4) !== current.slice(0, 4)) return `Now in ${current.slice(0, 4)}`;
  if (previous.slice(0, 6) !== current.slice(0, 6)) return `Now in ${current.slice(0, 6)}`;
  return null;
}
