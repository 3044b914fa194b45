// The rover's web edition in Chromium: field mode on emulated walks (the
// browser's position overridden fix by fix), speech, vibration, the track
// and its files, the gridded map on a touch screen, and the interface in
// French. Called by pages.mjs with its helpers.
import { readFileSync } from 'node:fs';

import { kFrench } from '../src/french.js';
import { course, crossing, kNoCrossing, lineAhead, neighbours, toGpx, usableFix } from '../src/field.js';
import { gridLength, labelLength, unpiled } from '../src/map.js';
import { decodeFixes, encodeFixes, keptFix, loadTrack, mergeStored } from '../src/track.js';

// Installed before the page's own scripts: long timers (the alert's fade,
// "GPS lost") held until the test fires them; speech, vibration and
// downloads recorded; fixes counted as the page receives them.
function stubs() {
  const [realSet, realClear] = [window.setTimeout, window.clearTimeout];
  window.held = new Map();
  let next = 1e6;
  window.setTimeout = (fn, ms, ...a) => (ms >= 30000 ? (window.held.set(next, { fn, ms }), next++) : realSet(fn, ms, ...a));
  window.clearTimeout = (id) => (window.held.delete(id), realClear(id));
  window.fire = (ms) => {
    for (const [id, t] of [...window.held]) if (t.ms === ms) (window.held.delete(id), t.fn());
  };
  window.spoken = [];
  Object.defineProperty(window, 'speechSynthesis', { value: { speak: (u) => window.spoken.push(`${u.lang} ${u.text}`) } });
  window.vibrations = 0;
  navigator.vibrate = () => ((window.vibrations += 1), true);
  window.downloads = [];
  HTMLAnchorElement.prototype.click = function save() {
    const [name, href] = [this.download, this.href];
    window.downloads.push(fetch(href).then((r) => r.text()).then((text) => ({ name, text })));
  };
  window.locks = 0;
  Object.defineProperty(navigator, 'wakeLock', { value: { request: async () => {
    window.locks += 1;
    const sentinel = new EventTarget();
    sentinel.release = async () => { window.locks -= 1; };
    return sentinel;
  } } });
  window.fixes = 0;
  window.asked = [];
  // The fixes' own times, set by the test: a drive's pace, not this machine's.
  window.clock = Date.now();
  const geo = navigator.geolocation;
  const [watch, once] = [geo.watchPosition.bind(geo), geo.getCurrentPosition.bind(geo)];
  geo.watchPosition = (ok, err, o) => {
    // A fix no emulation can give (NaN), fed straight to the page.
    window.feed = (coords) => (ok({ coords, timestamp: window.clock }), (window.fixes += 1));
    return watch((p) => { ok({ coords: p.coords, timestamp: window.clock }); window.fixes += 1; }, err, o);
  };
  geo.getCurrentPosition = (ok, err, o) => (window.asked.push(o), once(ok, err, o));
}

