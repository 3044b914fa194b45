// The three pages in headless Chromium, driven through accessible names as
// a screen reader user would: the window's table cases in an English and a
// French browser, refusals, the stored home locator, shared addresses,
// axe-core in light and dark, and never an uncaught error.
//   node web/test/pages.mjs build-web
import { cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

import { kFrench } from '../src/french.js';
import { setLanguage, t, tMessage } from '../src/i18n.js';
import { roverTests } from './rover.mjs';
import { serve } from './serve.mjs';

const root = path.resolve(process.argv[2] || 'build-web');
const { site, server } = await serve(root);

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--headless=new', '--disable-gpu', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run'],
});
let failures = 0;
let checks = 0;
const foreign = [];  // any request that leaves the site's own origin
const check = (name, expected, actual) => {
  checks += 1;
  if (process.env.MORVANE_TRACE) console.log(`check ${name}`);
  if (JSON.stringify(expected) !== JSON.stringify(actual)) {
    failures += 1;
    console.log(`FAIL ${name}\n  expected: ${JSON.stringify(expected)}\n  actual:   ${JSON.stringify(actual)}`);
  }
};

// Each page in a context of its own, so storage never leaks between cases;
// installing needs the browser's own (not incognito) context.
async function open(language, { hash = '', storage = null, scheme = 'light', ownContext = true, init = null, initArg = null } = {}) {
  const page = ownContext ? await (await browser.createBrowserContext()).newPage() : await browser.newPage();
  const errors = [];
  page.on('request', (r) => !r.url().startsWith(site) && !/^(data|blob):/.test(r.url()) && foreign.push(r.url()));
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
  await page.evaluateOnNewDocument((lang, stored) => {
    Object.defineProperty(navigator, 'language', { get: () => lang });
    if (stored !== null) localStorage.setItem('morvane.home', stored);
  }, language, storage);
  if (init) await page.evaluateOnNewDocument(init, initArg);
  await page.goto(site + hash);
  await page.waitForSelector('body[data-ready=true]');
  page.french = language.startsWith('fr');
  return { page, errors };
}

// A control by its accessible name; text boxes first, since a group of the
// same name ("QRA Locator") may hold one.
// Names are written in English; a French page is asked in French.
const local = (page, text) => (page.french && kFrench[text]) || text;
// What a page says, in its language: an English text with its values.
const said = (page, text, values) => (setLanguage(page.french ? 'fr' : 'en'), values ? t(text, values) : tMessage(text));
const byName = async (page, english) => {
  const name = local(page, english);
  return (await page.$(`aria/${name}[role="textbox"]`)) || page.$(`aria/${name}`);
};
async function type(page, name, text) {
  const box = await byName(page, name);
  await box.evaluate((b, t) => (b.value = t), text);
}
const value = (page, id) => page.$eval(`#${id}`, (e) => e.value);
const press = async (page, id) => (await page.$(`#${id}`)).click();
const lastMessage = async (page) => (await messages(page)).at(-1);
const messages = (page) => page.evaluate(() => window.morvaneMessages.map((m) => m.text));
async function tab(page, name) {
  await (await page.$(`[role=tab]::-p-text(${local(page, name)})`)).click();
}

// The locator under a point of the map centred on JN18EU (SVG units): the
// azimuthal equidistant projection undone with spherical trigonometry, then
// the grid's letters and digits. An oracle for the map, apart from d3.
function LonLatUnder(x, y) {
  const rad = Math.PI / 180;
  const [lat0, lon0] = [48.854166666666664 * rad, 2.375 * rad];
  const rho = Math.hypot(x - 300, y - 300) / ((300 - 24) / Math.PI);
  const bearing = Math.atan2(x - 300, 300 - y);
  const lat = Math.asin(Math.sin(lat0) * Math.cos(rho) + Math.cos(lat0) * Math.sin(rho) * Math.cos(bearing));
  const lon = lon0 + Math.atan2(Math.sin(bearing) * Math.sin(rho) * Math.cos(lat0), Math.cos(rho) - Math.sin(lat0) * Math.sin(lat));
  return [((lon / rad + 540) % 360) - 180, lat / rad];
}
function LocatorUnder(x, y) {
  const [lon, lat] = LonLatUnder(x, y);
  const a = (lon + 180) / 20;
  const b = (lat + 90) / 10;
  const letter = (v) => String.fromCharCode(65 + Math.floor(v));
  return letter(a) + letter(b) + Math.floor((a % 1) * 10) + Math.floor((b % 1) * 10) +
    letter(((a * 10) % 1) * 24) + letter(((b * 10) % 1) * 24);
}

