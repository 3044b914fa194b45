// The three pages of the web edition. Each handler reads its controls,
// asks the core, and writes the answers back, as the window's pages do.
import { loadCore } from './core.js';
import { loadHome, saveHome } from './home.js';
import { fieldMode } from './follow.js';
import { setLanguage, t, tMessage, translatePage } from './i18n.js';
import { cellOutline, draw, drawHere, drawOverlay, gridLength, kSize, landOf, markTap, zoomable } from './map.js';
import { showMessage } from './message.js';
import { decimalDigits, formatNumber, kMaxDecimals, readNumber, separators } from './number.js';
import { pastedPosition } from './paste.js';
import { supportedLength, usableFix } from './field.js';

const $ = (id) => document.getElementById(id);
const locale = navigator.language;
const kLocatorIncorrect = 'Introduced QRA locator incorrect';
const kLocatorsEqual = 'The two QRA locators are equal. No calculation can be done\nThe two values are set to zero';
const kBoxes = ['txtlatdeg', 'txtlatmin', 'txtlatsec', 'txtlondeg', 'txtlonmin', 'txtlonsec'];

// A refusal: the message names the box, which keeps its text, selected,
// and gets the focus back; the answers of the page, which no longer match
// its boxes, are cleared, and so is the address that named them.
function refuse(box, message, answers = []) {
  for (const a of answers) a.value = '';
  showInAddress('');
  showMessage(tMessage(message), { title: t('Error: {name}', { name: box.getAttribute('aria-label') }), then: box });
}

// Six texts with a point into the first page's boxes, written as the
// browser's language writes numbers, as typed ones are.
function typeIntoBoxes(texts) {
  kBoxes.forEach((id, i) => ($(id).value = texts[i].replace('.', separators(locale).decimal)));
}

// A locator as pasted: blanks around it dropped, upper case.
function upperCaseInPlace(box) {
  box.value = box.value.trim().toUpperCase();
  return box.value;
}

function geoPage(core) {
  const boxes = kBoxes.map($);
  const position = $('txtposition');
  const rules = core.rangeRules();
  // A position pasted whole, read as the command line reads it, is typed
  // into the boxes so that what is saved is what was computed.
  const fromPosition = () => {
    const pasted = pastedPosition(position.value);
    const r = pasted.refused ? { message: pasted.refused } : core.readPosition(pasted.position);
    if (r.message) return refuse(position, t('Introduced position incorrect: {reason}', { reason: tMessage(r.message) }), [$('txtresultloc')]);
    const shown = [r.latitude, r.longitude].flatMap((a) => [a.degrees, a.minutes, a.seconds]);
    typeIntoBoxes(shown);
    $(r.latitude.far ? 'optlatsud' : 'optlatnord').checked = true;
    $(r.longitude.far ? 'optlonouest' : 'optlonest').checked = true;
    $('txtresultloc').value = r.locator;
  };
  // Typing into a box means the boxes, not the pasted position, are meant.
  for (const b of boxes) b.addEventListener('input', () => (position.value = ''));
  $('Command1').addEventListener('click', () => {
    if (position.value.trim() !== '') return fromPosition();
    // Empty boxes become "0", in the window's order. Degrees with a fraction
    // and no minutes or seconds are a position in decimal degrees, checked
    // against the grid alone (179.5 East is Fiji); whole degrees keep the
    // boxes' limits.
    const empty = boxes.map((b) => b.value.trim() === '');
    for (const i of [5, 2, 4, 1, 3, 0]) if (boxes[i].value === '') boxes[i].value = '0';
    const typed = [];
    for (const rule of rules) {
      const box = boxes[rule.field];
      const name = box.getAttribute('aria-label').toLowerCase();
      const value = readNumber(box.value, locale);
      const answer = [$('txtresultloc')];
      if (value === null) return refuse(box, t('Introduced value for {name} is not a number', { name }), answer);
      const decimalDegrees = rule.field % 3 === 0 && empty[rule.field + 1] && empty[rule.field + 2] &&
        Number.isFinite(value) && !Number.isInteger(value);
      if (!decimalDegrees && core.breaks(rule.field, value)) return refuse(box, rule.message, answer);
      const d = decimalDigits(box.value, locale);
      if (!d) return refuse(box, t('Introduced value for {name} has more than {count} decimals', { name, count: kMaxDecimals }), answer);
      // A minus sign on the degrees turns the whole axis to the other side.
      if (d.negative && value !== 0 && rule.field % 3 !== 0) return refuse(box, t('Introduced value for {name} is negative', { name }), answer);
      typed[rule.field] = d;
    }
    // The exact cell of the digits typed: a position on a grid line lies in
    // the cell north and east of it. A minus turns the axis even on 0
    // degrees: -0 7 39 East is 7' 39" West.
    const far = (hemisphere, degrees) => hemisphere !== degrees.negative;
    const digits = typed.map((d) => d.digits);
    const r = core.encodeExact(digits.slice(0, 3), far($('optlatsud').checked, typed[0]), digits.slice(3),
      far($('optlonouest').checked, typed[3]));
    if (r.message) return refuse(boxes[r.field], r.message, [$('txtresultloc')]);
    $('txtresultloc').value = r.locator;
  });
  $('raz').addEventListener('click', () => {
    for (const box of [...boxes, position]) box.value = '';
    $('txtresultloc').value = '';
    $('optlonest').checked = $('optlatnord').checked = true;
  });
}

