// The beam map: the world in the azimuthal equidistant projection centred
// on the base, so that straight lines from the centre are great circles and
// distances from it are true. Small pure functions build the pieces; draw()
// puts them into the SVG; zoomable() adds pinch, wheel and buttons.
import { geoAzimuthalEquidistant, geoCircle, geoDistance, geoGraticule, geoPath } from 'd3-geo';
import { select } from 'd3-selection';
import { zoom, zoomIdentity } from 'd3-zoom';
import { feature } from 'topojson-client';

import { kCellDegrees } from './field.js';

export const kSize = 600;           // the SVG's own units; it scales with the page
export const kRingKm = 2500;        // range rings every 2,500 km
export const kMaxZoom = 2048;       // sub-squares and their labels even on a 320 px phone, at 60 degrees
const kGridPx = 24;                 // grid lines at least this far apart on screen are drawn, and a tap tells their cells
const kLabelCharPx = 9;             // a cell 9 px a character wide on screen has room for its label (and is tall enough)
const kMaxLines = 240;              // per level and view: more would be a blur, and slow
const SVG = 'http://www.w3.org/2000/svg';
const rad = Math.PI / 180;

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

// The point reached from start ([lon, lat]) along an azimuth (degrees) after
// an angle of arc (radians), on the sphere.
export function along(start, azimuth, angle) {
  const [l1, p1, a] = [start[0] * rad, start[1] * rad, azimuth * rad];
  const p2 = Math.asin(Math.sin(p1) * Math.cos(angle) + Math.cos(p1) * Math.sin(angle) * Math.cos(a));
  const l2 = l1 + Math.atan2(Math.sin(a) * Math.sin(angle) * Math.cos(p1), Math.cos(angle) - Math.sin(p1) * Math.sin(p2));
  return [((((l2 / rad) + 540) % 360) - 180), p2 / rad];
}