// The first page: the window's table cases.
const boxes = ['Latitude degrees', 'Latitude minutes', 'Latitude seconds', 'Longitude degrees', 'Longitude minutes', 'Longitude seconds'];
const geoCases = [
  [['', '', '', '', '', ''], false, false, 'JJ00AA'],
  [['48', '51', '0', '2', '21', '0'], false, false, 'JN18EU'],
  [['89', '59', '59', '179', '59', '59'], false, false, 'RR99XX'],
  [['89', '59', '59', '179', '59', '59'], true, true, 'AA00AA'],
  [['40', '43', '0', '73', '59', '0'], false, true, 'FN30AR'],
  [['33', '52', '0', '151', '13', '0'], true, false, 'QF56OD'],
  [['12.5', '', '', '', '', ''], false, false, 'JK02AM'],
  [['-90', '', '', '0', '', ''], false, true, 'JA00AA'],
  // Exact cells: a position on a grid line is in the cell north and east of it.
  [['48', '', '', '2', '', ''], false, false, 'JN18AA'],
  [['0', '', '', '2', '', ''], false, false, 'JJ10AA'],
  [['48', '7', '30', '2', '15', '0'], false, false, 'JN18DD'],
  [['48', '7', '29.999', '2', '14', '59.999'], false, false, 'JN18CC'],
  // A minus on the degrees turns the whole axis: 33°52' South, then North.
  [['-33', '52', '0', '151', '12', '0'], false, false, 'QF56OD'],
  [['-33', '52', '0', '151', '12', '0'], true, false, 'QM53OU'],
  [['48', '', '', '-2', '', ''], false, false, 'IN98AA'],
  // ... even on 0 degrees.
  [['51', '30', '26', '-0', '7', '39'], false, false, 'IO91WM'],
  [['-0', '30', '', '10', '', ''], false, false, 'JI59AM'],
  // An exponent, and the most decimals the exact cell reads.
  [['5e1', '', '', '2', '', ''], false, false, 'JO10AA'],
  [[`48.${'1'.repeat(28)}`, '', '', '2', '', ''], false, false, 'JN18AC'],
  // Decimal degrees alone: the grid is the limit, not the boxes'.
  [['0', '', '', '179.5', '', ''], false, false, 'RJ90SA'],
  [['89.5', '', '', '0', '', ''], false, false, 'JR09AM'],
];
const geoRefusals = [
  [['90', '', '', '', '', ''], false, 'Introduced Latitude higher than 89°', 0],
  [['', '', '', '180', '', ''], false, 'Introduced Longitude higher than 179°', 3],
  [['', '60', '', '', '60', ''], false, "Introduced Minutes for longitude higher than 60'", 4],
  [['', '', '75', '', '', ''], false, "Introduced seconds for latitude higher than 60'", 2],
  [['', '', '', 'abc', '', ''], false, 'Introduced value for longitude degrees is not a number', 3],
  [['1,5', '', '', '', '', ''], false, 'Introduced value for latitude degrees is not a number', 0],
  [['1e309', '', '', '', '', ''], false, 'Introduced Latitude higher than 89°', 0],
  [['-95', '', '', '', '', ''], false, 'Introduced Latitude outside the locator grid (90° South to 90° North)', 0],
  [['89', '59.99', '59.99', '', '', ''], false, 'Introduced Latitude outside the locator grid (90° South to 90° North)', 2],
  [['-90', '', '', '', '', ''], true, 'Introduced Latitude outside the locator grid (90° South to 90° North)', 0],
  [['', '-5', '', '', '', ''], false, 'Introduced value for latitude minutes is negative', 1],
];
{
  const { page, errors } = await open('en-US');
  for (const [typed, south, west, locator] of geoCases) {
    for (let i = 0; i < 6; i += 1) await type(page, boxes[i], typed[i]);
    await (await byName(page, south ? 'Latitude South' : 'Latitude North')).click();
    await (await byName(page, west ? 'Longitude West' : 'Longitude East')).click();
    await press(page, 'Command1');
    check(`geo ${typed} ${south} ${west}`, locator, await value(page, 'txtresultloc'));
  }
  for (const [typed, south, message, refused] of geoRefusals) {
    for (let i = 0; i < 6; i += 1) await type(page, boxes[i], typed[i]);
    await (await byName(page, south ? 'Latitude South' : 'Latitude North')).click();
    const before = (await messages(page)).length;
    await press(page, 'Command1');
    check(`refusal ${typed}`, [message], (await messages(page)).slice(before));
    const title = await page.evaluate(() => window.morvaneMessages.at(-1).title);
    await press(page, 'message-ok');
    await page.evaluate(() => new Promise((r) => setTimeout(r, 50)));  // the focus is given back after the dialog's
    const focused = await page.evaluate(() => { const b = document.activeElement;
      return [b.getAttribute('aria-label'), b.value, b.selectionStart === 0 && b.selectionEnd === b.value.length]; });
    const kept = typed[refused] === '' ? '0' : typed[refused];
    check(`refused box named, kept selected and focused ${typed}`, [`Error: ${boxes[refused]}`, boxes[refused], kept, true],
      [title, ...focused]);
  }
  // The second page.
  await tab(page, 'Locator to geo coord.');
  await type(page, 'QRA Locator', 'jn18eu');
  await press(page, 'cmdcalclocgeo');
  const secondPage = () => Promise.all(['txtlatdeginv', 'txtlatmininv', 'Text1', 'txtlongdeginv', 'txtlongmininv', 'Text2',
    'latdecimal', 'londecimal'].map((id) => value(page, id)));
  check('locator to position', ['JN18EU', '48', '51', '15', '2', '22', '30', '48.854167', '2.375'],
    [await value(page, 'txtlocatorinv'), ...await secondPage()]);
  const summary = () => page.$eval('#locator-summary', (e) => e.textContent);
  // One live region speaks for the page; its boxes are quiet.
  check('one summary heard', ['JN18EU: 48° 51\' 15" North, 2° 22\' 30" East (48.854167; 2.375)', 1],
    [await summary(), await page.$$eval('#page-locator [role=status], #page-locator output',
      (l) => l.filter((e) => e.getAttribute('aria-live') !== 'off').length)]);
  // 2 to 10 characters: a field, a square, a rover's cells, south and west.
  for (const [typed, shown] of [['jn', ['45', '0', '0', '10', '0', '0', '45', '10']],
    ['FN20', ['40', '30', '0', '75', '0', '0', '40.5', '-75']],
    ['JN18EU45', ['48', '51', '22.5', '2', '22', '15', '48.85625', '2.370833']],
    ['fd41ge12ab', ['58', '49', '29.0625', '71', '29', '29.375', '-58.82474', '-71.491493']]]) {
    await type(page, 'QRA Locator', typed);
    await press(page, 'cmdcalclocgeo');
    check(`locator of ${typed.length}`, shown, await secondPage());
  }
  check('southern, western', ['South', 'West'], await page.evaluate(() => ['lbllatsens', 'lbllongsens'].map((id) => document.getElementById(id).textContent)));
  for (const wrong of ['JN18E', 'JN18EU4', 'JN18EU4A']) {
    await type(page, 'QRA Locator', wrong);
    await press(page, 'cmdcalclocgeo');
    check(`wrong locator ${wrong}`, ['Introduced QRA locator incorrect', '', ''], [await lastMessage(page), await summary(), await value(page, 'latdecimal')]);
    await press(page, 'message-ok');
  }
  // The third page. A first visit has no home locator: the base is typed,
  // and ticking the box says why it cannot be used.
  await tab(page, 'Azimuth and Distance');
  const homeBox = () => page.$eval('#Check1', (e) => e.checked);
  check('new visitor: base typed', false, await homeBox());
  await (await byName(page, 'Always use my QRA locator as base')).click();
  check('new visitor: no home yet', [false, 'No home locator is saved yet: compute your position on the first page and press Save my QRA Locator.'],
    [await homeBox(), await lastMessage(page)]);
  await press(page, 'message-ok');
  for (const [base, target, azimuth, km, miles] of [['JN18EU', 'FN20XR', '292', '5847', '3633.93'],
    ['QF56OD', 'IO91WM', '319', '17011', '10572.4'], ['JJ00AA', 'AI09AX', '0', '20038', '12453.69'],
    ['AL00AA', 'RL90XA', '270', '9', '5.59']]) {
    await type(page, 'QRA Locator Base', base);
    await type(page, 'QRA Locator Target', target);
    await press(page, 'cmdcalcazidist');
    check(`path ${base} ${target}`, [azimuth, km], [await value(page, 'txtazimuth'), await value(page, 'txtdistance')]);
    await (await byName(page, 'Use Miles')).click();
    await press(page, 'cmdcalcazidist');
    check(`miles ${base} ${target}`, [miles, 'Distance Base - Target, mi'],
      [await value(page, 'txtdistance'), await page.$eval('#txtdistance', (e) => e.getAttribute('aria-label'))]);
    await (await byName(page, 'Use Miles')).click();
  }
  // Answers that no longer match the boxes go: a refused box, Clear.
  const shown = async () => [await value(page, 'txtazimuth'), await value(page, 'txtdistance'),
    await page.$eval('#map-figure', (e) => e.hidden)];
  check('map shown with the answers', ['270', '9', false], await shown());
  await type(page, 'QRA Locator Target', 'ZZ99ZZ');
  await press(page, 'cmdcalcazidist');
  await press(page, 'message-ok');
  check('refused: no stale answers', ['', '', true], await shown());
  await type(page, 'QRA Locator Target', 'FN20XR');
  await press(page, 'cmdcalcazidist');
  await press(page, 'Command3');
  check('cleared: no map', ['', '', true], await shown());
  await type(page, 'QRA Locator Base', 'jn18eu');
  await type(page, 'QRA Locator Target', 'JN18EU');
  await press(page, 'cmdcalcazidist');
  check('equal locators', ['The two QRA locators are equal. No calculation can be done\nThe two values are set to zero', '0', '0', true],
    [await lastMessage(page), ...await shown()]);
  check('no uncaught error (English)', [], errors);
  await page.close();
}