// "Use my position": a fresh fix from the browser, asked for only on this
// press, typed into the boxes as degrees, minutes and seconds, computed
// from them, and cut to the length its accuracy supports, so that the boxes,
// the result and what Save stores always agree.
function whereAmI(core) {
  const kmPerDegree = core.earthCircumferenceKm / 360;
  const failed = { 1: 'The browser was not allowed to tell its position.', 3: 'The browser took too long to find its position.' };
  $('use-position').addEventListener('click', () => {
    if (!navigator.geolocation) return showMessage(t('This browser cannot tell its position.'));
    $('accuracy').textContent = t('Asking the browser…');
    navigator.geolocation.getCurrentPosition((p) => {
      const { latitude, longitude, accuracy } = p.coords;
      $('accuracy').textContent = '';
      if (!usableFix(p.coords)) {
        $('txtresultloc').value = '';
        return showMessage(t('The position the browser gave cannot be placed on the grid.'), { title: 'Morvane' });
      }
      const length = supportedLength(6, accuracy, latitude, kmPerDegree);
      if (!length) {
        $('txtresultloc').value = '';
        return showMessage(t('The browser knows the position only within {km} km: too rough for a locator.',
          { km: Math.round(accuracy / 1000) }), { title: 'Morvane' });
      }
      typeIntoBoxes([...boxesOf(latitude), ...boxesOf(longitude)]);
      $(latitude < 0 ? 'optlatsud' : 'optlatnord').checked = true;
      $(longitude < 0 ? 'optlonouest' : 'optlonest').checked = true;
      $('txtposition').value = '';
      $('Command1').click();
      const result = $('txtresultloc').value;
      if (!result) return;
      $('txtresultloc').value = result.slice(0, length);
      const within = t('Within about {metres} m, as the browser says.', { metres: Math.round(accuracy) });
      $('accuracy').textContent = length < 6 ? `${within} ${t('Shown to {length} characters: too coarse for {wanted}.', { length, wanted: 6 })}` : within;
    }, (e) => {
      $('accuracy').textContent = '';
      showMessage(t(failed[e.code] || 'The browser could not find its position.'), { title: 'Morvane' });
    }, { enableHighAccuracy: true, timeout: 20000, maximumAge: 0 });
  });
}

