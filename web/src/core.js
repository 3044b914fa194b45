// The locator core, compiled from the same C++ sources as the desktop, and
// the few calls the pages make into it. Each answer is a short text split
// at '|'.
import createCore from './core-wasm.js';

export async function loadCore(options = {}) {
  const m = await createCore(options);
  // A C string ends at its first NUL, which would hide what follows it
  // ("JN18EU" + NUL + anything): the NUL goes in as U+FFFD, which no
  // locator or position holds, so that the text is refused whole.
  const whole = (args) => args.map((a) => (typeof a === 'string' ? a.replaceAll('\0', '\uFFFD') : a));
  const text = (name, types, args) => m.ccall(name, 'string', types, whole(args));
  const split = (s) => (s === '' ? null : s.split('|'));
  return {
    // [{field, message}] in the order the first page checks its boxes.
    rangeRules: () => text('mv_range_rules', [], []).trim().split('\n').map((line) => {
      const [field, message] = line.split('|');
      return { field: Number(field), message };
    }),
    breaks: (field, value) => m.ccall('mv_breaks', 'number', ['number', 'number'], [field, value]) === 1,
    // {locator}, or {field, message} when off the grid: the exact cell of
    // the digits typed (strings without sign).
    encodeExact(lat, south, lon, west, length = 6) {
      const [kind, a, b] = text('mv_encode_exact', [...Array(3).fill('string'), 'number', ...Array(3).fill('string'),
        'number', 'number'], [...lat, south ? 1 : 0, ...lon, west ? 1 : 0, length]).split('|');
      return kind === 'ok' ? { locator: a } : { field: Number(a), message: b };
    },
    // The exact cell of a point in decimal degrees, '' off the grid.
    locatorAt: (lat, lon, length = 6) => text('mv_locator_at', ['number', 'number', 'number'], [lat, lon, length]),
    // The second page: {latitude, longitude} as shown (hemisphere, degrees,
    // minutes, seconds as texts) and the centre {lat, lon} in decimal degrees.
    locatorToDms(locator) {
      const p = split(text('mv_locator_to_dms', ['string'], [locator]));
      if (!p) return null;
      const axis = (i) => ({ hemisphere: p[i], degrees: p[i + 1], minutes: p[i + 2], seconds: p[i + 3] });
      return { latitude: axis(0), longitude: axis(4), lat: Number(p[8]), lon: Number(p[9]) };
    },
    // A locator of 2, 4, 6, 8 or 10 characters, upper case.
    check: (locator) => m.ccall('mv_check', 'number', ['string'], whole([locator])) === 1,
    // The short path, the long one ({azimuth, km, miles} each) and the short
    // path's exact azimuth and distance (the map draws along them).
    path(base, target) {
      const v = text('mv_path', ['string', 'string'], [base, target]).split('|').map(Number);
      return { azimuth: v[0], km: v[1], miles: v[2], long: { azimuth: v[3], km: v[4], miles: v[5] },
        exactAzimuth: v[6], exactKm: v[7] };
    },
    centre(locator) {
      const p = split(text('mv_centre', ['string'], [locator]));
      return p && { lat: Number(p[0]), lon: Number(p[1]) };
    },
    // A pasted position, read as the command line reads one: {locator,
    // latitude, longitude} (each {degrees, minutes, seconds, far} as typed),
    // or {message}.
    readPosition(position, length = 6) {
      const [kind, ...f] = text('mv_read_position', ['string', 'number'], [position, length]).split('|');
      if (kind !== 'ok') return { message: f.join('|') };
      const axis = (i) => ({ degrees: f[i], minutes: f[i + 1], seconds: f[i + 2], far: f[i + 3] === '1' });
      return { locator: f[0], latitude: axis(1), longitude: axis(5) };
    },
    earthCircumferenceKm: m.ccall('mv_earth_circumference_km', 'number', [], []),
    kmToMiles: m.cwrap('mv_km_to_miles', 'number', ['number']),
  };
}