// A French browser types a decimal comma and reads one.
{
  const { page, errors } = await open('fr-FR');
  const typed = ['48,5', '51', '0', '2', '21,5', '0'];
  for (let i = 0; i < 6; i += 1) await type(page, boxes[i], typed[i]);
  await press(page, 'Command1');
  check('French comma', 'JN19EI', await value(page, 'txtresultloc'));
  // A point is no group separator in French: it is read as the decimal
  // mark, as GPS apps and map sites write numbers.
  await type(page, 'Latitude degrees', '48.5');
  await press(page, 'Command1');
  check('French point', 'JN19EI', await value(page, 'txtresultloc'));
  await tab(page, 'Azimuth and Distance');
  await (await byName(page, 'Use Miles')).click();
  await type(page, 'QRA Locator Base', 'JN18EU');
  await type(page, 'QRA Locator Target', 'FN20XR');
  await press(page, 'cmdcalcazidist');
  check('French miles', '3633,93', await value(page, 'txtdistance'));
  check('no uncaught error (French)', [], errors);
  await page.close();
}

// Tap targets on a phone: every radio button's and check box's label 44 px tall.
{
  const { page } = await open('en-US');
  await page.setViewport({ width: 390, height: 844 });
  const heights = await page.$$eval('label:has(input[type=radio]), label:has(input[type=checkbox])',
    (labels) => labels.filter((l) => l.offsetParent).map((l) => l.getBoundingClientRect().height));
  check('tap targets of 44 px', true, heights.length >= 4 && heights.every((h) => h >= 44));
  await page.close();
}

// In German a point groups thousands: "48.5" is refused, "48,5" read.
{
  const { page } = await open('de-DE');
  await type(page, 'Latitude degrees', '48.5');
  await press(page, 'Command1');
  check('German point', 'Introduced value for latitude degrees is not a number', await lastMessage(page));
  await page.close();
}

// The home locator in storage: saved, read back as the base; what cannot be
// read is refused with a message and the page goes on working.
{
  const { page } = await open('en-US');
  const typed = ['48', '51', '0', '2', '21', '0'];
  for (let i = 0; i < 6; i += 1) await type(page, boxes[i], typed[i]);
  await press(page, 'Command5');
  check('nothing computed, nothing saved', [null, 'Compute your position first: there is no locator to save yet.'],
    [await page.evaluate(() => localStorage.getItem('morvane.home')), await lastMessage(page)]);
  await press(page, 'message-ok');
  await press(page, 'Command1');
  await press(page, 'Command5');
  check('saved, and said', 'Home locator JN18EU saved.', await page.$eval('#accuracy', (e) => e.textContent));
  const stored = await page.evaluate(() => localStorage.getItem('morvane.home'));
  check('saved nine values', '["48","51","0","True","2","21","0","True","JN18EU"]', stored);
  await page.close();
  const again = await open('en-US', { storage: stored });
  check('base from storage', 'JN18EU', await value(again.page, 'txtlocator1'));
  // With a home saved the box works both ways, without a word.
  await tab(again.page, 'Azimuth and Distance');
  const homeBox = await byName(again.page, 'Always use my QRA locator as base');
  await homeBox.click();
  await homeBox.click();
  check('home box ticked again', [true, 'JN18EU', 0], [await again.page.$eval('#Check1', (e) => e.checked),
    await value(again.page, 'txtlocator1'), (await messages(again.page)).length]);
  await again.page.close();
  // An address with a locator opens the second page computed; a path needs two.
  for (const [hash, shown] of [['#locator=jn18eu', '48'], ['#path=JN18EU', '']]) {
    const { page: p } = await open('en-US', { hash });
    check(`address ${hash}`, shown, await value(p, 'txtlatdeginv'));
    await p.close();
  }
  for (const [name, bad] of [['corrupted', '["48",'], ['foreign', '42'], ['eight values', '["1","2","3","4","5","6","7","JN18EU"]'], ['oversized', JSON.stringify(Array(9).fill('x'.repeat(5000)))]]) {
    const { page: p, errors } = await open('en-US', { storage: bad });
    check(`${name} storage refused`, ['The home locator stored in this browser could not be read and was ignored.'], await messages(p));
    await press(p, 'message-ok');
    await tab(p, 'Locator to geo coord.');
    await type(p, 'QRA Locator', 'QF56OD');
    await press(p, 'cmdcalclocgeo');
    check(`${name} storage: page works`, 'South', await p.$eval('#lbllatsens', (e) => e.textContent));
    check(`${name} storage: no error`, [], errors);
    await p.close();
  }
}

