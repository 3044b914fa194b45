// What people paste into the Position box, brought to the form the core's
// position reader takes: a geo: URI, the position in a map site's link,
// or two numbers with decimal commas. Anything else passes unchanged, so
// that the core reads it or refuses it by name.

const kNumber = String.raw`[+-]?\d+(?:\.\d+)?`;
const pair = (lat, lon) => `${lat} ${lon}`;

// Links: ".../@48.8566,2.3522,15z", "#map=15/48.8566/2.3522",
// "?mlat=48.8566&mlon=2.3522", "?q=48.8566,2.3522" (also ll= and query=).
const kLinkForms = [
  new RegExp(String.raw`/@(${kNumber}),(${kNumber})(?:,|$|/|\?)`),
  new RegExp(String.raw`[#&]map=[\d.]+/(${kNumber})/(${kNumber})(?:$|[&/?])`),
  new RegExp(String.raw`[?&](?:q|ll|query|center)=(${kNumber})(?:,|%2C)\s*(${kNumber})(?:$|[&,#])`, 'i'),
];

export function pastedPosition(text) {
  const s = text.trim();
  // geo:LAT,LON[,ALT][;u=...][?z=...]
  const geo = new RegExp(String.raw`^geo:(${kNumber}),(${kNumber})(?:,${kNumber})?(?:[;?].*)?$`, 'i').exec(s);
  if (geo) return pair(geo[1], geo[2]);
  if (/^https?:\/\/|^www\.|[?#&](?:mlat|map|q|ll|query|center)=|\/@/i.test(s)) {
    const lat = new RegExp(String.raw`[?&#]mlat=(${kNumber})`).exec(s);
    const lon = new RegExp(String.raw`[?&#]mlon=(${kNumber})`).exec(s);
    if (lat && lon) return pair(lat[1], lon[1]);
    for (const form of kLinkForms) {
      const m = form.exec(s);
      if (m) return pair(m[1], m[2]);
    }
  }
  // "48,8566 2,3522", "48,8566; 2,3522": decimal commas, the two numbers
  // apart by blanks or a semicolon (a comma between them would be
  // ambiguous, and is left to be refused).
  const comma = String.raw`[+-]?\d+(?:,\d+)?`;
  const french = new RegExp(String.raw`^(${comma})\s*(?:;|\s)\s*(${comma})$`).exec(s);
  if (french && (french[1].includes(',') || french[2].includes(','))) return pair(french[1].replace(',', '.'), french[2].replace(',', '.'));
  return text;
}
