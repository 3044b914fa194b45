// The beam map: the world in the azimuthal equidistant projection centred
// on the base, so that straight lines from the centre are great circles and
// distances from it are true. Small pure functions build the pieces; draw()
// puts them into the SVG.
import { geoAzimuthalEquidistant, geoCircle, geoDistance, geoGraticule, geoInterpolate, geoPath } from 'd3-geo';
import { feature } from 'topojson-client';

export const kSize = 600;           // the SVG's own units; it scales with the page
export const kRingKm = 2500;        // range rings every 2,500 km
const SVG = 'http://www.w3.org/2000/svg';

// The projection centred on [longitude, latitude], the whole Earth filling
// the square (the antipode is its rim).
export function projectionFor(centre) {
  return geoAzimuthalEquidistant()
    .rotate([-centre[0], -centre[1]])
    .clipAngle(180 - 1e-3)
    .scale((kSize / 2 - 24) / Math.PI)
    .translate([kSize / 2, kSize / 2]);
}

// The radii of the rings, in km, out to the far side of the Earth.
export function ringRadiiKm() {
  const radii = [];
  for (let km = kRingKm; km < 20000; km += kRingKm) radii.push(km);
  return radii;
}

// A ring of km around centre, on an Earth of kmPerDegree (the core's).
export const ringFor = (centre, km, kmPerDegree) => geoCircle().center(centre).radius(km / kmPerDegree)();

// The short path as the great circle it is, and the long path: the rest of
// the same circle, from the target on round to the base.
export function paths(base, target) {
  const short = { type: 'LineString', coordinates: [base, target] };
  const d = geoDistance(base, target);
  if (!(d > 0)) return { short, long: null };
  const along = geoInterpolate(base, target);  // slerp: t beyond 1 goes on round
  const end = (2 * Math.PI) / d;
  const points = [];
  for (let i = 0; i <= 128; i += 1) points.push(along(1 + ((end - 1) * i) / 128));
  return { short, long: { type: 'LineString', coordinates: points } };
}

// The 18 x 18 fields: their lines and a letter pair at each centre.
export function fields() {
  const lines = geoGraticule().step([20, 10]).extent([[-180, -90], [180, 90]])();
  const letters = [];
  for (let x = 0; x < 18; x += 1)
    for (let y = 0; y < 18; y += 1)
      letters.push({ text: String.fromCharCode(65 + x, 65 + y), at: [-170 + 20 * x, -85 + 10 * y] });
  return { lines, letters };
}

export const landOf = (topology) => feature(topology, topology.objects.land);

function element(name, attributes, text) {
  const e = document.createElementNS(SVG, name);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  if (text !== undefined) e.textContent = text;
  return e;
}

// Draws the map into svg. ends: {base, target} as {lon, lat, name};
// ringLabel(km) gives a ring's label in the unit shown; kmPerDegree is the
// core's Earth, so that the rings agree with the distances shown.
export function draw(svg, { land, ends, ringLabel, showFields, description, kmPerDegree }) {
  const centre = [ends.base.lon, ends.base.lat];
  const projection = projectionFor(centre);
  const path = geoPath(projection);
  svg.replaceChildren();
  svg.setAttribute('viewBox', `0 0 ${kSize} ${kSize}`);
  svg.append(element('title', { id: 'map-title' }, description));
  svg.append(element('path', { class: 'sphere', d: path({ type: 'Sphere' }) }));
  if (land) svg.append(element('path', { class: 'land', d: path(land) }));
  if (showFields) {
    const f = fields();
    svg.append(element('path', { class: 'fields', d: path(f.lines) }));
    for (const l of f.letters) {
      const p = projection(l.at);
      if (p && geoDistance(centre, l.at) < Math.PI * 0.92)
        svg.append(element('text', { class: 'field-letter', x: p[0], y: p[1] }, l.text));
    }
  }
  for (const km of ringRadiiKm()) {
    svg.append(element('path', { class: 'ring', d: path(ringFor(centre, km, kmPerDegree)) }));
    // Labelled straight above the centre, where the ring crosses north.
    const radius = projection.scale() * ((km / kmPerDegree) * Math.PI) / 180;
    svg.append(element('text', { class: 'ring-label', x: kSize / 2 + 4, y: kSize / 2 - radius - 3 }, ringLabel(km)));
  }
  const target = [ends.target.lon, ends.target.lat];
  const both = paths(centre, target);
  if (both.long) svg.append(element('path', { class: 'long-path', d: path(both.long) }));
  svg.append(element('path', { class: 'short-path', id: 'short-path', d: path(both.short) }));
  for (const [name, lonLat] of [[ends.base.name, centre], [ends.target.name, target]]) {
    const p = projection(lonLat);
    if (!p) continue;
    svg.append(element('circle', { class: 'end', cx: p[0], cy: p[1], r: 4 }));
    svg.append(element('text', { class: 'end-label', x: p[0] + 7, y: p[1] - 7 }, name));
  }
  // The compass at the rim: the directions in which to point from the base.
  const rim = kSize / 2 - 12;
  for (const [letter, dx, dy] of [['N', 0, -1], ['E', 1, 0], ['S', 0, 1], ['W', -1, 0]])
    svg.append(element('text', { class: 'compass', x: kSize / 2 + dx * rim, y: kSize / 2 + dy * rim + 5 }, letter));
  return projection;
}