// Shared addresses open computed; a malformed one opens the empty page.
{
  const { page, errors } = await open('en-US', { hash: '#path=JN18EU,FN20XR' });
  check('address path', ['292', '5847'], [await value(page, 'txtazimuth'), await value(page, 'txtdistance')]);
  await page.close();
  const bad = await open('en-US', { hash: '#path=%ZZ,<b>' });
  check('malformed address', ['', []], [await value(bad.page, 'txtresultloc'), await messages(bad.page)]);
  check('addresses: no error', [], [...errors, ...bad.errors]);
  await bad.page.close();
}

// The map: drawn at Compute, its short path ending on the projected
// target, a tap giving the locator of the point tapped, rings in the unit.
{
  const { page, errors } = await open('en-US', { hash: '#path=JN18EU,FN20XR' });
  check('map text alternative', 'Path from JN18EU to FN20XR: 292°, 5847 km', await page.$eval('#map-title', (e) => e.textContent));
  const [end, marker] = await page.evaluate(() => {
    const p = document.getElementById('short-path');
    const at = p.getPointAtLength(p.getTotalLength());
    const c = document.querySelectorAll('circle.end')[1];
    return [[at.x, at.y], [Number(c.getAttribute('cx')), Number(c.getAttribute('cy'))]];
  });
  // Where FN20XR's centre must fall, worked out here: its great-circle
  // distance and bearing from JN18EU's centre, as a radius and an angle.
  const rad = Math.PI / 180;
  const [p1, l1, p2, l2] = [48.854166666666664 * rad, 2.375 * rad, 40.729166666666664 * rad, -74.04166666666667 * rad];
  const rho = Math.acos(Math.sin(p1) * Math.sin(p2) + Math.cos(p1) * Math.cos(p2) * Math.cos(l2 - l1));
  const bearing = Math.atan2(Math.sin(l2 - l1) * Math.cos(p2), Math.cos(p1) * Math.sin(p2) - Math.sin(p1) * Math.cos(p2) * Math.cos(l2 - l1));
  const r = (rho * (300 - 24)) / Math.PI;
  const expected = [300 + r * Math.sin(bearing), 300 - r * Math.cos(bearing)];
  check('short path ends on the projected target', true, Math.hypot(end[0] - expected[0], end[1] - expected[1]) < 0.5);
  // The long path goes on from the target, round the far side, to the base.
  const [longStart, longEnd] = await page.evaluate(() => {
    const p = document.querySelector('.long-path');
    const a = p.getPointAtLength(0);
    const b = p.getPointAtLength(p.getTotalLength());
    return [[a.x, a.y], [b.x, b.y]];
  });
  check('long path from the target to the base', [true, true],
    [Math.hypot(longStart[0] - expected[0], longStart[1] - expected[1]) < 0.5, Math.hypot(longEnd[0] - 300, longEnd[1] - 300) < 0.5]);
  check('target marked there', true, Math.hypot(marker[0] - expected[0], marker[1] - expected[1]) < 0.5);
  // A tap lands on a whole pixel; the map point under it (the zoom undone)
  // is worked out here on its own, and must give the locator the page shows,
  // to the length a finger can tell at that zoom.
  const map = await page.$('#map');
  const tapNear = async (x, y, length) => {
    await map.scrollIntoView();
    const box = await map.boundingBox();
    const client = [Math.round(box.x + (x / 600) * box.width), Math.round(box.y + (y / 600) * box.height)];
    await page.mouse.click(client[0], client[1]);
    const [k, tx, ty] = await page.$eval('#map .layer', (g) => {
      const m = g.transform.baseVal.consolidate()?.matrix || { a: 1, e: 0, f: 0 };
      return [m.a, m.e, m.f];
    });
    const [sx, sy] = [((client[0] - box.x) * 600) / box.width, ((client[1] - box.y) * 600) / box.height];
    return [await page.$eval('#clicked', (e) => e.textContent), `Point tapped: ${LocatorUnder((sx - tx) / k, (sy - ty) / k).slice(0, length)}`];
  };
  for (const [name, x, y] of [['centre', 300, 300], ['target', ...marker], ['south-east', 420, 470], ['far north-west', 140, 90]]) {
    const [shown, expected] = await tapNear(x, y, 2);
    check(`tap near the ${name}: a field`, expected, shown);
  }
  // The outline is the tapped field's: every point of it on one of the
  // field's edges (JN: 0 to 20 East, 40 to 50 North).
  await tapNear(300, 300, 2);
  const outline = await page.$eval('#map .tapped-cell', (p) => p.getAttribute('d'));
  const xy = outline.match(/-?\d+(\.\d+)?(e-?\d+)?/g).map(Number);
  const near = (v, edges) => edges.some((e) => Math.abs(v - e) < 0.02);
  const inward = [];
  for (let i = 0; i + 1 < xy.length; i += 2) {
    const [lon, lat] = LonLatUnder(xy[i], xy[i + 1]);
    inward.push(lon > -0.02 && lon < 20.02 && lat > 39.98 && lat < 50.02 && (near(lon, [0, 20]) || near(lat, [40, 50])) ? 'JN' : `${lon},${lat}`);
  }
  check('tapped field outlined', ['JN'], [...new Set(inward)]);
  check('tap outside the disc', 'Outside the map', (await tapNear(8, 8, 2))[0]);
  const [tapped] = await tapNear(...marker, 2);
  await press(page, 'use-clicked');
  check('tapped field as target (2 characters)', [tapped.slice(-2), '294'], [await value(page, 'txtlocator2'), await value(page, 'txtazimuth')]);
  await page.evaluate(() => { location.hash = '#path=JN18EU,FN20XR'; });
  await page.waitForFunction(() => document.getElementById('txtazimuth').value === '292');
  // Zoomed in, a square, then a sub-square; the labels keep their size.
  const labelPx = () => page.$eval('.end-label', (t) => t.getBoundingClientRect().height);
  const before = await labelPx();
  for (let i = 0; i < 5; i += 1) await press(page, 'zoom-in');
  const [square, squareExpected] = await tapNear(310, 290, 4);
  check('zoomed 32x: a square', [squareExpected, true], [square, Math.abs((await labelPx()) - before) < 1]);
  // A drag pans by as much as the finger moved, once it lets go.
  const shift = () => page.$eval('#map .layer', (g) => g.transform.baseVal.consolidate().matrix.e);
  const mapBox = await map.boundingBox();
  const before8 = await shift();
  await page.mouse.move(mapBox.x + 200, mapBox.y + 200);
  await page.mouse.down();
  for (let i = 1; i <= 6; i += 1) await page.mouse.move(mapBox.x + 200 + 10 * i, mapBox.y + 200);
  await page.mouse.up();
  check('drag pans the map', 60, Math.round(((await shift()) - before8) * (mapBox.width / 600)));
  // A right-button drag is the browser's (its menu), not a pan.
  await page.mouse.down({ button: 'right' });
  for (let i = 1; i <= 6; i += 1) await page.mouse.move(mapBox.x + 260 + 10 * i, mapBox.y + 200);
  await page.mouse.up({ button: 'right' });
  check('right-button drag leaves the map', 60, Math.round(((await shift()) - before8) * (mapBox.width / 600)));
  // At 128x a sub-square is 8 px tall on a 600-px map: too small for its
  // lines, so a tap gives the square; at 512x, the sub-square.
  for (let i = 0; i < 2; i += 1) await press(page, 'zoom-in');
  check('600-px map zoomed 128x: a square, sub-square lines not drawn', [(await tapNear(310, 290, 4))[1], 0],
    [(await tapNear(310, 290, 4))[0], (await page.$$('.grid-6')).length]);
  for (let i = 0; i < 2; i += 1) await press(page, 'zoom-in');
  const [sub, subExpected] = await tapNear(310, 290, 6);
  check('zoomed 512x: a sub-square, its lines drawn, its square labelled', [subExpected, 1, true],
    [sub, (await page.$$('.grid-6')).length, (await page.$$eval('.grid-label:not(.piled)', (l) => l.map((e) => e.textContent))).includes(subExpected.slice(-6, -2))]);
  for (let i = 0; i < 9; i += 1) await press(page, 'zoom-out');
  const ringLabels = () => page.$$eval('.ring-label', (l) => l.map((e) => e.textContent));
  check('rings in km', ['2500 km', '5000 km'], (await ringLabels()).slice(0, 2));
  // The 17,500 km ring (its label just above it) on the window's Earth of 40076.59 km.
  const ringTop = 300 - ((17500 / (40076.59 / 360)) * rad * (300 - 24)) / Math.PI - 3;
  const lastLabel = await page.$$eval('.ring-label', (l) => Number(l.at(-1).getAttribute('y')));
  check('ring radius', true, Math.abs(lastLabel - ringTop) < 0.5);
  await (await byName(page, 'Use Miles')).click();
  check('rings in miles', ['1554 mi', '3108 mi'], (await ringLabels()).slice(0, 2));
  await (await byName(page, 'Show the 18 x 18 fields')).click();
  check('field letters shown', true, (await page.$$('.field-letter')).length > 200);
  check('map: no error', [], errors);
  await page.close();
}