// Degrees, minutes and seconds of an axis in decimal degrees, as texts
// with a point. The seconds are cut, never rounded, to a millionth (3 cm
// at most), so that 89.9999999 stays below 90 and 179.9999999 below 180;
// 180 East is the grid's 180 West.
function boxesOf(value) {
  const a = Math.min(Math.abs(value === 180 ? -180 : value), 180 - 1e-10);
  const degrees = Math.floor(a);
  const minutes = Math.min(59, Math.floor((a - degrees) * 60));
  // A thousandth of the last digit's worth of slack: 24.48 computed as
  // 24.4799999999 is still 24.48.
  const seconds = Math.min(59.999999, Math.floor(((a - degrees) * 3600 - minutes * 60) * 1e6 + 1e-3) / 1e6);
  return [String(degrees), String(minutes), String(Math.max(0, Number(seconds.toFixed(6))))];
}

// Decimal degrees as a GPS app shows them: six decimals at most.
const decimalDegrees = (v) => formatNumber(Math.round(v * 1e6) / 1e6, locale);

function locatorPage(core) {
  const outputs = ['txtlatdeginv', 'txtlatmininv', 'Text1', 'txtlongdeginv', 'txtlongmininv', 'Text2', 'latdecimal',
    'londecimal'].map($);
  // The boxes are quiet; one summary is heard instead of eight updates.
  const summary = $('locator-summary');
  $('cmdcalclocgeo').addEventListener('click', () => {
    const box = $('txtlocatorinv');
    const p = core.locatorToDms(upperCaseInPlace(box));
    if (!p) return (summary.textContent = ''), refuse(box, kLocatorIncorrect, outputs);
    showInAddress(`#locator=${box.value}`);
    $('lbllatsens').textContent = t(p.latitude.hemisphere);
    $('lbllongsens').textContent = t(p.longitude.hemisphere);
    const seconds = (a) => formatNumber(Number(a.seconds), locale);
    const shown = [p.latitude, p.longitude].flatMap((a) => [a.degrees, a.minutes, seconds(a)]);
    [...shown, decimalDegrees(p.lat), decimalDegrees(p.lon)].forEach((text, i) => (outputs[i].value = text));
    const dms = (a) => `${a.degrees}° ${a.minutes}' ${seconds(a)}" ${t(a.hemisphere)}`;
    summary.textContent = `${box.value}: ${dms(p.latitude)}, ${dms(p.longitude)} (${decimalDegrees(p.lat)}; ${decimalDegrees(p.lon)})`;
  });
  $('Command2').addEventListener('click', () => {
    for (const o of outputs) o.value = '';
    summary.textContent = '';
    $('lbllatsens').textContent = t('North');
    $('lbllongsens').textContent = t('East');
    $('txtlocatorinv').value = '';
    $('txtlocatorinv').focus();
  });
}