export async function roverTests({ browser, site, open, check, byName, type, value, press, lastMessage, tab, said }) {
  const text = (page, id) => page.$eval(`#${id}`, (e) => e.value ?? e.textContent);
  const live = (page) => page.$eval('#live', (e) => [e.textContent, e.classList.contains('stale')]);
  // A fix as the browser gives it (heading, speed, altitude too), waited
  // for until the page has taken it.
  const fix = async (page, latitude, longitude, accuracy, extra = {}, seconds = 1) => {
    const before = await page.evaluate((s) => ((window.clock += s * 1000), window.fixes), seconds);
    const cdp = await page.createCDPSession();
    await cdp.send('Emulation.setGeolocationOverride', { latitude, longitude, accuracy, ...extra });
    await page.waitForFunction((n) => window.fixes > n, { timeout: 5000 }, before);
  };
  const alerts = (page) => page.evaluate(() => window.alertsSeen);
  const watchAlerts = (page) => page.evaluate(() => {
    window.alertsSeen = [];
    const a = document.getElementById('alert-text');
    new MutationObserver(() => a.textContent && window.alertsSeen.push(a.textContent)).observe(a, { childList: true });
  });
  const follow = async (page, latitude, longitude, accuracy) => {
    await page.browserContext().overridePermissions(site, ['geolocation']);
    await page.setGeolocation({ latitude, longitude, accuracy });
    await press(page, 'follow');
    await page.waitForFunction(() => window.fixes > 0 && document.getElementById('live').textContent !== '');
  };

  // Following (again) from a place, once its first fix has come.
  const startAt = async (page, latitude, longitude, accuracy) => {
    await page.browserContext().overridePermissions(site, ['geolocation']);
    await page.setGeolocation({ latitude, longitude, accuracy });
    const before = await page.evaluate(() => window.fixes);
    await press(page, 'follow');
    await page.waitForFunction((n) => window.fixes > n, { timeout: 5000 }, before);
  };

  for (const language of ['en-US', 'fr-FR']) {
    const { page, errors } = await open(language, { init: stubs });
    await watchAlerts(page);
    const now = (cell) => said(page, 'Now in {cell}', { cell });
    // The track's squares; "No square entered yet" only while none is.
    const squares = () => page.$$eval('#track-list li', (l) => l.map((e) => e.textContent.slice(0, 4))
      .concat(document.getElementById('track-empty').hidden ? [] : ['none']));
    // Parked on the JN18/JN19 line, fixes 2 m either side, 30 m accurate:
    // no square known, no alert, no buzz. One fix 80 km off and 2.5 km
    // rough, then a good one: no alert either.
    await follow(page, 48.99998, 2.3771, 30);
    const held = [];
    for (const lat of [49.00002, 48.99998, 49.00002, 48.99998, 49.7, 48.99998, 49.00002]) {
      await fix(page, lat, 2.3771, lat === 49.7 ? 2500 : 30);
      held.push((await live(page))[0]);
    }
    check(`${language} jitter and one bad fix: no square, no alert, no buzz, not moving, the locator held`,
      [['none'], [], 0, said(page, 'Not moving'), ['JN18EX59', 'JN18EX59', 'JN18EX59', 'JN18EX59', 'JN19', 'JN18EX59', 'JN18EX59']],
      [await squares(), await alerts(page), await page.evaluate(() => window.vibrations), await text(page, 'ahead'), held]);
    // Heard on request, spelt; the live locator itself is no live region.
    await press(page, 'say-locator');
    await page.waitForFunction(() => document.getElementById('said-locator').textContent !== '');
    const cdp = await page.createCDPSession();
    const { nodes } = await cdp.send('Accessibility.getFullAXTree');
    const node = (name) => nodes.find((n) => n.name?.value === said(page, name));
    const liveness = (n) => n?.properties?.find((p) => p.name === 'live')?.value.value ?? 'none';
    check(`${language} the locator said on request; only alerts and what was asked are live`,
      ['J N 1 8 E X 5 9', 'none', 'assertive'],
      [await text(page, 'said-locator'), liveness(node('Live locator')), liveness(nodes.find((n) => n.role?.value === 'alert'))]);
    // 111 m south: the square is known, and nothing is announced.
    await fix(page, 48.999, 2.3771, 30);
    // Parked there, one fix 56 m across the line claiming 10 m, then back.
    await fix(page, 49.0005, 2.3771, 10);
    await fix(page, 48.999, 2.3771, 30);
    check(`${language} the square known once sure, one believable bad fix across the line ignored`, [['JN18'], [], 0],
      [await squares(), await alerts(page), await page.evaluate(() => window.vibrations)]);
    // Walking on into JN19, clear of the line by more than the accuracy.
    await fix(page, 49.0002, 2.3771, 30, {}, 60);
    await page.click('#speak');
    await fix(page, 49.0008, 2.3771, 30, {}, 60);
    check(`${language} inside by less than the accuracy, then by more once: no alert yet`, [], await alerts(page));
    await fix(page, 49.001, 2.3771, 30, {}, 20);
    check(`${language} crossing announced once confirmed, with its UTC time, spoken letter by letter`,
      [[now('JN19')], true, [`${language === 'fr-FR' ? 'fr-FR' : 'en-GB'} ${now('J N 1 9')}`]],
      [await alerts(page), /^\S+ \d\d:\d\d:\d\d UTC$/.test(await text(page, 'alert-time')), await page.evaluate(() => window.spoken)]);
    // A minute later the alert has gone.
    await page.evaluate(() => window.fire(60000));
    check(`${language} the alert fades`, ['', ''], [await text(page, 'alert-text'), await text(page, 'alert-time')]);
    // Driving at 10 m/s: each sub-square entered is announced at once, once
    // asked for (none before, not even a buzz), in letters or the radio alphabet.
    await fix(page, 49.0431, 2.3771, 4, { heading: 0, speed: 10 }, 600);
    const quiet = [(await alerts(page)).length, await page.evaluate(() => window.vibrations)];
    await page.select('#alert-cells', '6');
    await fix(page, 49.0431, 2.4602, 4, { heading: 90, speed: 10 }, 600);
    await page.select('#speak-as', 'phonetics');
    await fix(page, 49.0431, 2.5435, 4, { heading: 90, speed: 10 }, 600);
    check(`${language} sub-squares by choice, spelt or in the radio alphabet`, [[1, 1], now('JN19FB'), now('JN19GB'),
      [now('J N 1 9 F B'), now('Juliett November 1 9 Golf Bravo')], 3],
    [quiet, ...(await alerts(page)).slice(1), (await page.evaluate(() => window.spoken)).slice(1).map((w) => w.slice(6)),
      await page.evaluate(() => window.vibrations)]);
    // The fix's accuracy cuts the locator: 12 m at 49 N cannot tell 10
    // characters (half the cell's 19 m side); 500 km tells the field and no
    // edge; 900 km not even that.
    const unknown = said(page, 'Not known at this accuracy');
    for (const [accuracy, shown, note, edge] of [[12, 'JN19FB50', said(page, 'Shown to {length} characters: too coarse for {wanted}.', { length: 8, wanted: 10 }), 'JN19 4.8'],
      [500000, 'JN', '', unknown], [900000, said(page, 'Position too rough'), said(page, 'Too coarse for a field.'), unknown]]) {
      await fix(page, 49.0432 + accuracy * 1e-9, 2.4602, accuracy);
      check(`${language} ${accuracy} m: shown as far as it can tell`, [shown, true, true],
        [(await live(page))[0], (await text(page, 'live-note')).includes(note), (await text(page, 'edge')).replace(',', '.').startsWith(edge)]);
    }
    // A fix the grid cannot place: said, and the old locator greyed.
    await fix(page, 90, 0, 5);
    check(`${language} the pole: not usable, the old locator greyed`, [true, said(page, 'The last fix was not usable: the locator shown is from an earlier one.')],
      [(await live(page))[1], await text(page, 'live-note')]);
    await fix(page, 49.0431, 2.4602, 4);
    await page.evaluate(() => window.feed({ latitude: NaN, longitude: 2, accuracy: 5 }));
    check(`${language} NaN: not usable either`, true, (await live(page))[1]);
    // No fix for 30 s: "GPS lost", said and spoken; then back.
    await page.evaluate(() => window.fire(30000));
    // Greyed while lost: what came from the last fix; said in words in full screen.
    const greyed = () => page.evaluate(() => [...['edge', 'ahead', 'around', 'altitude'].map((id) => document.getElementById(id).classList.contains('stale')),
      !document.getElementById('full-lost').hidden]);
    check(`${language} GPS lost`, [said(page, 'GPS lost: no position for 30 s'), true, [true, true, true, true, true]],
      [await text(page, 'alert-text'), (await page.evaluate(() => window.spoken.at(-1))).endsWith(said(page, 'GPS lost')), await greyed()]);
    await fix(page, 49.0431, 2.4602, 4, { altitude: 123.4 });
    check(`${language} GPS back, altitude and the UTC clock shown`, [said(page, 'GPS back'), false, said(page, 'Altitude {metres} m', { metres: 123 }), true,
      [false, false, false, false, false]],
    [await text(page, 'alert-text'), (await live(page))[1], await text(page, 'altitude'), / UTC$/.test(await text(page, 'utc-clock')), await greyed()]);
    // Ahead: heading east at 10 m/s from JN19FB: the JN29 line 80.5 km
    // east, 2 h 14 away; the eight squares around.
    await fix(page, 49.5, 2.9, 4, { heading: 90, speed: 10 }, 3600);
    // 1.1 degrees of longitude at 49.5 N on the core's Earth: 79.53 km, 7,953 s.
    check(`${language} ahead, from the browser's heading and speed`, said(page, '{cell} in {distance} {direction}, {time} at {speed} km/h',
      { cell: 'JN29', distance: language === 'fr-FR' ? '79,5 km' : '79.5 km', direction: 'E', time: '2 h 13', speed: 36 }), await text(page, 'ahead'));
    // West and south-west: 0.9 degrees of longitude (65.07 km); half a
    // degree of latitude straight on from a 225 degree heading (78.3 km,
    // where holding the heading would take 55.66 km / cos 45, 78.7 km).
    for (const [heading, expected] of [[270, ['JN09', '65.1 km', 'W']], [225, ['JN18', '78.3 km', 'S']]]) {
      await fix(page, 49.5, 2.9 + heading * 1e-7, 4, { heading, speed: 10 });
      const [cell, distance, direction] = expected;
      check(`${language} ahead on ${heading} degrees`, true, (await text(page, 'ahead')).startsWith(said(page, '{cell} in {distance} {direction}, {time} at {speed} km/h',
        { cell, distance: language === 'fr-FR' ? distance.replace('.', ',') : distance, direction: said(page, direction), time: '', speed: '' }).split(/, | ; /)[0]));
    }
    await fix(page, 49.5, 2.9, 4, { heading: 90, speed: 10 });
    // French lists distances with " ; ", their decimal commas apart.
    const around = (await text(page, 'around')).split(language === 'fr-FR' ? ' ; ' : ', ').map((n) => n.replace(',', '.'));
    check(`${language} the squares around: north half a degree away, west at the square's edge`, [8, 'N JO10 55.7 km', `${language === 'fr-FR' ? 'O' : 'W'} JN09 65.1 km`],
      [around.length, around[0], around[6]]);
    // 50 m from the corner of JN08, JN09, JN18 and JN19: all four within reach, the nearest first.
    await fix(page, 48.99955, 1.99932, 4, { heading: 90, speed: 10 });
    check(`${language} squares within reach of a corner`, language === 'fr-FR' ? 'JN08 ici ; JN18 50 m E ; JN09 50 m N ; JN19 71 m NE'
      : 'JN08 here, JN18 50 m E, JN09 50 m N, JN19 71 m NE', await text(page, 'reach'));
    check(`${language} the squares around, each named by its own direction`,
      ['N JO10', 'NE JO20', 'E JN29', 'SE JN28', 'S JN18', 'SW JN08', 'W JN09', 'NW JO00'].map((a) => `${said(page, a.split(' ')[0])} ${a.split(' ')[1]}`),
      around.map((a) => a.split(' ').slice(0, 2).join(' ')));
    // Fixes arriving keep "GPS lost" away: one timer, set again by each fix.
    check(`${language} one "GPS lost" timer, whatever the fixes`, 1, await page.evaluate(() => [...window.held.values()].filter((h) => h.ms === 30000).length));
    // Stop, move into another square, follow again: the first fix is no crossing.
    const before = (await alerts(page)).length;
    await press(page, 'follow');
    await page.setGeolocation({ latitude: 48.5, longitude: 2.5, accuracy: 4 });
    await press(page, 'follow');
    await page.waitForFunction(() => document.getElementById('live').textContent.startsWith('JN18'));
    await fix(page, 48.5001, 2.5, 4);
    check(`${language} following again: no alert for the first fix`, before, (await alerts(page)).length);
    // No heading or speed from the browser: taken from the last fixes (11 m north).
    const north = said(page, '{cell} in {distance} {direction}, {time} at {speed} km/h',
      { cell: 'JN19', distance: language === 'fr-FR' ? '55,7 km' : '55.7 km', direction: 'N', time: '', speed: '' }).split(/, | ; /)[0];
    // 11 m in the moments between two fixes: never standing still, whatever this machine's pace.
    const fromFixes = await text(page, 'ahead');
    check(`${language} ahead, from the last fixes`, [true, true], [fromFixes.startsWith(north), Number(/(\d+) km\/h$/.exec(fromFixes)?.[1]) >= 1]);
    // The track: the squares entered, kept across a reload, exported.
    check(`${language} squares entered`, ['JN18', 'JN19', 'JN18'], await squares());
    await press(page, 'follow');
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    check(`${language} track kept across a reload`, ['JN18', 'JN19', 'JN18'], await squares());
    await press(page, 'track-gpx');
    await press(page, 'track-squares');
    const [gpx, list] = await page.evaluate(() => Promise.all(window.downloads));
    const points = await page.evaluate((xml) => [...new DOMParser().parseFromString(xml, 'application/xml').querySelectorAll('trkpt')]
      .map((p) => [Number(p.getAttribute('lat')), Number(p.getAttribute('lon')), p.querySelector('time').textContent.length]), gpx.text);
    check(`${language} GPX parsed back: every fix that moved, with its time`, [gpx.name, true, [49.0431, 2.4602, 24], [48.5001, 2.5, 24]],
      [gpx.name, points.length >= 8, points.find((p) => p[0] === 49.0431 && p[1] === 2.4602), points.at(-1)]);
    // Segments: the first following, four fixes each after ten minutes or more without one, following again.
    check(`${language} GPX: the track's name in the page's language, a segment per following and per gap, a waypoint per square`,
      [said(page, 'Morvane track'), 6, ['JN18', 'JN19', 'JN18']], await page.evaluate((xml) => {
        const doc = new DOMParser().parseFromString(xml, 'application/xml');
        return [doc.querySelector('trk > name').textContent, doc.querySelectorAll('trkseg').length,
          [...doc.querySelectorAll('wpt > name')].map((n) => n.textContent.slice(0, 4))];
      }, gpx.text));
    // The activation log: each square once, its first and last time; JN19 visited within JN18's stay.
    const log = list.text.trim().split('\n').map((l) => l.split('\t'));
    check(`${language} squares exported as an activation log`, [['JN18', 'JN19'], [true, true, true]], [log.map((l) => l[0]),
      [log[0][1] < log[1][1], log[1][1] < log[1][2], log[1][2] <= log[0][2]]]);
    await press(page, 'track-clear');
    const cleared = await squares();
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    check(`${language} track cleared at once and for good`, [['none'], ['none']], [cleared, await squares()]);
    // Full screen keeps the screen awake; closing lets it go.
    await press(page, 'full-screen');
    await page.waitForFunction(() => window.locks === 1).catch(() => {});
    const full = await page.$eval('#live-view', (e) => e.classList.contains('full'));
    const focused = [];
    for (const shift of [false, false, false, true]) {
      if (shift) await page.keyboard.down('Shift');
      await page.keyboard.press('Tab');
      if (shift) await page.keyboard.up('Shift');
      focused.push(await page.evaluate(() => document.activeElement.id));
    }
    check(`${language} full screen held awake, open while other keys are pressed`, [true, true], [full, await page.$eval('#live-view', (e) => e.classList.contains('full'))]);
    check(`${language} full screen: Tab goes round its own controls`, ['full-scheme', 'close-full', 'full-scheme', 'close-full'], focused);
    await page.keyboard.press('Escape');
    // The browser leaves full screen first, and says so when it has.
    await page.waitForFunction(() => !document.getElementById('live-view').classList.contains('full'), { timeout: 3000 }).catch(() => {});
    check(`${language} Escape closes it, the screen let go`, [false, 0],
      [await page.$eval('#live-view', (e) => e.classList.contains('full')), await page.evaluate(() => window.locks)]);
    await press(page, 'full-screen');
    await press(page, 'close-full');
    check(`${language} Close full screen`, false, await page.$eval('#live-view', (e) => e.classList.contains('full')));
    check(`${language} rover: no error`, [], errors);
    await page.close();
  }

  // A cold start: the first fix 2 km into JN19, however rough, puts
  // neither that square on the track nor a point in the GPX, and the first
  // good fix is no crossing. Clearing is undone by a tap.
  {
    const { page, errors } = await open('en-US', { init: stubs });
    await watchAlerts(page);
    const squares = () => page.$$eval('#track-list li', (l) => l.map((e) => e.textContent.slice(0, 4)));
    for (const accuracy of [3000, 80000, 500000]) {
      await press(page, 'track-clear');
      await startAt(page, 49.018, 2.3771, accuracy);
      await fix(page, 48.99, 2.3771, 4, {}, 5);
      await fix(page, 48.9901, 2.3771, 4);
      await press(page, 'follow');
      check(`cold start within ${accuracy} m: the square the rover is in, no alert`, [['JN18'], [], 0],
        [await squares(), await alerts(page), await page.evaluate(() => window.vibrations)]);
    }
    await press(page, 'track-gpx');
    const [gpx] = await page.evaluate(() => Promise.all(window.downloads));
    check('cold start: no GPX point from the rough fix', [true, false], [gpx.text.includes('lat="48.99"'), gpx.text.includes('lat="49.018"')]);
    await press(page, 'track-clear');
    const cleared = await squares();
    await press(page, 'track-undo');
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    check('clear undone, and kept so', [[], ['JN18']], [cleared, await squares()]);
    check('cold start: no error', [], errors);
    await page.close();
  }

  // Two tabs: one opened earlier from a link and left idle never writes
  // over the drive another tab records, even as it closes; each sees the
  // other's changes; a clearing in one is not undone by the other's copy.
  {
    const { page, errors } = await open('en-US', { init: stubs });
    const idle = await page.browserContext().newPage();
    await idle.goto(`${site}#path=JN18EU,FN20XR`);
    await idle.waitForSelector('body[data-ready=true]');
    // A tab behind another runs no animation frames, which the waits use.
    await page.bringToFront();
    const squares = (p) => p.$$eval('#track-list li', (l) => l.map((e) => e.textContent.slice(0, 4)));
    const stored = async () => {
      const fresh = await page.browserContext().newPage();
      await fresh.goto(site);
      await fresh.waitForSelector('body[data-ready=true]');
      const [list, fixes] = [await squares(fresh), await fresh.evaluate(() => JSON.parse(localStorage.getItem('morvane.track')).fixes.split(';').length)];
      await fresh.close();
      await page.bringToFront();
      return [list, fixes];
    };
    await startAt(page, 48.99, 2.3771, 4);
    await fix(page, 48.991, 2.3771, 4, { heading: 0, speed: 20 }, 10);
    await fix(page, 49.0005, 2.3771, 4, { heading: 0, speed: 20 }, 60);
    await press(page, 'follow');
    await idle.waitForFunction(() => document.querySelectorAll('#track-list li').length === 2, { timeout: 5000, polling: 50 }).catch(() => {});
    check('two tabs: the idle tab sees the drive', ['JN18', 'JN19'], await squares(idle));
    await idle.evaluate(() => window.dispatchEvent(new PageTransitionEvent('pagehide')));
    await idle.close({ runBeforeUnload: true });
    check('two tabs: closing the idle tab loses nothing', [['JN18', 'JN19'], 3], await stored());
    const other = await page.browserContext().newPage();
    await other.goto(site);
    await other.waitForSelector('body[data-ready=true]');
    await press(other, 'track-clear');
    await page.bringToFront();
    await page.waitForFunction(() => !document.querySelectorAll('#track-list li').length, { timeout: 5000 }).catch(() => {});
    check('two tabs: a clearing seen in the other tab', [], await squares(page));
    await page.evaluate(() => window.dispatchEvent(new PageTransitionEvent('pagehide')));
    await page.evaluate(() => (window.clock += 600000));
    await startAt(page, 48.9, 2.3771, 4);
    await fix(page, 48.9001, 2.3771, 4);
    await press(page, 'follow');
    check('two tabs: after the clearing, only what came after', [['JN18'], 2], await stored());
    check('two tabs: no error', [], errors);
    await other.close();
    await page.close();
  }

  // Field mode through a reload: following again, the choices kept; a
  // second tab keeps the choices but does not follow by itself.
  {
    const { page, errors } = await open('en-US', { init: stubs });
    await startAt(page, 48.99, 2.3771, 4);
    await page.click('#speak');
    await page.select('#live-length', '8');
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    await page.waitForFunction(() => window.fixes > 0 && document.getElementById('live').textContent !== '');
    const state = (p) => p.evaluate(() => [document.getElementById('follow').getAttribute('aria-pressed'),
      document.getElementById('speak').checked, document.getElementById('live-length').value]);
    check('reloaded: following again, speech and 8 characters kept', [['true', true, '8'], 'JN18EX57'], [await state(page), (await live(page))[0]]);
    const second = await page.browserContext().newPage();
    await second.goto(site);
    await second.waitForSelector('body[data-ready=true]');
    check('a second tab: the choices, not the following', ['false', true, '8'], await state(second));
    await second.close();
    await page.bringToFront();
    // Storage full: said in words, what was stored kept.
    const before = await page.evaluate(() => localStorage.getItem('morvane.track'));
    await page.evaluate(() => {
      Storage.prototype.setItem = () => { throw new DOMException('full', 'QuotaExceededError'); };
    });
    await fix(page, 49.05, 2.3771, 4, { heading: 0, speed: 30 }, 600);
    await fix(page, 49.0501, 2.3771, 4, { heading: 0, speed: 30 });
    check('storage full: said in words, the stored track kept',
      ['The browser’s storage is full: the newest fixes are kept in this page only, until there is room.', before],
      [await text(page, 'track-note'), await page.evaluate(() => localStorage.getItem('morvane.track'))]);
    check('reloaded: no error', [], errors);
    await page.close();
  }

  // Full screen on phones and a tablet, portrait and landscape: the whole
  // locator shown, as large as fits.
  {
    const { page, errors } = await open('en-US', { init: stubs });
    // 8 characters at 12 m; then, in full screen, 10 at 4 m.
    await page.setViewport({ width: 320, height: 568 });
    await startAt(page, 49.0001, 2.3813, 12);
    await press(page, 'full-screen');
    await fix(page, 49.0001, 2.3813, 4);
    for (const [width, height] of [[320, 568], [390, 844], [768, 1024], [568, 320], [844, 390], [1024, 768]]) {
      await page.setViewport({ width, height });
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
      check(`full screen ${width}x${height}: the whole locator, filling the width or the height's share`, [10, true, true, true],
        await page.evaluate(() => {
          const live = document.getElementById('live');
          const range = document.createRange();
          range.selectNodeContents(live);
          const box = range.getBoundingClientRect();
          const cap = Math.min(0.16 * innerWidth, 0.3 * innerHeight);
          return [live.textContent.length, box.left >= 0, box.right <= innerWidth,
            box.width >= 0.8 * innerWidth || parseFloat(getComputedStyle(live).fontSize) >= cap - 1];
        }));
    }
    // What lies ahead and the alert, in full screen too; a night scheme, dim red on black.
    await fix(page, 49.0001, 2.3813, 4, { heading: 0, speed: 20 });
    await page.select('#full-scheme', 'night');
    check('full screen: ahead shown, the night scheme', [true, 'rgb(0, 0, 0)', true], await page.evaluate(() => [
      document.getElementById('full-ahead').textContent.startsWith('JO10') && document.getElementById('full-ahead').getBoundingClientRect().height > 0,
      getComputedStyle(document.getElementById('live-view')).backgroundColor,
      /^rgb\((1[0-9]{2}|2[0-9]{2}), \d{1,2}, \d{1,2}\)$/.test(getComputedStyle(document.getElementById('live')).color)]));
    check('full screen: no error', [], errors);
    await page.close();
  }

  // A day's roving in the browser's own storage: 100,000 fixes (a drive of
  // 24 hours, a fix a second at 20 m/s) are stored and read back whole
  // after a reload; one more thins the oldest half, and the page says so.
  {
    const { page, errors } = await open('en-US');
    // The page's own track module (bundled in the site), run on the page's storage.
    const source = readFileSync(new URL('../src/track.js', import.meta.url), 'utf8');
    await page.evaluate((text) => { window.trackModule = URL.createObjectURL(new Blob([text], { type: 'text/javascript' })); }, source);
    const stored = await page.evaluate(async () => {
      const m = await import(window.trackModule);
      const fixes = Array.from({ length: m.kMaxFixes }, (_, i) => m.keptFix(48 + i * 1.8e-4 * Math.cos(i / 5000),
        2 + i * 1.8e-4 * Math.sin(i / 5000), 1.8e12 + i * 863, 100 + (i % 700) / 10, i % 20000 === 0));
      const track = m.loadTrack(localStorage);
      const failure = m.replaceTrack(localStorage, track, [], fixes);
      const again = m.loadTrack(localStorage);
      return [failure, again.fixes.length, JSON.stringify(again.fixes) === JSON.stringify(fixes),
        localStorage.getItem('morvane.track').length < 2e6];
    });
    check('a day of fixes stored and read back whole', [null, 100000, true, true], stored);
    const thinned = await page.evaluate(async () => {
      const m = await import(window.trackModule);
      const track = m.loadTrack(localStorage);
      const last = track.fixes.at(-1);
      m.addFix(track, { latitude: last.lat + 0.001, longitude: last.lon, time: last.time + 1000, accuracy: 5 }, () => 111);
      m.saveTrack(localStorage, track);
      return [track.fixes.length, track.thinned, track.fixes.filter((f) => f.seg).length, track.fixes.at(-2).time === last.time];
    });
    check('past a day, the oldest half thinned, segment starts and the newest fixes kept', [75001, 25000, 5, true], thinned);
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    check('the page says the track was thinned', ['To keep a whole day, the track’s older part was thinned: 25,000 fixes were let go.', false],
      [await page.$eval('#track-thinned', (e) => e.textContent), await page.$eval('#track-thinned', (e) => e.hidden)]);
    check('a day of fixes: no error', [], errors);
    await page.close();
  }

  // A stored track that cannot be read is started afresh, not trusted; a
  // tab that did not follow leaves it as it is, even as it closes.
  {
    const unreadable = JSON.stringify({ squares: [{ cell: 'JN18', time: 1 }], fixes: [{ lat: 'x', lon: 2, time: 1 }] });
    const { page, errors } = await open('en-US', { init: (t) => localStorage.setItem('morvane.track', t), initArg: unreadable });
    await page.evaluate(() => window.dispatchEvent(new PageTransitionEvent('pagehide')));
    check('unreadable track ignored, and not written over', [0, false, unreadable, []], [await page.$$eval('#track-list li', (l) => l.length),
      await page.$eval('#track-empty', (e) => e.hidden), await page.evaluate(() => localStorage.getItem('morvane.track')), errors]);
    await page.close();
  }

  // "Use my position": a fresh fix, cut to its accuracy; near the pole,
  // the 180th meridian and just west of Greenwich, the boxes and the
  // result agree, no error shows, and Save stores what Compute gives.
  {
    const { page, errors } = await open('en-US', { init: stubs });
    await page.browserContext().overridePermissions(site, ['geolocation']);
    for (const [latitude, longitude, accuracy, expected] of [[89.9999999, 179.9999999, 3, 'RR99XX'],
      [51.4779, -0.0000001, 3, 'IO91XL'], [-45.5, -180, 3, 'AE04AM'], [48.8566, 2.3522, 5000, 'JN18']]) {
      await page.setGeolocation({ latitude, longitude, accuracy });
      await page.$eval('#txtresultloc', (e) => (e.value = ''));
      await press(page, 'use-position');
      await page.waitForFunction(() => document.getElementById('txtresultloc').value !== '');
      const shown = await value(page, 'txtresultloc');
      await press(page, 'Command1');
      const again = await value(page, 'txtresultloc');
      check(`use my position ${latitude} ${longitude}: boxes and result agree`, [expected, true, 0, 0],
        [shown, again.startsWith(shown), await page.evaluate(() => window.morvaneMessages.length), await page.evaluate(() => window.asked.at(-1).maximumAge)]);
    }
    check('use my position: no error', [], errors);
    await page.close();
  }

  // The second page: a NUL ends nothing; after a refusal the address no
  // longer names the last good answer.
  {
    const { page } = await open('en-US', { hash: '#locator=JN18EU' });
    await type(page, 'QRA Locator', 'JN18EU\u0000XX');
    await press(page, 'cmdcalclocgeo');
    check('NUL in a locator refused, the address cleared', ['Introduced QRA locator incorrect', '', ''],
      [await lastMessage(page), await value(page, 'latdecimal'), await page.evaluate(() => location.hash)]);
    await page.close();
  }

  // The rover on the map: its position within its accuracy's circle, kept
  // in the middle when zoomed; panned away, the map stays where it was
  // panned, and a button brings the rover back to the middle.
  {
    const { page, errors } = await open('en-US', { hash: '#path=JN18EU,JN19AA', init: stubs });
    await tab(page, 'Geo coord. to Locator');
    await startAt(page, 48.85, 2.35, 20);
    await tab(page, 'Azimuth and Distance');
    for (let i = 0; i < 6; i += 1) await press(page, 'zoom-in');
    await fix(page, 48.86, 2.36, 20);
    const offCentre = () => page.evaluate(() => {
      const [m, h] = [document.getElementById('map'), document.querySelector('#map .here')].map((e) => e.getBoundingClientRect());
      return Math.round(Math.hypot(h.x + h.width / 2 - m.x - m.width / 2, h.y + h.height / 2 - m.y - m.height / 2));
    });
    const followed = await offCentre();
    await page.$eval('#map', (e) => e.scrollIntoView({ block: 'center' }));
    const b = await (await page.$('#map')).boundingBox();
    await page.mouse.move(b.x + b.width / 2, b.y + b.height / 2);
    await page.mouse.down();
    await page.mouse.move(b.x + b.width / 2 + 100, b.y + b.height / 2 + 60, { steps: 5 });
    await page.mouse.up();
    await fix(page, 48.861, 2.361, 20);
    const panned = await offCentre();
    const offered = await page.$eval('#map-here', (e) => !e.hidden);
    if (offered) await press(page, 'map-here');  // not offered: failed below
    check('the rover on the map: followed, panned away, brought back', [true, true, true, true, 1],
      [followed <= 2, panned > 50, offered, (await offCentre()) <= 2, (await page.$$('#map .here-accuracy')).length]);
    check('the rover on the map: no error', [], errors);
    await page.close();
  }

  // Without a pointer: the map takes the focus; + zooms, an arrow moves it,
  // Enter gives the locator under the cross in the middle.
  {
    const { page, errors } = await open('en-US', { hash: '#path=JN18EU,JN19AA' });
    await page.focus('#map-pan');
    const transform = () => page.$eval('#map .layer', (g) => g.getAttribute('transform'));
    for (let i = 0; i < 6; i += 1) await page.keyboard.type('+');
    const zoomed = await transform();
    await page.keyboard.press('ArrowRight');
    const moved = await transform();
    await page.keyboard.press('Enter');
    check('the map by keyboard: zoomed, moved, a locator picked', [true, true, true],
      [zoomed.endsWith('scale(64)'), moved !== zoomed, /^Point tapped: JN\d\d$/.test(await page.$eval('#clicked', (e) => e.textContent))]);
    // Wherever the map is moved, no label is left under the zoom buttons.
    const under = new Set();
    for (const key of ['ArrowUp', 'ArrowUp', 'ArrowLeft', 'ArrowLeft', '-', 'ArrowDown', '-', 'ArrowRight', 'ArrowRight']) {
      await page.keyboard.press(key);
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 30))));
      for (const name of await page.evaluate(() => {
        const buttons = [...document.querySelectorAll('.zoom-buttons button')].map((b) => b.getBoundingClientRect());
        const hit = (r) => buttons.some((b) => r.left < b.right && b.left < r.right && r.top < b.bottom && b.top < r.bottom);
        return [...document.querySelectorAll('.grid-label, .town-label')].filter((t) => !t.closest('.piled') && !t.classList.contains('piled'))
          .filter((t) => hit(t.getBoundingClientRect())).map((t) => t.textContent);
      })) under.add(name);
    }
    check('the map moved about: no label under the zoom buttons', [], [...under]);
    check('the map by keyboard: no error', [], errors);
    await page.close();
  }

  // A first visit on a small phone: field mode is offered above the fold,
  // and the offer takes the rover to it, from any page.
  {
    const { page, errors } = await open('fr-FR', { hash: '#path=JN18EU,JN19AA' });
    await page.setViewport({ width: 320, height: 568, isMobile: true, hasTouch: true });
    await page.evaluate(() => window.scrollTo(0, 0));
    const offer = await page.$eval('#to-field', (b) => [b.textContent, b.getBoundingClientRect().bottom <= innerHeight]);
    await press(page, 'to-field');
    check('field mode offered above the fold, and taken to', ['Sur le terrain ? Suivre ma position', true, 'follow', true], [...offer,
      await page.evaluate(() => document.activeElement.id),
      await page.$eval('#follow', (b) => b.getBoundingClientRect().top >= 0 && b.getBoundingClientRect().bottom <= innerHeight)]);
    check('field mode offered: no error', [], errors);
    await page.close();
  }

  // The map on a phone: over the whole Earth one finger scrolls the page;
  // zoomed, it pans. A new base after zooming is seen whole.
  {
    const { page, errors } = await open('en-US', { hash: '#path=JN18EU,FN20XR' });
    await page.setViewport({ width: 390, height: 844, hasTouch: true, isMobile: true });
    await page.reload();
    await page.waitForSelector('body[data-ready=true]');
    const box = await (await page.$('#map')).boundingBox();
    const drag = async () => {
      await page.evaluate(() => window.scrollTo(0, document.getElementById('map').getBoundingClientRect().top + window.scrollY - 200));
      const y0 = await page.evaluate(() => window.scrollY);
      const b = await (await page.$('#map')).boundingBox();
      await page.touchscreen.touchStart(b.x + b.width / 2, b.y + 100);
      for (let i = 1; i <= 10; i += 1) await page.touchscreen.touchMove(b.x + b.width / 2, b.y + 100 + 15 * i);
      await page.touchscreen.touchEnd();
      await page.evaluate(() => new Promise((r) => setTimeout(r, 300)));
      return [Math.abs((await page.evaluate(() => window.scrollY)) - y0) > 50,
        await page.$eval('#map .layer', (g) => g.getAttribute('transform'))];
    };
    check('whole Earth: one finger scrolls the page, the map stays', [true, 'translate(0,0) scale(1)'], await drag());
    // 32x: squares labelled; every grid and town label shown is whole on the map.
    for (let i = 0; i < 5; i += 1) await press(page, 'zoom-in');
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 50))));
    const outside = await page.evaluate(() => {
      const f = document.getElementById('map').getBoundingClientRect();
      return [...document.querySelectorAll('.grid-label, .town-label')].filter((t) => !t.closest('.piled') && !t.classList.contains('piled'))
        .map((t) => [t.textContent, t.getBoundingClientRect()]).filter(([, r]) => r.left < f.left || r.top < f.top || r.right > f.right || r.bottom > f.bottom)
        .map(([name]) => name);
    });
    check('zoomed 32x: squares labelled, no label cut by the map\'s edge', [true, []],
      [(await page.$$('.grid-label:not(.piled)')).length > 10, outside]);
    // Only towns in view take a place: none beyond the map's edges.
    const far = await page.evaluate(() => {
      const m = document.querySelector('#map .layer').transform.baseVal.consolidate().matrix;
      const inView = (c) => [c.cx, c.cy].map((v, i) => (v.baseVal.value * m.a + [m.e, m.f][i]) / 600).every((v) => v >= 0 && v <= 1);
      return [...document.querySelectorAll('.town')].filter((t) => !inView(t.querySelector('circle'))).map((t) => t.textContent);
    });
    check('zoomed 32x: the towns placed are the ones in view', [true, []], [(await page.$$('.town:not(.piled)')).length > 5, far]);
    // At 256x a sub-square is 10 px tall on a 374-px map: a tap gives the square.
    for (let i = 0; i < 3; i += 1) await press(page, 'zoom-in');
    // A tap of its own: past the zoom's double-tap time since the last
    // touch, and where the map is now.
    const tapCentre = async () => {
      await page.evaluate(() => new Promise((r) => setTimeout(r, 600)));
      const m = await (await page.$('#map')).boundingBox();
      await page.touchscreen.tap(m.x + m.width / 2, m.y + m.height / 2);
    };
    await tapCentre();
    check('phone map zoomed 256x: a tap gives the square', 18, (await page.$eval('#clicked', (e) => e.textContent)).length);
    // At the greatest zoom, 2048x, sub-squares are drawn at 49 N, labelled, and a tap tells one.
    for (let i = 0; i < 3; i += 1) await press(page, 'zoom-in');
    await tapCentre();
    check('phone map zoomed 2048x: sub-squares drawn and labelled, a tap gives one', [true, true, 20], [
      (await page.$$('#map .grid-6')).length === 1,
      (await page.$$eval('.grid-label:not(.piled)', (l) => l.filter((e) => e.textContent.length === 6).length)) > 2,
      (await page.$eval('#clicked', (e) => e.textContent)).length]);
    for (let i = 0; i < 10; i += 1) await press(page, 'zoom-out');
    await press(page, 'zoom-in');
    const zoomed = await page.$eval('#map .layer', (g) => g.getAttribute('transform'));
    const [scrolled, after] = await drag();
    check('zoomed: one finger pans the map', [false, true], [scrolled, after !== zoomed]);
    await type(page, 'QRA Locator Base', 'QF56OD');
    await press(page, 'cmdcalcazidist');
    check('a new base after zooming: the whole map again', 'translate(0,0) scale(1)', await page.$eval('#map .layer', (g) => g.getAttribute('transform')));
    check('phone map: no error', [], errors.filter((e) => box && e));
    await page.close();
  }

  // Ahead goes straight: over the north pole into the square beyond it,
  // across the 180th meridian, and along the equator to the next line.
  {
    const k = 40076.59 / 360;
    const ahead = (lat, lon, heading) => {
      const l = lineAhead(lat, lon, heading, k);
      return [l.direction, l.km.toFixed(1), Math.round(l.lat), Math.round(l.lon)];
    };
    check('ahead over the pole, across the 180th meridian, along the equator',
      [['N', '5.6', 90, -170], ['S', '11.1', -90, -170], ['E', '27.4', 60, -180], ['E', '222.6', 0, 2], ['N', '55.7', 89, 10]],
      [ahead(89.95, 10, 0), ahead(-89.9, 10, 180), ahead(60.5, 179.5, 90), ahead(0, 0, 90), ahead(88.5, 10, 0)]);
  }

  // Fixes stored as text: read back as written (west of Greenwich, heights,
  // segment starts), tracks stored as lists before read too, broken text
  // refused; two tabs' fixes merged once each in time order.
  {
    const fixes = [{ lat: 48.1234567, lon: -0.0000001, time: 1.8e12, seg: true }, { lat: 48.1, lon: 2.2, time: 1.8e12 + 5, alt: -3.5 },
      { lat: -33.9, lon: 151.2, time: 1.8e12 + 7, seg: true, alt: 12 }];
    const store = (t) => ({ getItem: () => JSON.stringify(t) });
    check('fixes as text and back', fixes, decodeFixes(encodeFixes(fixes)));
    check('a track stored as a list read', fixes, loadTrack(store({ epoch: 'e', squares: [], fixes })).fixes);
    check('broken fixes refused', [null, null, null, null, null, 0], [decodeFixes('1,2'), decodeFixes('1,2,3,4,x'), decodeFixes('1,2,3,!'),
      decodeFixes('1,2,3;zzzzzzzzz,0,0'), decodeFixes(encodeFixes([{ lat: 0, lon: 180.5, time: 1 }])),
      loadTrack(store({ squares: [], fixes: '1,2' })).fixes.length]);
    check('a fix kept as the GPX writes it, to 1 cm and 0.1 m', { lat: 48.1234568, lon: -0, time: 5, alt: 123.5 },
      keptFix(48.12345678, -0.00000004, 5.4, 123.456));
    check('a stored count of thinned fixes that is no count', [0, 0],
      [loadTrack(store({ squares: [], fixes: [], thinned: -3 })).thinned, loadTrack(store({ squares: [], fixes: [], thinnedThrough: 'x' })).thinnedThrough]);
    const track = { epoch: 'e', squares: [], fixes: [fixes[0], fixes[2]] };
    mergeStored(store({ epoch: 'e', squares: [], fixes: encodeFixes(fixes.slice(0, 2)) }), track);
    check('two tabs\' fixes merged', fixes, track.fixes);
  }

  // Due east along 49 N the great circle leaves at 89.62 degrees (its
  // initial bearing), 73.03 km for a degree; the south pole is on the grid,
  // the north pole is not.
  const east = course({ latitude: 49, longitude: 2 }, { latitude: 49, longitude: 3 }, 40076.59 / 360);
  check('course and usable fixes', ['89.62', '73.03', true, false], [east.bearing.toFixed(2), east.km.toFixed(2),
    usableFix({ latitude: -90, longitude: 0, accuracy: 1 }), usableFix({ latitude: 90, longitude: 0, accuracy: 1 })]);

  // Crossings along a meridian through the JN18/JN19 line at 49 N: each
  // fix [lat, accuracy m, seconds after the last, speed m/s, km inside
  // the sub-square when not as far as inside the square].
  {
    const walk = (fixes) => {
      let [state, time] = [kNoCrossing, Date.UTC(2026, 11, 8)];  // a real clock: times are differences, never sums
      const [alerts, entered] = [[], []];
      for (const [lat, accuracy, seconds, speed = null, sub = null] of fixes) {
        time += seconds * 1000;
        const inside = (length) => (length === 6 && sub !== null ? sub : Math.abs(lat - 49) * 111.2);
        const step = crossing(state, { cell: lat < 49 ? 'JN18EX' : 'JN19EA', accuracy, inside,
          lat, lon: 2, time, speed }, (a, b) => Math.abs(a.lat - b.lat) * 111200);
        state = step.state;
        if (step.alert) alerts.push(step.alert);
        if (step.entered) entered.push(step.entered);
      }
      return [alerts, entered];
    };
    for (const [name, fixes, expected] of [
      ['a rough first fix 2 km into JN19', [[49.018, 3000, 0], [48.99, 4, 5], [48.9901, 4, 5]], [[], ['JN18']]],
      ['parked, one believable bad fix across the line', [[48.999, 10, 0], [49.0005, 10, 1], [48.999, 10, 1]], [[], ['JN18']]],
      ['walking across, confirmed by the next fix', [[48.999, 10, 0], [49.0005, 10, 60], [49.0007, 10, 60]], [['JN19'], ['JN18', 'JN19']]],
      ['driving across at a speed that explains the move', [[48.999, 10, 0], [49.0005, 10, 10, 20]], [['JN19'], ['JN18', 'JN19']]],
      ['a rough fix, then a good one as far off as the first one\'s accuracy reaches', [[48.9985, 150, 0], [49.0005, 5, 1, 200]],
        [['JN19'], ['JN18', 'JN19']]],
      ['walking slowly across, the crossing explained by the walking pace', [[48.99997, 2, 0], [49.00003, 2, 4, 0.9]], [['JN19'], ['JN18', 'JN19']]],
      ['a jump no vehicle makes, then back', [[48.999, 10, 0], [49.5, 10, 1], [49.5001, 10, 1], [48.999, 10, 1]], [[], ['JN18']]],
      ['the sub-square first known is no crossing', [[48.99, 100, 0, null, 0.05], [48.9901, 10, 60, null, 0.06], [48.9902, 10, 60, null, 0.07]],
        [[], ['JN18']]],
      ['fixes that agree among themselves overrule a wrong start', [[48.999, 10, 0], [49.5, 10, 1], [49.5001, 10, 1], [49.5002, 10, 1]],
        [[], ['JN18', 'JN19']]]]) check(`crossing: ${name}`, expected, walk(fixes));
  }

  // GPX: coordinates near 0 in decimals (the schema has no exponents), a
  // segment per following and per UTC day, a waypoint per square placed.
  {
    const day = Date.UTC(2026, 11, 8, 23, 59, 59, 500);  // the next fix a second later is on the next day
    const gpx = toGpx([{ lat: -3.6e-7, lon: 1e-9, alt: 1e-8, time: day }, { lat: 1, lon: 2, time: day + 1000 },
      { lat: 1.1, lon: 2, time: day + 120000 }, { lat: 1.2, lon: 2, time: day + 130000, seg: true }],
    [{ cell: 'JJ00', time: day, lat: -3.6e-7, lon: 1e-9 }, { cell: 'JJ01', time: day }], 'Trace <Morvane> & co');
    check('GPX: decimals, segments, waypoints, the name escaped', [false, [1, 2, 1], ['-0.0000004', '0', '0'], 1, 'JJ00 23:59:59Z', true],
      [/\de[+-]?\d/.test(gpx), gpx.split('<trkseg>').slice(1).map((seg) => seg.split('<trkpt').length - 1), /<trkpt lat="([^"]*)" lon="([^"]*)"><ele>([^<]*)</.exec(gpx).slice(1),
        gpx.split('<wpt ').length - 1, /<name>(JJ00[^<]*)</.exec(gpx)?.[1], gpx.includes('<name>Trace &lt;Morvane> &amp; co</name>')]);
  }

  // The squares around one next to the north pole's row, and in it.
  check('squares around near the pole', [8, 5], [neighbours({ lat: 88.5, lon: 1 }).length, neighbours({ lat: 89.5, lon: 1 }).length]);
  // Each of the eight named by its own direction: the south-east one lies south and east.
  check('squares around, each in its own direction', ['N 1 0', 'NE 1 2', 'E 0 2', 'SE -1 2', 'S -1 0', 'SW -1 -2', 'W 0 -2', 'NW 1 -2'],
    neighbours({ lat: 48.5, lon: 3 }).map((n) => `${n.direction} ${n.lat - 48.5} ${n.lon - 3}`));

  // Grid lines drawn once 24 px apart: sub-squares (1/24 degree high) from
  // 576 px a degree, squares from 24. A label only where its own cell has
  // room: at the equator a square (2 degrees) needs 36 px, 18 a degree;
  // a sub-square (1/12 degree) 54 px, 648 a degree.
  check('grid lines 24 px apart, labels by their own cells\' room',
    [[6, 4, 4, 2], [4, undefined, 6, 4, undefined]],
    [[576, 575, 24, 23.9].map(gridLength),
      [[4, 18], [4, 17.9], [6, 648], [6, 647], [2, 1e6]].map(([finest, px]) => labelLength(finest, px, 0))]);

  // A label wholly off the map hides nothing; one on the map still does.
  check('labels off the map hide nothing', [false, true, false],
    unpiled([{ x: -80, y: 10, w: 60, h: 14 }, { x: -10, y: 12, w: 30, h: 14 }, { x: 0, y: 14, w: 30, h: 14 }], { width: 600, height: 600 }));

  // French: the page's language, and no English caption, name or message
  // left where a French one exists; axe-core clean.
  {
    const { page, errors } = await open('fr-FR', { hash: '#path=JN18EU,FN20XR' });
    const english = Object.entries(kFrench).filter(([en, fr]) => en !== fr && en.length > 2 && !en.includes('{')).map(([en]) => en);
    const left = await page.evaluate((keys) => {
      const shown = [];
      const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
      for (let n = walker.nextNode(); n; n = walker.nextNode()) shown.push(n.nodeValue.trim());
      for (const e of document.querySelectorAll('[aria-label], [placeholder]')) shown.push(e.getAttribute('aria-label'), e.getAttribute('placeholder'));
      return [document.documentElement.lang, keys.filter((k) => shown.includes(k))];
    }, english);
    check('French: lang and every caption translated', ['fr', []], left);
    await page.evaluate(readFileSync(new URL('../node_modules/axe-core/axe.min.js', import.meta.url), 'utf8'));
    for (const name of ['Geo coord. to Locator', 'Locator to geo coord.', 'Azimuth and Distance']) {
      await tab(page, name);
      check(`French axe ${name}`, [], await page.evaluate(async () => (await window.axe.run(document)).violations.map((v) => v.id)));
    }
    check('French: no error', [], errors);
    await page.close();
  }
  return browser;
}