// On a grid line the locator is the exact cell of the position given (a
// page of its own: the browser hands a page its last position again).
{
  const { page } = await open('en-US');
  await page.browserContext().overridePermissions(site, ['geolocation']);
  await page.setGeolocation({ latitude: 48, longitude: 2, accuracy: 12 });
  await press(page, 'use-position');
  await page.waitForFunction(() => document.getElementById('txtresultloc').value !== '');
  check('position on a grid line', 'JN18AA', await value(page, 'txtresultloc'));
  await page.browserContext().clearPermissionOverrides();
  await page.close();
}

// "Use my position": the browser's position typed into the boxes and
// computed; a refusal is a clear message.
{
  const { page, errors } = await open('en-US');
  await page.browserContext().overridePermissions(site, ['geolocation']);
  await page.setGeolocation({ latitude: -33.8568, longitude: 151.2153, accuracy: 12 });
  await press(page, 'use-position');
  await page.waitForFunction(() => document.getElementById('txtresultloc').value !== '');
  const shown = await page.evaluate(() => ['txtlatdeg', 'txtlatmin', 'txtlatsec', 'txtlondeg', 'txtlonmin', 'txtlonsec',
    'txtresultloc'].map((id) => document.getElementById(id).value));
  check('position typed and computed', ['33', '51', '24.48', '151', '12', '55.08', 'QF56OD'], shown);
  check('hemispheres from the position', [true, false],
    await page.evaluate(() => [document.getElementById('optlatsud').checked, document.getElementById('optlonouest').checked]));
  check('accuracy shown', 'Within about 12 m, as the browser says.', await page.$eval('#accuracy', (e) => e.textContent));
  await page.browserContext().clearPermissionOverrides();
  await page.browserContext().overridePermissions(site, []);
  await press(page, 'use-position');
  await page.waitForFunction(() => window.morvaneMessages.length > 0);
  check('position refused', 'The browser was not allowed to tell its position.', await lastMessage(page));
  check('position: no error', [], errors);
  await page.close();
}

// A first visit's faults: Enter computes, the message is modal and gives
// the focus back to its box (also on another page), the address follows
// every answer and is read however it is written, and the tabs work before
// the coastlines arrive.
{
  const { page, errors } = await open('en-US');
  await page.setRequestInterception(true);
  page.on('request', (r) => (r.url().endsWith('land-110m.json') ? setTimeout(() => r.continue(), 3000) : r.continue()));
  await page.reload();
  await page.waitForSelector('body[data-ready=true]');
  check('tabs before the coastlines', false, await page.evaluate(() => document.querySelectorAll('#map .land').length > 0));
  await tab(page, 'Azimuth and Distance');
  check('tab works at once', false, await page.$eval('#page-path', (e) => e.hidden));
  await type(page, 'QRA Locator Base', 'JN18EU');
  await type(page, 'QRA Locator Target', 'FN20XR');
  await (await byName(page, 'QRA Locator Target')).focus();
  await page.keyboard.press('Enter');
  check('Enter computes', '292', await value(page, 'txtazimuth'));
  check('address follows', '#path=JN18EU,FN20XR', await page.evaluate(() => location.hash));
  await page.evaluate(() => { location.hash = '#PATH=io91wm%2C%20qf56od'; });
  await page.waitForFunction(() => document.getElementById('txtazimuth').value === '61');
  check('address read: upper-case key, %2C, a blank', ['IO91WM', 'QF56OD'], [await value(page, 'txtlocator1'), await value(page, 'txtlocator2')]);
  await type(page, 'QRA Locator Target', 'XX');
  await press(page, 'cmdcalcazidist');
  check('message is modal', true, await page.$eval('#message', (d) => d.open && d.matches(':modal')));
  const clear = await (await page.$('#Command3')).boundingBox();
  await page.mouse.click(clear.x + clear.width / 2, clear.y + clear.height / 2);
  check('a click on the page beneath does nothing', 'IO91WM', await value(page, 'txtlocator1'));
  for (let i = 0; i < 3; i += 1) {
    await page.keyboard.press('Tab');
    check('Tab never reaches the page beneath', true,
      await page.evaluate(() => document.activeElement === document.body || document.getElementById('message').contains(document.activeElement)));
  }
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.activeElement.id === 'txtlocator2');
  check('Escape closes, the box has the focus', false, await page.$eval('#message', (d) => d.open));
  // Pasted with blanks; Use Miles converts what is shown; Home and End on the tabs.
  await type(page, 'QRA Locator Base', 'JN18EU\t');
  await type(page, 'QRA Locator Target', ' fn20xr ');
  await press(page, 'cmdcalcazidist');
  check('pasted locator trimmed', '5847', await value(page, 'txtdistance'));
  await (await byName(page, 'Use Miles')).click();
  check('miles at once', '3633.93', await value(page, 'txtdistance'));
  await (await page.$('#tab-path')).focus();
  await page.keyboard.press('Home');
  check('Home: the first tab', 'tab-geo', await page.evaluate(() => document.activeElement.id));
  await page.keyboard.press('End');
  check('End: the last tab', 'tab-path', await page.evaluate(() => document.activeElement.id));
  await page.keyboard.press('ArrowLeft');
  check('ArrowLeft: the tab before', 'tab-locator', await page.evaluate(() => document.activeElement.id));
  check('first visit: no error', [], errors);
  await page.close();
}