// The beam map under the third page: redrawn at every Compute and when the
// unit or the fields change; a tap gives the locator of the point tapped,
// as long as the zoom lets a finger tell it.
function beamMap(core, trackFixes) {
  const svg = $('map');
  const kmPerDegree = core.earthCircumferenceKm / 360;
  let land = null;
  let towns = null;
  let shown = null;  // {base, target, result}
  let drawn = null;  // {projection, layer}
  // Screen px per degree of latitude at a zoom.
  const pxPerDegree = (k) => ((drawn.projection.scale() * Math.PI) / 180) * k * (svg.clientWidth / kSize);
  // The rover's position while following: the map keeps it in the middle
  // when zoomed, until panned away; a button brings it back.
  let here = null;
  let following = true;
  const showHere = () => drawn && drawHere(drawn.layer, drawn.projection, here, trackFixes(), kmPerDegree);
  const view = zoomable(svg, $('map-pan'), $('zoom-in'), $('zoom-out'), (t) => {
    if (!drawn) return;
    drawOverlay(drawn.layer, drawn.projection, { view: t, pxPerDegree: pxPerDegree(t.k), locatorAt: core.locatorAt, towns,
      fieldsShown: $('show-fields').checked });
    showHere();
  }, () => {
    following = false;
    $('map-here').hidden = !here;
  });
  const centreOnHere = () => {
    const p = drawn && here && drawn.projection([here.lon, here.lat]);
    if (p && view.transform().k > 1) view.centreOn(p);
  };
  document.addEventListener('morvane-position', (e) => {
    here = e.detail;
    if (!here) $('map-here').hidden = true;
    showHere();
    if (following) centreOnHere();
  });
  $('map-here').addEventListener('click', () => {
    following = true;
    $('map-here').hidden = true;
    centreOnHere();
  });
  const render = () => {
    if (!shown) return;
    const miles = $('Check2').checked;
    const unit = miles ? 'mi' : 'km';
    const distance = formatNumber(miles ? shown.result.miles : shown.result.km, locale);
    const description = t('Path from {base} to {target}: {azimuth}°, {distance} {unit}', { base: shown.base, target: shown.target,
      azimuth: formatNumber(shown.result.azimuth, locale), distance, unit });
    const end = (name) => ({ name, ...core.centre(name) });
    drawn = draw(svg, {
      land,
      ends: { base: end(shown.base), target: end(shown.target) },
      azimuth: shown.result.exactAzimuth,
      km: shown.result.exactKm,
      ringLabel: (km) => (miles ? `${Math.round(core.kmToMiles(km))} mi` : `${km} km`),
      showFields: $('show-fields').checked,
      description,
      kmPerDegree,
    });
    $('map-caption').textContent = description;
    $('map-figure').hidden = false;
    view.restore();
  };
  svg.addEventListener('click', (e) => {
    if (!drawn) return;
    const zoomed = view.transform();
    // Screen to the SVG's units, then the zoom undone: the layer's units.
    const q = new DOMPoint(e.clientX, e.clientY).matrixTransform(svg.getScreenCTM().inverse());
    const point = zoomed.invert([q.x, q.y]);
    const { projection, layer } = drawn;
    // The map is the disc the Earth fills; the corners are nowhere.
    const off = Math.hypot(point[0] - kSize / 2, point[1] - kSize / 2) > projection.scale() * Math.PI;
    const lonLat = off ? null : projection.invert(point);
    const length = gridLength(pxPerDegree(zoomed.k));
    const locator = lonLat ? core.locatorAt(lonLat[1], lonLat[0], length) : '';
    $('clicked').textContent = locator ? t('Point tapped: {locator}', { locator }) : t('Outside the map');
    $('use-clicked').hidden = !locator;
    $('use-clicked').dataset.locator = locator;
    if (locator) markTap(layer, projection, lonLat, cellOutline(core.centre(locator), length));
  });
  $('use-clicked').addEventListener('click', () => {
    $('txtlocator2').value = $('use-clicked').dataset.locator;
    $('cmdcalcazidist').click();
  });
  $('show-fields').addEventListener('change', render);
  $('Check2').addEventListener('change', render);
  return {
    show(base, target, result) {
      const moved = !shown || shown.base !== base;
      shown = { base, target, result };
      // A new base is a new map: seen whole again.
      if (moved) view.reset();
      render();
    },
    setLand(coastlines) {
      land = coastlines;
      render();
    },
    setTowns(list) {
      towns = list;
      render();
    },
    // The answers no longer match the boxes: no old path stays drawn.
    clear() {
      shown = null;
      drawn = null;
      $('map-figure').hidden = true;
      $('map-caption').textContent = '';
    },
  };
}