// The short path drawn along the azimuth the page shows, for the arc the
// distance gives, and the long path: the rest of the same circle, on round
// to the base. Drawn this way an antipode's path goes the way its azimuth
// says, which no pair of end points could tell.
export function paths(base, azimuth, arc) {
  const line = (from, to, steps) => ({ type: 'LineString',
    coordinates: Array.from({ length: steps + 1 }, (_, i) => along(base, azimuth, from + ((to - from) * i) / steps)) });
  if (!(arc > 0)) return { short: line(0, 0, 1), long: null };
  return { short: line(0, arc, 64), long: line(arc, 2 * Math.PI, 128) };
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

// The outline of a locator's cell around its centre {lat, lon}, its edges
// split so that parallels stay parallels.
export function cellOutline(centre, length) {
  const [w, h] = kCellDegrees[length];
  const [west, south] = [centre.lon - w / 2, centre.lat - h / 2];
  const corners = [[west, south], [west + w, south], [west + w, south + h], [west, south + h], [west, south]];
  const coordinates = [];
  for (let i = 0; i < 4; i += 1)
    for (let k = 0; k < 8; k += 1) {
      const [a, b] = [corners[i], corners[i + 1]];
      coordinates.push([a[0] + ((b[0] - a[0]) * k) / 8, a[1] + ((b[1] - a[1]) * k) / 8]);
    }
  coordinates.push(corners[4]);
  return { type: 'LineString', coordinates };
}

// The finest cells drawn that have room for their own label (each cell by
// its own width at that latitude), or undefined when none has.
export function labelLength(finest, pxPerDegree, latitude) {
  const cos = Math.cos((latitude * Math.PI) / 180);
  return [6, 4].find((n) => n <= finest && kCellDegrees[n][0] * cos * pxPerDegree >= kLabelCharPx * n);
}

// The finest grid drawn when a degree of latitude is pxPerDegree screen
// pixels tall: fields (2), squares (4) or sub-squares (6), each drawn once
// its lines are kGridPx apart. A tap gives the cell the drawn lines show.
export function gridLength(pxPerDegree) {
  if (pxPerDegree * kCellDegrees[6][1] >= kGridPx) return 6;
  return pxPerDegree * kCellDegrees[4][1] >= kGridPx ? 4 : 2;
}

// The part of the Earth a view shows: {west, east, south, north} in
// degrees, from the points of the view's rectangle (layer units) that the
// projection can undo; the whole Earth when the view takes in a pole or the
// 180th meridian.
export function viewExtent(projection, rect) {
  const points = [];
  for (let i = 0; i <= 8; i += 1)
    for (let j = 0; j <= 8; j += 1) {
      const p = projection.invert([rect.x0 + ((rect.x1 - rect.x0) * i) / 8, rect.y0 + ((rect.y1 - rect.y0) * j) / 8]);
      if (p && p.every(Number.isFinite)) points.push(p);
    }
  if (!points.length) return null;
  const lons = points.map((p) => p[0]);
  const lats = points.map((p) => p[1]);
  const e = { west: Math.min(...lons), east: Math.max(...lons), south: Math.min(...lats), north: Math.max(...lats) };
  // The corners undone miss what bulges between them: a margin of a tenth.
  const [mx, my] = [(e.east - e.west) / 10, (e.north - e.south) / 10];
  e.west = Math.max(-180, e.west - mx); e.east = Math.min(180, e.east + mx);
  e.south = Math.max(-90, e.south - my); e.north = Math.min(90, e.north + my);
  if (e.east - e.west > 270) [e.west, e.east] = [-180, 180];
  return e;
}

// The lines of one grid level within an extent, as a MultiLineString, or
// null when there would be more than kMaxLines.
export function gridLines(length, extent) {
  const [dLon, dLat] = kCellDegrees[length];
  const first = (v, d, origin) => Math.floor((v - origin) / d) * d + origin;
  const west = first(extent.west, dLon, -180);
  const south = first(extent.south, dLat, -90);
  const count = (extent.east - west) / dLon + (extent.north - south) / dLat;
  if (count > kMaxLines) return null;
  const lines = [];
  const steps = 12;
  for (let lon = west; lon <= extent.east + 1e-9; lon += dLon)
    lines.push(Array.from({ length: steps + 1 }, (_, i) => [lon, extent.south + ((extent.north - extent.south) * i) / steps]));
  for (let lat = south; lat <= extent.north + 1e-9; lat += dLat)
    lines.push(Array.from({ length: steps * 2 + 1 }, (_, i) => [extent.west + ((extent.east - extent.west) * i) / (steps * 2), lat]));
  return { type: 'MultiLineString', coordinates: lines };
}

// Where to label a level's cells within an extent ({lon, lat}, at most
// limit of them): at each centre, or for a cell larger than the view,
// within the view's part of it, so that its label is seen. Cells only
// partly in view are not labelled.
export function cellCentres(length, extent, limit) {
  const [dLon, dLat] = kCellDegrees[length];
  const [insetLon, insetLat] = [(extent.east - extent.west) * 0.12, (extent.north - extent.south) * 0.12];
  // The cell's part within the view's inner part: its middle, or null.
  const middle = (start, d, from, to) => {
    const [lo, hi] = [Math.max(start, from), Math.min(start + d, to)];
    return lo < hi ? (lo + hi) / 2 : null;
  };
  const out = [];
  const west = Math.floor((extent.west + 180) / dLon) * dLon - 180;
  const south = Math.floor((extent.south + 90) / dLat) * dLat - 90;
  for (let lon = west; lon < extent.east; lon += dLon)
    for (let lat = south; lat < extent.north && lat < 90; lat += dLat) {
      const at = { lon: middle(lon, dLon, extent.west + insetLon, extent.east - insetLon),
        lat: middle(lat, dLat, extent.south + insetLat, extent.north - insetLat) };
      if (at.lon === null || at.lat === null) continue;
      if (out.length >= limit) return out;
      out.push(at);
    }
  return out;
}

// Which labels to show so that none covers another: boxes {x, y, w, h} in
// screen pixels, the ones given first kept first.
export function unpiled(boxes, view) {
  const kept = [];
  return boxes.map((b) => {
    const inside = b.x + b.w > 0 && b.y + b.h > 0 && b.x < view.width && b.y < view.height;
    const free = inside && !kept.some((k) => b.x < k.x + k.w && k.x < b.x + b.w && b.y < k.y + k.h && k.y < b.y + b.h);
    if (free) kept.push(b);
    return free;
  });
}

export const landOf = (topology) => feature(topology, topology.objects.land);

function element(name, attributes, text) {
  const e = document.createElementNS(SVG, name);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  if (text !== undefined) e.textContent = text;
  return e;
}

// Draws the map into svg. ends: {base, target} as {lon, lat, name};
// azimuth and km the short path's, exact; ringLabel(km) gives a ring's label
// in the unit shown; kmPerDegree is the core's Earth, so that the rings
// agree with the distances shown. Returns {projection, layer}: the layer
// holds what zooms.
export function draw(svg, { land, ends, azimuth, km, ringLabel, showFields, description, kmPerDegree }) {
  const centre = [ends.base.lon, ends.base.lat];
  const projection = projectionFor(centre);
  const path = geoPath(projection);
  svg.replaceChildren();
  svg.setAttribute('viewBox', `0 0 ${kSize} ${kSize}`);
  svg.append(element('title', { id: 'map-title' }, description));
  const layer = element('g', { class: 'layer' });
  svg.append(layer);
  const add = (e) => layer.append(e);
  add(element('path', { class: 'sphere', d: path({ type: 'Sphere' }) }));
  if (land) add(element('path', { class: 'land', d: path(land) }));
  if (showFields) {
    const f = fields();
    add(element('path', { class: 'fields', d: path(f.lines) }));
    for (const l of f.letters) {
      const p = projection(l.at);
      if (p && geoDistance(centre, l.at) < Math.PI * 0.92)
        add(element('text', { class: 'field-letter', x: p[0], y: p[1] }, l.text));
    }
  }
  for (const ringKm of ringRadiiKm()) {
    add(element('path', { class: 'ring', d: path(ringFor(centre, ringKm, kmPerDegree)) }));
    // Labelled straight above the centre, where the ring crosses north.
    const radius = projection.scale() * ((ringKm / kmPerDegree) * Math.PI) / 180;
    add(element('text', { class: 'ring-label', x: kSize / 2 + 4, y: kSize / 2 - radius - 3 }, ringLabel(ringKm)));
  }
  const both = paths(centre, azimuth, ((km / kmPerDegree) * Math.PI) / 180);
  if (both.long) add(element('path', { class: 'long-path', d: path(both.long) }));
  add(element('path', { class: 'short-path', id: 'short-path', d: path(both.short) }));
  const target = [ends.target.lon, ends.target.lat];
  for (const [name, lonLat] of [[ends.base.name, centre], [ends.target.name, target]]) {
    const p = projection(lonLat);
    if (!p) continue;
    add(element('circle', { class: 'end', cx: p[0], cy: p[1], r: 4 }));
    // Near the rim the label turns inwards, so that it stays on the map.
    const right = p[0] > kSize * 0.7;
    add(element('text', { class: 'end-label', x: p[0] + (right ? -7 : 7), y: p[1] < 30 ? p[1] + 18 : p[1] - 7,
      'text-anchor': right ? 'end' : 'start' }, name));
  }
  // The compass at the rim: the directions in which to point from the base.
  const rim = kSize / 2 - 12;
  for (const [letter, dx, dy] of [['N', 0, -1], ['E', 1, 0], ['S', 0, 1], ['W', -1, 0]])
    svg.append(element('text', { class: 'compass', x: kSize / 2 + dx * rim, y: kSize / 2 + dy * rim + 5 }, letter));
  return { projection, layer };
}

// What a zoomed view adds, redrawn when a gesture ends: the grid's lines
// for the part of the Earth in view (fields always, squares and
// sub-squares once far enough apart) with their cells' labels where there
// is room, and the towns by size. view: the layer's
// transform; pxPerDegree: screen px per degree of latitude at that zoom;
// locatorAt(lat, lon, length) the core's.
export function drawOverlay(layer, projection, { view, pxPerDegree, locatorAt, towns, fieldsShown }) {
  for (const old of layer.querySelectorAll('.overlay')) old.remove();
  const group = element('g', { class: 'overlay' });
  layer.insertBefore(group, layer.querySelector('.ring'));
  const path = geoPath(projection);
  const rect = { x0: -view.x / view.k, y0: -view.y / view.k, x1: (kSize - view.x) / view.k, y1: (kSize - view.y) / view.k };
  const extent = viewExtent(projection, rect);
  const seen = (p) => p && p[0] > rect.x0 && p[0] < rect.x1 && p[1] > rect.y0 && p[1] < rect.y1;
  if (!extent) return;
  const finest = gridLength(pxPerDegree);
  const levels = [...(view.k > 1 && !fieldsShown ? [2] : []), ...[4, 6].filter((n) => n <= finest)];
  for (const length of levels) {
    const lines = gridLines(length, extent);
    if (lines) group.append(element('path', { class: `grid grid-${length}`, d: path(lines) }));
  }
  // The finest cells with room for a label are labelled.
  const labelled = labelLength(finest, pxPerDegree, (extent.north + extent.south) / 2);
  if (labelled) {
    // Near a pole the extent is wide and most cells in it are out of view;
    // of those in view, the ones nearest the middle are labelled first.
    const [mx, my] = [(rect.x0 + rect.x1) / 2, (rect.y0 + rect.y1) / 2];
    const inView = cellCentres(labelled, extent, 3000).map((c) => ({ c, p: projection([c.lon, c.lat]) })).filter((e) => seen(e.p))
      .sort((a, b) => Math.hypot(a.p[0] - mx, a.p[1] - my) - Math.hypot(b.p[0] - mx, b.p[1] - my));
    for (const { c, p } of inView.slice(0, 80))
      group.append(element('text', { class: 'grid-label', x: p[0], y: p[1] }, locatorAt(c.lat, c.lon, labelled)));
  }
  // The larger towns first; more of them as the zoom grows.
  const room = Math.min(40, Math.round(12 * Math.sqrt(view.k)));
  const centre = projection.invert([kSize / 2, kSize / 2]);
  let shown = 0;
  for (const [name, lat, lon] of towns || []) {
    if (shown >= room) break;
    if (lat < extent.south || lat > extent.north || lon < extent.west || lon > extent.east) continue;
    const p = projection([lon, lat]);
    // Only those in view take a place: the extent is wider than the view.
    if (!seen(p) || geoDistance(centre, [lon, lat]) > Math.PI * 0.92) continue;
    const town = element('g', { class: 'town' });
    town.append(element('circle', { cx: p[0], cy: p[1], r: 2 }), element('text', { class: 'town-label', x: p[0], y: p[1] }, name));
    group.append(town);
    shown += 1;
  }
}

// The rover's position on the layer: a dot, within the circle of its
// accuracy, over the track as it grows; none when here is null.
export function drawHere(layer, projection, here, track, kmPerDegree) {
  for (const old of layer.querySelectorAll('.here, .here-accuracy, .track-live')) old.remove();
  const line = track && track.length > 1 && geoPath(projection)({ type: 'LineString', coordinates: track.map((f) => [f.lon, f.lat]) });
  if (line) layer.append(element('path', { class: 'track track-live', d: line }));
  const p = here && projection([here.lon, here.lat]);
  if (!p) return;
  // A circle on the layer: the few km of an accuracy are too small for the
  // azimuthal projection's stretch to show.
  const r = (Math.max(here.accuracy, 1) / 1000 / kmPerDegree) * (Math.PI / 180) * projection.scale();
  layer.append(element('circle', { class: 'here-accuracy', cx: p[0], cy: p[1], r }), element('circle', { class: 'here', cx: p[0], cy: p[1] }));
}

// A tapped point and the cell a tap can tell there, drawn on the layer.
export function markTap(layer, projection, lonLat, outline) {
  for (const old of layer.querySelectorAll('.tapped, .tapped-cell')) old.remove();
  const p = projection(lonLat);
  layer.append(element('path', { class: 'tapped-cell', d: geoPath(projection)(outline) }));
  if (p) layer.append(element('circle', { class: 'tapped', cx: p[0], cy: p[1], r: 3 }));
}

// Pinch, wheel, drag and the two buttons zoom and pan svg's layer; pan is
// the box around svg that takes the gestures. While a gesture lasts, the
// SVG as last drawn is only moved and scaled (the compositor's work, no
// repaint), and the layer is redrawn at the new view when it ends. Labels
// keep their size on screen (12 CSS px at least, whatever the map's width)
// and field letters that would cover one another are hidden.
// Returns {reset(), restore(), transform()}; the transform in SVG units.
export function zoomable(svg, pan, zoomIn, zoomOut, onView = () => {}, onGesture = () => {}) {
  let view = zoomIdentity;  // drawn on the layer, in the SVG's units
  const perUnit = () => (svg.clientWidth || kSize) / kSize;  // CSS px per SVG unit, unzoomed
  let overlaid = null;  // the view the overlay was drawn for
  // force: a new layer, drawn afresh. Otherwise only a view that changed is
  // drawn again: a tap also ends a gesture, and what it lands on must stay.
  const commit = (force = false) => {
    svg.style.transform = '';
    const layer = svg.querySelector('.layer');
    if (layer) layer.setAttribute('transform', view.toString());
    // The whole Earth leaves one finger to the page, which scrolls; a
    // zoomed map takes it, to pan.
    pan.style.touchAction = view.k > 1 ? 'none' : 'pan-x pan-y';
    resize();
    if (!force && overlaid && overlaid.toString() === view.toString()) return;
    overlaid = view;
    onView(view);
  };
  const behaviour = zoom().scaleExtent([1, kMaxZoom])
    .filter((e) => (e.type === 'touchstart' ? view.k > 1 || e.touches.length > 1 : (!e.ctrlKey || e.type === 'wheel') && !e.button))
    .on('zoom', (e) => {
      const s = perUnit();
      const next = zoomIdentity.translate(e.transform.x / s, e.transform.y / s).scale(e.transform.k);
      if (!e.sourceEvent) {
        view = next;
        return commit();
      }
      onGesture();
      // From the view drawn to the one asked for, in CSS px on the SVG.
      const r = next.k / view.k;
      svg.style.transform = `translate(${s * (next.x - r * view.x)}px, ${s * (next.y - r * view.y)}px) scale(${r})`;
      pending = next;
    })
    .on('end', () => {
      if (pending) [view, pending] = [pending, null];
      commit();
      // Measured in the next frame, so that the redraw and the measuring
      // are not one long frame.
      requestAnimationFrame(relabel);
    });
  let pending = null;
  // SVG units per CSS pixel on the layer, so that CSS sizes in px hold;
  // the gestures' bounds follow the map's size on screen.
  const resize = () => {
    const width = svg.clientWidth || kSize;
    svg.style.setProperty('--u', String(kSize / width / view.k));
    svg.style.setProperty('--k', String(view.k));  // the compass stays off the layer
    behaviour.translateExtent([[0, 0], [width, width]]);
  };
  // Measured as drawn (all shown first, one layout), then the covered
  // field letters hidden again.
  const relabel = () => {
    const frame = svg.getBoundingClientRect();
    const labels = [...svg.querySelectorAll('.compass, .end-label, .ring-label, .town-label, .field-letter, .grid-label')];
    const hidden = (t) => t.closest('.town') || t;  // a town's dot goes with its name
    for (const t of labels) hidden(t).classList.remove('piled');
    // The compass and the ends always stay; rings give way to them, towns
    // to rings, the grid's letters to all.
    const rank = (t) => ({ 'ring-label': 2, 'town-label': 1, 'field-letter': 0, 'grid-label': 0 })[t.getAttribute('class')] ?? 3;
    const boxes = labels.map((t) => {
      const r = t.getBoundingClientRect();
      return { x: r.left - frame.left, y: r.top - frame.top, w: r.width, h: r.height, rank: rank(t) };
    });
    const order = [...boxes.keys()].sort((a, b) => boxes[b].rank - boxes[a].rank);
    // The grid's and the towns' labels are shown whole or not at all.
    const cut = (b) => b.x < 0 || b.y < 0 || b.x + b.w > frame.width || b.y + b.h > frame.height;
    const whole = (i) => !/grid-label|town-label/.test(labels[i].getAttribute('class')) || !cut(boxes[i]);
    const kept = order.filter(whole);
    // The zoom buttons over the map come first: nothing is left under them.
    const covers = [...(svg.closest('.map-frame')?.querySelectorAll('.zoom-buttons button') || [])].map((b) => {
      const r = b.getBoundingClientRect();
      return { x: r.left - frame.left, y: r.top - frame.top, w: r.width, h: r.height };
    });
    const shown = unpiled([...covers, ...kept.map((i) => boxes[i])], { width: frame.width, height: frame.height }).slice(covers.length);
    const visible = new Set(kept.filter((i, k) => shown[k]));
    for (const i of order) hidden(labels[i]).classList.toggle('piled', boxes[i].rank < 3 && !visible.has(i));
  };
  // The gestures' transform in CSS px, from the view's.
  const toPx = (t) => zoomIdentity.translate(t.x * perUnit(), t.y * perUnit()).scale(t.k);
  select(pan).call(behaviour).on('dblclick.zoom', null);
  // Without a pointer: arrows pan by an eighth of the map, + and - zoom,
  // Enter taps the middle (marked by a cross while the map has the focus).
  pan.addEventListener('keydown', (e) => {
    const step = (svg.clientWidth || kSize) / 8;
    const moves = { ArrowLeft: [step, 0], ArrowRight: [-step, 0], ArrowUp: [0, step], ArrowDown: [0, -step] };
    if (moves[e.key]) select(pan).call(behaviour.translateBy, ...moves[e.key].map((v) => v / view.k));
    else if (e.key === '+' || e.key === '=') select(pan).call(behaviour.scaleBy, 2);
    else if (e.key === '-') select(pan).call(behaviour.scaleBy, 0.5);
    else if (e.key === 'Enter') {
      const r = svg.getBoundingClientRect();
      svg.dispatchEvent(new MouseEvent('click', { bubbles: true, clientX: r.left + r.width / 2, clientY: r.top + r.height / 2 }));
    } else return;
    e.preventDefault();
  });
  zoomIn.addEventListener('click', () => select(pan).call(behaviour.scaleBy, 2));
  zoomOut.addEventListener('click', () => select(pan).call(behaviour.scaleBy, 0.5));
  window.addEventListener('resize', () => {
    overlaid = null;  // another width, maybe another grid
    resize();
    select(pan).call(behaviour.transform, toPx(view));
    relabel();
  });
  return {
    // Back to the whole Earth (the zoom's own events redraw and relabel).
    reset() {
      select(pan).call(behaviour.transform, zoomIdentity);
    },
    // After a redraw: the layer is new, the view stays.
    restore() {
      commit(true);
      relabel();
    },
    transform: () => view,
    // A point of the layer (SVG units) brought to the middle, the zoom kept.
    centreOn(point) {
      const s = perUnit();
      select(pan).call(behaviour.translateTo, point[0] * s, point[1] * s);
    },
  };
}