// A pasted position on the first page, read as the command line reads it,
// in English and in French (where a point is still a decimal point there).
for (const language of ['en-US', 'fr-FR']) {
  const { page, errors } = await open(language);
  for (const [pasted, locator, degrees] of [['48.8566, 2.3522', 'JN18EU', '48.8566'],
    ['48°51\'24"N 2°21\'08"E', 'JN18EU', '48'], ['N48 51.400 E2 21.132', 'JN18EU', '48'], ['-33.8568 151.2153', 'QF56OD', '33.8568'],
    ['48 51.400N 2 21.132E', 'JN18EU', '48'], ['51:30:26N -0:7:39', 'IO91WM', '51'],
    // What people paste: decimal commas, geo: URIs, map links.
    ['48,8566 2,3522', 'JN18EU', '48.8566'], ['48 2,5', 'JN18GA', '48'], ['48,5 2', 'JN18AM', '48.5'], ['48,8566; 2,3522', 'JN18EU', '48.8566'], ['geo:48.8566,2.3522;u=35', 'JN18EU', '48.8566'],
    ['https://maps.example/place/@48.8566,2.3522,15z', 'JN18EU', '48.8566'], ['https://map.example/#map=15/48.8566/2.3522', 'JN18EU', '48.8566'],
    ['https://map.example/?mlat=48.8566&mlon=2.3522#map=3/0/0', 'JN18EU', '48.8566'], ['https://maps.example/?q=48.8566,2.3522', 'JN18EU', '48.8566'],
    ['geo:-33.8568,151.2153', 'QF56OD', '33.8568'], ['geo:0,0?q=48.8566,2.3522(Paris)', 'JN18EU', '48.8566'],
    ['geo:0,0?q=48.8566%2C2.3522%20(Tour%20Eiffel)', 'JN18EU', '48.8566'],
    ["N 48° 51,396' E 2° 21,132'", 'JN18EU', '48'], ['48,8566N 2,3522E', 'JN18EU', '48.8566']]) {
    await type(page, 'Position', pasted);
    await press(page, 'Command1');
    check(`${language} position ${pasted}`, [locator, page.french ? degrees.replace('.', ',') : degrees],
      [await value(page, 'txtresultloc'), await value(page, 'txtlatdeg')]);
  }
  // Read by the WebAssembly build's own number reader: two points, or more
  // digits than a double holds, are not numbers.
  for (const [pasted, message] of [['48.85.66, 2.35', 'latitude: "48.85.66" is not a position'],
    ['geo:0,0?q=Eiffel+Tower', 'a geo: link naming a place, not a position'], ['geo:here', 'a geo: link with no position in it'],
    ['geo:48.85,2.35;crs=utm', 'a geo: link in a coordinate system other than WGS 84'],
    [`${'9'.repeat(400)} 2`, `latitude: "${'9'.repeat(400)}" is not a position`]]) {
    await type(page, 'Position', pasted);
    await press(page, 'Command1');
    check(`${language} position refused: ${pasted.slice(0, 12)}`, said(page, 'Introduced position incorrect: {reason}',
      { reason: said(page, message) }), await lastMessage(page));
    await press(page, 'message-ok');
  }
  await type(page, 'Position', '48 51 24 2');
  await press(page, 'Command1');
  check(`${language} ambiguous position refused, named`, [true, said(page, 'Error: {name}', { name: 'Position' }), '48 51 24 2', ''],
    [(await lastMessage(page)).includes(page.french ? 'ambiguë' : 'ambiguous'), await page.evaluate(() => window.morvaneMessages.at(-1).title),
      await value(page, 'txtposition'), await value(page, 'txtresultloc')]);
  await press(page, 'message-ok');
  check(`${language} an answer does not look like a box to type in`, [false, false], await page.evaluate(() => {
    const [answer, box] = ['txtresultloc', 'txtlatdeg'].map((id) => getComputedStyle(document.getElementById(id)));
    return [answer.backgroundColor === box.backgroundColor, answer.borderTopStyle === box.borderTopStyle];
  }));
  // The third page: 2 to 10 characters, the long path as numbers too.
  await tab(page, 'Azimuth and Distance');
  for (const [b, t, answers] of [['JN18', 'FN20XR45', ['292', '5905', '112', '34172']], ['jn18eu45ab', 'IO91', ['322', '380', '142', '39697']]]) {
    await type(page, 'QRA Locator Base', b);
    await type(page, 'QRA Locator Target', t);
    await press(page, 'cmdcalcazidist');
    check(`${language} path ${b} ${t}`, answers, await Promise.all(['txtazimuth', 'txtdistance', 'longazimuth', 'longdistance'].map((id) => value(page, id))));
  }
  await (await byName(page, 'Use Miles')).click();
  const miles = language === 'fr-FR' ? '24671,84' : '24671.84';
  check(`${language} long path in miles, one summary`, [miles, said(page, '{base} to {target}: {azimuth}°, {distance} {unit}; long path {longAzimuth}°, {longDistance} {unit}',
    { base: 'JN18EU45AB', target: 'IO91', azimuth: 322, distance: language === 'fr-FR' ? '236,17' : '236.17', unit: 'mi', longAzimuth: 142, longDistance: miles })],
    [await value(page, 'longdistance'), await page.$eval('#path-summary', (e) => e.textContent)]);
  check(`${language} position and paths: no error`, [], errors);
  await page.close();
}