function pathPage(core, home, map) {
  const base = $('txtlocator1');
  const target = $('txtlocator2');
  const readHomeIntoBase = () => {
    // As the window reads user.ini: what cannot be read leaves the table held.
    const loaded = loadHome(localStorage);
    if (loaded.stored) home.table = loaded.table;
    base.value = home.table[8];
  };
  const check1 = () => {
    if ($('Check1').checked) readHomeIntoBase();
    else base.value = '';
  };
  $('Check1').addEventListener('change', () => {
    // Nothing to take the base from yet: say so rather than empty the base.
    if ($('Check1').checked && !loadHome(localStorage).table[8]) {
      $('Check1').checked = false;
      showMessage(t('No home locator is saved yet: compute your position on the first page and press Save my QRA Locator.'),
        { title: 'Morvane', then: $('Check1') });
      return;
    }
    check1();
  });
  let lastPath = null;  // {base, target, result} shown, to convert when the unit changes
  const longAnswers = [$('longazimuth'), $('longdistance')];
  const summary = $('path-summary');
  // The boxes are quiet; one summary is heard instead of four updates.
  const writePath = () => {
    const miles = $('Check2').checked;
    const unit = miles ? 'mi' : 'km';
    const { base: b, target: tg, result: r } = lastPath;
    const distance = (p) => formatNumber(miles ? p.miles : p.km, locale);
    $('txtazimuth').value = formatNumber(r.azimuth, locale);
    $('txtdistance').value = distance(r);
    $('longazimuth').value = formatNumber(r.long.azimuth, locale);
    $('longdistance').value = distance(r.long);
    summary.textContent = t('{base} to {target}: {azimuth}°, {distance} {unit}; long path {longAzimuth}°, {longDistance} {unit}', {
      base: b, target: tg, azimuth: $('txtazimuth').value, distance: distance(r), unit, longAzimuth: $('longazimuth').value,
      longDistance: distance(r.long) });
  };
  const forget = () => {
    lastPath = null;
    summary.textContent = '';
    for (const a of longAnswers) a.value = '';
    map.clear();
  };
  $('Check2').addEventListener('change', () => {
    // The unit is part of the distance's name, heard with its value.
    const miles = $('Check2').checked;
    $('Label17').textContent = $('longunit').textContent = t(miles ? 'Miles' : 'KMs');
    $('txtdistance').setAttribute('aria-label', t(miles ? 'Distance Base - Target, mi' : 'Distance Base - Target, km'));
    if (lastPath) writePath();
  });
  $('cmdcalcazidist').addEventListener('click', () => {
    if ($('Check1').checked) readHomeIntoBase();
    const b = upperCaseInPlace(base);
    const tg = upperCaseInPlace(target);
    const answers = [$('txtazimuth'), $('txtdistance')];
    if (b === tg) {
      // "The two values are set to zero": the answers say so.
      forget();
      showInAddress('');
      for (const a of answers) a.value = '0';
      showMessage(t(kLocatorsEqual), { then: $('Check1').checked ? target : base });
      target.value = '';
      base.value = $('Check1').checked ? home.table[8] : '';
      return;
    }
    // 2, 4, 6, 8 or 10 characters: a field to a rover's 10-character cell.
    if (!core.check(b)) return forget(), refuse(base, kLocatorIncorrect, answers);
    if (!core.check(tg)) return forget(), refuse(target, kLocatorIncorrect, answers);
    lastPath = { base: b, target: tg, result: core.path(b, tg) };
    showInAddress(`#path=${b},${tg}`);
    writePath();
    map.show(b, tg, lastPath.result);
  });
  $('Command3').addEventListener('click', () => {
    for (const id of ['txtlocator2', 'txtdistance', 'txtazimuth']) $(id).value = '';
    forget();
    check1();
  });
  $('Command5').addEventListener('click', () => {
    const v = (id) => $(id).value;
    const table = [v('txtlatdeg'), v('txtlatmin'), v('txtlatsec'), $('optlatnord').checked ? 'True' : 'False',
      v('txtlondeg'), v('txtlonmin'), v('txtlonsec'), $('optlonest').checked ? 'True' : 'False', v('txtresultloc')];
    // Only a position computed into a locator is a home to save.
    if (!core.check(table[8])) {
      return showMessage(t('Compute your position first: there is no locator to save yet.'), { title: 'Morvane', then: $('Command1') });
    }
    const failure = saveHome(localStorage, table);
    if (failure) return showMessage(tMessage(failure));
    home.table = table;
    $('accuracy').textContent = t('Home locator {locator} saved.', { locator: table[8] });
  });
  return check1;
}

function tabs() {
  const all = [...document.querySelectorAll('[role=tab]')];
  const select = (tab) => {
    for (const t of all) {
      const on = t === tab;
      t.setAttribute('aria-selected', String(on));
      t.tabIndex = on ? 0 : -1;
      $(t.getAttribute('aria-controls')).hidden = !on;
    }
  };
  all.forEach((tab, i) => {
    tab.addEventListener('click', () => select(tab));
    tab.addEventListener('keydown', (e) => {
      const at = { ArrowRight: i + 1, ArrowLeft: i - 1, Home: 0, End: all.length - 1 }[e.key];
      if (at === undefined) return;
      e.preventDefault();
      const next = all[(at + all.length) % all.length];
      select(next);
      next.focus();
    });
  });
  return (id) => select($(id));
}

