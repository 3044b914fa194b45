// What people paste into the Position box, brought to the form the core's
// position reader takes: a geo: URI, the position in a map site's link,
// or two numbers with decimal commas. A geo: URI that holds no position
// is refused here, by name; anything else passes unchanged, so that the
// core reads it or refuses it by name. Returns {position} or {refused}.

const kNumber = String.raw`[+-]?\d+(?:\.\d+)?`;
const pair = (lat, lon) => `${lat} ${lon}`;

// Links: ".../@48.8566,2.3522,15z", "#map=15/48.8566/2.3522",
// "?mlat=48.8566&mlon=2.3522", "?q=48.8566,2.3522" (also ll= and query=).
const kLinkForms = [
  new RegExp(String.raw`/@(${kNumber}),(${kNumber})(?:,|$|/|\?)`),
  new RegExp(String.raw`[#&]map=[\d.]+/(${kNumber})/(${kNumber})(?:$|[&/?])`),
  new RegExp(String.raw`[?&](?:q|ll|query|center)=(${kNumber})(?:,|%2C)\s*(${kNumber})(?:$|[&,#])`, 'i'),
];

// geo:LAT,LON[,ALT][;crs=wgs84][;u=...][?z=...], and the form phones share
// for a place: geo:0,0?q=LAT,LON(Label), the path then meaning nothing.
function geoUri(s) {
  const m = new RegExp(String.raw`^geo:(${kNumber}),(${kNumber})(?:,${kNumber})?((?:;[^?]*)?)(?:\?(.*))?$`, 'i').exec(s);
  if (!m) return { refused: 'a geo: link with no position in it' };
  const crs = /;crs=([^;]*)/i.exec(m[3]);
  if (crs && crs[1].toLowerCase() !== 'wgs84') return { refused: 'a geo: link in a coordinate system other than WGS 84' };
  const query = new URLSearchParams(m[4] ?? '').get('q');
  if (query !== null) {
    const q = new RegExp(String.raw`^\s*(${kNumber})\s*,\s*(${kNumber})\s*(?:\(.*\))?\s*$`, 's').exec(query);
    if (q) return { position: pair(q[1], q[2]) };
  }
  if (Number(m[1]) === 0 && Number(m[2]) === 0 && query !== null) return { refused: 'a geo: link naming a place, not a position' };
  return { position: pair(m[1], m[2]) };
}

export function pastedPosition(text) {
  const s = text.trim();
  if (/^geo:/i.test(s)) return geoUri(s);
  if (/^https?:\/\/|^www\.|[?#&](?:mlat|map|q|ll|query|center)=|\/@/i.test(s)) {
    const lat = new RegExp(String.raw`[?&#]mlat=(${kNumber})`).exec(s);
    const lon = new RegExp(String.raw`[?&#]mlon=(${kNumber})`).exec(s);
    if (lat && lon) return { position: pair(lat[1], lon[1]) };
    for (const form of kLinkForms) {
      const m = form.exec(s);
      if (m) return { position: pair(m[1], m[2]) };
    }
  }
  // "48,8566 2,3522", "48,8566; 2,3522": decimal commas, the two numbers
  // apart by blanks or a semicolon (a comma between them would be
  // ambiguous, and is left to be refused).
  const comma = String.raw`[+-]?\d+(?:,\d+)?`;
  const french = new RegExp(String.raw`^(${comma})\s*(?:;|\s)\s*(${comma})$`).exec(s);
  if (french && (french[1].includes(',') || french[2].includes(','))) return { position: pair(french[1].replace(',', '.'), french[2].replace(',', '.')) };
  // "N 48° 51,396' E 2° 21,132'", "48,8566N 2,3522E": with hemispheres or
  // degree signs, and every comma between two digits, the commas are
  // decimal marks (a list would need a comma between the coordinates).
  if (!s.includes('.') && /[NSEWnsew°'′"″]/.test(s) && /\d,\d/.test(s) && !/,(?!\d)|(?<!\d),/.test(s))
    return { position: s.replace(/(\d),(\d)/g, '$1.$2') };
  return { position: text };
}