// Field mode: a drive north across the JN18/JN19 line and a sub-square
// edge, the browser's position emulated, two minutes apart at 40 m/s. Each
// alert comes with its own fix, in order; the live locator is as long as
// the accuracy allows.
for (const language of ['en-US', 'fr-FR']) {
  const { page, errors } = await open(language);
  await page.browserContext().overridePermissions(site, ['geolocation']);
  await page.evaluate(() => {
    window.clock = Date.now();
    const geo = navigator.geolocation;
    const watch = geo.watchPosition.bind(geo);
    geo.watchPosition = (ok, err, o) => watch((p) => ok({ coords: p.coords, timestamp: (window.clock += 120000) }), err, o);
    window.alerts = [];
    window.vibrations = 0;
    navigator.vibrate = () => ((window.vibrations += 1), true);
    // The screen's wake lock, counted: held while following, let go after.
    window.locks = { held: 0, released: 0 };
    Object.defineProperty(navigator, 'wakeLock', { value: { request: async () => {
      window.locks.held += 1;
      const sentinel = new EventTarget();
      sentinel.release = async () => { window.locks.released += 1; };
      return sentinel;
    } } });
    const alert = document.getElementById('grid-alert');
    const text = document.getElementById('alert-text');
    new MutationObserver(() => text.textContent && window.alerts.push(text.textContent)).observe(text, { childList: true });
  });
  const km = (v) => (language === 'fr-FR' ? v.replace('.', ',') : v);
  const cdp = await page.createCDPSession();
  const drive = (latitude, longitude, accuracy) => cdp.send('Emulation.setGeolocationOverride', { latitude, longitude, accuracy, heading: 0, speed: 40 });
  await drive(48.9912, 2.3771, 4);
  await page.select('#alert-cells', '6');
  await (await byName(page, 'Follow my position')).click();
  check(`${language} following`, 'true', await page.$eval('#follow', (b) => b.getAttribute('aria-pressed')));
  const live = await byName(page, 'Live locator');
  const track = [[48.9912, 2.3771, 4, 'JN18EX57GV', [], 'JN18 980 m N; JN18EX 980 m N'],
    [48.9993, 2.3771, 4, 'JN18EX59GT', []],
    [49.0007, 2.3771, 4, 'JN19EA50GE', ['Now in JN19']],
    [49.0431, 2.3771, 4, 'JN19EB50GI', ['Now in JN19', 'Now in JN19EB'], km('JN19 4.8 km S; JN19EB 160 m S')],
    // 8 m is within half the 10-character cell's 19 m side; 50 m is not.
    [49.0431, 2.3902, 8, 'JN19EB60TI', ['Now in JN19', 'Now in JN19EB']],
    [49.0431, 2.3902, 50, 'JN19EB60', ['Now in JN19', 'Now in JN19EB']]];
  for (const [latitude, longitude, accuracy, locator, alerts, edge] of track) {
    await drive(latitude, longitude, accuracy);
    await page.waitForFunction((l) => document.getElementById('live').textContent === l, { timeout: 5000 }, locator).catch(() => {});
    check(`${language} live ${latitude} ${longitude}`, [locator, alerts.map((a) => said(page, 'Now in {cell}', { cell: a.slice(7) }))], [await live.evaluate((e) => e.textContent), await page.evaluate(() => window.alerts)]);
    if (edge) check(`${language} to the square's edge ${latitude}`, edge, await (await byName(page, "To the square's edge")).evaluate((e) => e.value));
  }
  check(`${language} too coarse for 10, said; a vibration per alert`, [true, 2],
    [(await page.$eval('#live-note', (e) => e.textContent)).includes(said(page, 'Shown to {length} characters: too coarse for {wanted}.', { length: 8, wanted: 10 })),
      await page.evaluate(() => window.vibrations)]);
  // The page shown again while the lock is held: no second lock.
  await page.evaluate(() => document.dispatchEvent(new Event('visibilitychange')));
  await page.select('#live-length', '6');
  check(`${language} a shorter length at once`, 'JN19EB', await live.evaluate((e) => e.textContent));
  await (await byName(page, 'Follow my position')).click();
  check(`${language} stopped, the last fix kept and said to be old, the screen let go`, ['false', 'JN19EB',
    said(page, 'Not following: the last position is shown.'), { held: 1, released: 1 }],
  await page.evaluate(() => [document.getElementById('follow').getAttribute('aria-pressed'), document.getElementById('live').textContent,
    document.getElementById('live-note').textContent, window.locks]));
  // The permission withdrawn while following: it stops, says why, and
  // shows nothing that could pass for a live position.
  await (await byName(page, 'Follow my position')).click();
  await page.browserContext().overridePermissions(site, []);
  await page.setGeolocation({ latitude: 49.1, longitude: 2.3771, accuracy: 4 });
  await page.waitForFunction(() => document.getElementById('follow').getAttribute('aria-pressed') === 'false');
  check(`${language} withdrawn`, [said(page, 'The browser was not allowed to tell its position.'), '', ''],
    [await lastMessage(page), await live.evaluate((e) => e.textContent), await page.$eval('#edge', (e) => e.value)]);
  check(`${language} field mode: no error`, [], errors);
  await page.close();
}