// "#locator=JN18EU" or "#path=JN18EU,FN20XR" opens that page computed (keys
// in any case, the comma written %2C, blanks after it); any other address
// opens the first page as it is.
function openFromAddress(selectTab) {
  let hash;
  try {
    hash = decodeURIComponent(location.hash);
  } catch {
    return;
  }
  const match = /^#(locator|path)=\s*([A-Za-z0-9]{2,10})\s*(?:,\s*([A-Za-z0-9]{2,10}))?\s*$/i.exec(hash);
  if (!match) return;
  const key = match[1].toLowerCase();
  if (key === 'locator' && !match[3]) {
    selectTab('tab-locator');
    $('txtlocatorinv').value = match[2];
    $('cmdcalclocgeo').click();
  } else if (key === 'path' && match[3]) {
    selectTab('tab-path');
    $('Check1').checked = false;
    $('txtlocator1').value = match[2];
    $('txtlocator2').value = match[3];
    $('cmdcalcazidist').click();
  }
}

// The address says what is shown, so that it can be kept or shared.
function showInAddress(hash) {
  if (location.hash !== hash) history.replaceState(null, '', hash || location.pathname + location.search);
}

// Enter in a page's box computes, as in a form.
function enterComputes() {
  for (const [page, button] of [['page-geo', 'Command1'], ['page-locator', 'cmdcalclocgeo'], ['page-path', 'cmdcalcazidist']])
    $(page).addEventListener('keydown', (e) => {
      if (e.key === 'Enter' && e.target.matches('input:not([type=checkbox]):not([type=radio])')) {
        e.preventDefault();
        $(button).click();
      }
    });
}

// A new version waiting (the service worker's): offered, taken on Reload.
function offerUpdates(registration) {
  let asked = false;  // a first visit's worker takes over too, without a reload
  const offer = (worker) => {
    if (!worker || !navigator.serviceWorker.controller) return;
    $('update').hidden = false;
    $('update-reload').onclick = () => {
      asked = true;
      worker.postMessage('skipWaiting');
    };
  };
  offer(registration.waiting);
  registration.addEventListener('updatefound', () => {
    const worker = registration.installing;
    worker.addEventListener('statechange', () => worker.state === 'installed' && offer(worker));
  });
  navigator.serviceWorker.addEventListener('controllerchange', () => asked && location.reload());
}

async function main() {
  setLanguage(navigator.language);
  translatePage(document.body);
  const core = await loadCore();
  const home = loadHome(localStorage);
  geoPage(core);
  whereAmI(core);
  const track = fieldMode(core, locale);
  locatorPage(core);
  const map = beamMap(core, () => track.fixes);
  const check1 = pathPage(core, home, map);
  // Ticked at start when a home locator is saved: the base is the home
  // locator. A first visit has none, and types both.
  $('Check1').checked = Boolean(home.table[8]);
  check1();
  if (home.problem) showMessage(tMessage(home.problem), { title: 'Morvane' });
  const selectTab = tabs();
  // Field mode is on the first page, below its boxes: taken there at once.
  $('to-field').addEventListener('click', () => {
    selectTab('tab-geo');
    $('field').scrollIntoView({ block: 'start' });
    $('follow').focus({ preventScroll: true });
  });
  enterComputes();
  openFromAddress(selectTab);
  window.addEventListener('hashchange', () => openFromAddress(selectTab));
  document.body.dataset.ready = 'true';
  // The pages work at once; the coastlines come when they come.
  fetch('land-110m.json').then((r) => r.json()).then(landOf).then(map.setLand).catch(() => {});
  fetch('towns.json').then((r) => r.json()).then(map.setTowns).catch(() => {});
  // Offline after the first visit; a failure here only means online-only.
  if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').then(offerUpdates).catch(() => {});
}

main();