// The map on a phone: labels 12 px at least, none covering another; the
// antipode's path leaves along the azimuth shown (0°, north).
for (const width of [320, 390]) {
  const { page, errors } = await open('en-US', { hash: '#path=JN18EU,AE11ED' });
  await page.setViewport({ width, height: 800 });
  await (await byName(page, 'Show the 18 x 18 fields')).click();
  await page.evaluate(() => window.dispatchEvent(new Event('resize')));
  const labels = await page.$$eval('#map text', (all) => all.filter((t) => getComputedStyle(t).display !== 'none').map((t) => {
    const r = t.getBoundingClientRect();
    const svg = t.ownerSVGElement;
    const k = t.closest('.layer')?.transform.baseVal.consolidate()?.matrix.a || 1;
    return { px: (parseFloat(getComputedStyle(t).fontSize) * svg.clientWidth * k) / 600, r: [r.left, r.top, r.right, r.bottom], text: t.textContent,
      cls: t.getAttribute('class') };
  }));
  check(`${width} px: labels 12 px or more`, [], labels.filter((l) => l.px < 11.99).map((l) => l.text));
  const covered = labels.filter((a, i) => labels.some((b, j) => j < i && a.r[0] < b.r[2] - 1 && b.r[0] < a.r[2] - 1 && a.r[1] < b.r[3] - 1 && b.r[1] < a.r[3] - 1));
  check(`${width} px: no label covers another`, [], covered.map((l) => l.text));
  check(`${width} px: every ring labelled, field letters giving way`, 7, labels.filter((l) => l.cls === 'ring-label').length);
  const frame = await page.$eval('#map', (m) => { const r = m.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; });
  check(`${width} px: the ends' labels inside the map`, [], labels.filter((l) => l.cls === 'end-label' &&
    (l.r[0] < frame[0] || l.r[1] < frame[1] || l.r[2] > frame[2] || l.r[3] > frame[3])).map((l) => l.text));
  const start = await page.$eval('#short-path', (p) => [p.getPointAtLength(0), p.getPointAtLength(20)].map((q) => [q.x, q.y]));
  check(`${width} px: antipode path heads north as its 0° says`, [true, true], [Math.abs(start[1][0] - start[0][0]) < 0.5, start[1][1] < start[0][1] - 19]);
  check(`${width} px: map: no error`, [], errors);
  await page.close();
}

// axe-core on every page, light and dark.
const axeSource = readFileSync(new URL('../node_modules/axe-core/axe.min.js', import.meta.url), 'utf8');
for (const scheme of ['light', 'dark']) {
  const { page } = await open('en-US', { scheme, hash: '#path=JN18EU,FN20XR' });  // the map shown
  await (await byName(page, 'Show the 18 x 18 fields')).click();
  await press(page, 'zoom-in');
  // Field mode on, an alert shown, a refusal shown with its box selected.
  await page.browserContext().overridePermissions(site, ['geolocation']);
  await page.setGeolocation({ latitude: 48.9993, longitude: 2.3771, accuracy: 4 });
  await tab(page, 'Geo coord. to Locator');
  await press(page, 'follow');
  await page.waitForFunction(() => document.getElementById('live').textContent !== '');
  await page.setGeolocation({ latitude: 49.0007, longitude: 2.3771, accuracy: 4 });
  await page.waitForFunction(() => document.getElementById('grid-alert').textContent !== '');
  await page.evaluate(axeSource);
  for (const name of ['Geo coord. to Locator', 'Locator to geo coord.', 'Azimuth and Distance']) {
    await tab(page, name);
    const violations = await page.evaluate(async () =>
      (await window.axe.run(document)).violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`));
    check(`axe ${scheme} ${name}`, [], violations);
  }
  await page.close();
}

// A new version deployed: the returning visitor's page offers it, and takes
// it on Reload (a copy of the site, whose worker is then changed).
{
  const copy = mkdtempSync(path.join(os.tmpdir(), 'morvane-site-'));
  cpSync(root, copy, { recursive: true });
  const second = await serve(copy);
  const context = await browser.createBrowserContext();
  await context.overridePermissions(second.site, ['geolocation']);
  const page = await context.newPage();
  await page.setGeolocation({ latitude: 48.99, longitude: 2.3771, accuracy: 4 });
  await page.goto(second.site);
  await page.waitForSelector('body[data-ready=true]');
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, { timeout: 10000 });
  check('first visit: nothing offered', true, await page.$eval('#update', (e) => e.hidden));
  // Offered to a rover following in full screen, where it is seen; taking it resumes the following.
  await page.click('#follow');
  await page.click('#full-screen');
  const worker = readFileSync(path.join(copy, 'sw.js'), 'utf8');
  writeFileSync(path.join(copy, 'sw.js'), worker.replace(/morvane-[0-9a-f]+/, 'morvane-nextversion'));
  await page.evaluate(async () => (await navigator.serviceWorker.getRegistration()).update());
  await page.waitForFunction(() => !document.getElementById('update').hidden, { timeout: 10000 });
  check('the offer seen in full screen', true, await page.evaluate(() => {
    const r = document.getElementById('update-reload').getBoundingClientRect();
    return document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2)?.id === 'update-reload';
  }));
  const reloaded = page.waitForNavigation();
  await page.click('#update-reload');
  await reloaded;
  await page.waitForSelector('body[data-ready=true]');
  check('new version taken on Reload, following again', [['morvane-nextversion'], 'true'],
    [await page.evaluate(() => caches.keys()), await page.$eval('#follow', (b) => b.getAttribute('aria-pressed'))]);
  await context.close();
  second.server.close();
  rmSync(copy, { recursive: true, force: true });
}

await roverTests({ browser, site, open, check, byName, type, value, press, messages, lastMessage, tab, said, boxes });

// Offline: loaded once, the network cut, reloaded: the pages still compute.
{
  const { page, errors } = await open('en-US', { ownContext: false });
  await page.waitForFunction(() => navigator.serviceWorker.controller !== null, { timeout: 10000 });
  const cdp = await page.createCDPSession();
  check('the browser can install it', [], (await cdp.send('Page.getInstallabilityErrors')).installabilityErrors);
  // Only the service worker's own copies may serve from here on: the
  // browser's cache emptied, the server stopped (the worker has a network
  // of its own, which the page's offline mode does not cut).
  await cdp.send('Network.clearBrowserCache');
  server.close();
  server.closeAllConnections();
  await page.setOfflineMode(true);
  await page.reload();
  await page.waitForSelector('body[data-ready=true]');
  await tab(page, 'Azimuth and Distance');
  await type(page, 'QRA Locator Base', 'IO91WM');
  await type(page, 'QRA Locator Target', 'QF56OD');
  await press(page, 'cmdcalcazidist');
  check('offline: computes', ['61', '17011'], [await value(page, 'txtazimuth'), await value(page, 'txtdistance')]);
  await page.waitForSelector('#map .land');  // the coastlines come after the answer
  check('offline: the map has its coastlines', 1, (await page.$$('#map .land')).length);
  check('offline: no error', [], errors);
  await page.close();
}

check('no request leaves the site', [], foreign);
await browser.close();
console.log(`web pages: ${checks} checks, ${failures} failure(s)`);
process.exit(failures ? 1 : 0);
