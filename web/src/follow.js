// Field mode: "Follow my position" watches the browser's position and shows
// the live locator as long as the accuracy allows, the square's edges, what
// lies ahead, and an alert (shown, felt, heard) on entering a new square or
// sub-square once the fix is sure of it. The squares entered and the fixes
// are kept as a track. The screen is kept awake while following.
import {
  course, crossing, duration, heldCell, kNoCrossing, lineAhead, motion, nearestEdge, neighbourKm, neighbours, outsideKm,
  phonetic, placesSubSquare, spelt, squareEdges, squaresWithin, supportedLength, toGpx, toSquareList, usableFix, walkingDistance,
} from './field.js';
import { speechLanguage, t } from './i18n.js';
import { showMessage } from './message.js';
import { formatNumber } from './number.js';
import { addFix, enterSquare, kTrackKey, loadTrack, mergeStored, replaceTrack, saveTrack } from './track.js';

const $ = (id) => document.getElementById(id);
const kLostAfterMs = 30000;  // no fix for this long: "GPS lost"
const kAlertShownMs = 60000; // an alert fades after a minute
const kSaveEveryMs = 10000;  // the track written at most this often, and at each square
const kNewSegmentMs = 60000; // no fix for longer: a new segment of the track

// The screen kept on while wanted: asked again when the page comes back,
// since the browser lets go of it whenever the page is hidden.
function wakeLock() {
  let sentinel = null;
  let wanted = 0;
  const take = async () => {
    if (!wanted || sentinel || !navigator.wakeLock || document.visibilityState !== 'visible') return;
    try {
      sentinel = await navigator.wakeLock.request('screen');
      sentinel.addEventListener('release', () => (sentinel = null));
    } catch {
      sentinel = null;  // refused (battery saver, no permission): following goes on
    }
  };
  document.addEventListener('visibilitychange', take);
  return {
    hold: () => ((wanted += 1), take()),
    release: () => {
      wanted = Math.max(0, wanted - 1);
      if (wanted || !sentinel) return;
      sentinel.release().catch(() => {});
      sentinel = null;
    },
  };
}

// UTC time of day, as logs and contests keep it.
export const utcTime = (ms) => new Date(ms).toISOString().slice(11, 19);

// A locator as the rover chose to hear it.
const spoken = (cell) => ($('speak-as').value === 'phonetics' ? phonetic(cell) : spelt(cell));

function say(text) {
  if (!window.speechSynthesis || !window.SpeechSynthesisUtterance) return;
  const u = new SpeechSynthesisUtterance(text);
  u.lang = speechLanguage();
  window.speechSynthesis.speak(u);
}

// The alert line: its text, its UTC time, gone after a minute; felt, and
// heard when speech is on.
function alerter() {
  let fade = null;
  return (text, words) => {
    $('alert-text').textContent = $('full-alert').textContent = text;
    $('alert-time').textContent = t('at {time} UTC', { time: utcTime(Date.now()) });
    clearTimeout(fade);
    fade = setTimeout(() => {
      $('alert-text').textContent = $('alert-time').textContent = $('full-alert').textContent = '';
    }, kAlertShownMs);
    if (navigator.vibrate) navigator.vibrate(200);
    if (words && $('speak').checked) say(words);
  };
}

function trackView(track, format) {
  const list = $('track-list');
  const render = () => {
    $('track-thinned').hidden = !track.thinned;
    $('track-thinned').textContent = track.thinned ? t('To keep a whole day, the track’s older part was thinned: {n} fixes were let go.',
      { n: format(track.thinned) }) : '';
    list.replaceChildren(...track.squares.map((s) => {
      const li = document.createElement('li');
      li.textContent = `${s.cell} ${t('from {time} UTC', { time: utcTime(s.time) })}`;
      return li;
    }));
    $('track-empty').hidden = track.squares.length > 0;
  };
  // A file made in the page and handed to the browser to keep.
  const download = (name, type, text) => {
    const a = $('download');
    URL.revokeObjectURL(a.href);
    a.href = URL.createObjectURL(new Blob([text], { type }));
    a.download = name;
    a.click();
  };
  $('track-gpx').addEventListener('click', () => download('morvane-track.gpx', 'application/gpx+xml',
    toGpx(track.fixes, track.squares, t('Morvane track'))));
  $('track-squares').addEventListener('click', () => download('morvane-squares.txt', 'text/plain', toSquareList(track.squares, track.fixes)));
  return render;
}

export function fieldMode(core, locale) {
  const button = $('follow');
  const kmPerDegree = core.earthCircumferenceKm / 360;
  const screen = wakeLock();
  const format = (v) => formatNumber(v, locale);
  const alert = alerter();
  const track = loadTrack(localStorage);
  const renderTrack = trackView(track, (n) => new Intl.NumberFormat(locale).format(n));
  // Only what this tab added is ever written, so a tab that never followed
  // never writes, and a closing tab cannot put back an older copy.
  let unsaved = false;
  let savedAt = 0;
  // A failure said in words; what is stored stays, and this tab keeps the rest until it can be written.
  const note = (failure) => ($('track-note').textContent = !failure ? ''
    : failure === 'QuotaExceededError' ? t('The browser’s storage is full: the newest fixes are kept in this page only, until there is room.')
      : t('The browser refused to keep the track: it is kept in this page only.'));
  const save = (now = false) => {
    if (!unsaved || (!now && Date.now() - savedAt < kSaveEveryMs)) return;
    savedAt = Date.now();
    const failure = saveTrack(localStorage, track);
    unsaved = Boolean(failure);
    note(failure);
    renderTrack();
  };
  const added = (isNew, now) => {
    if (isNew) (unsaved = true), save(now);
    return isNew;
  };
  // Another tab's fixes and squares, or its clearing, seen here at once.
  window.addEventListener('storage', (e) => {
    if (e.key !== kTrackKey && e.key !== null) return;
    mergeStored(localStorage, track);
    renderTrack();
  });
  // Clearing is undone by a tap, since a stored drive cannot be had back.
  let cleared = null;
  $('track-clear').addEventListener('click', () => {
    cleared = { squares: track.squares, fixes: track.fixes };
    note(replaceTrack(localStorage, track, [], []));
    unsaved = false;
    $('track-undo').hidden = !cleared.squares.length && !cleared.fixes.length;
    if (!$('track-undo').hidden) $('track-note').textContent = t('Track cleared.');
    renderTrack();
  });
  $('track-undo').addEventListener('click', () => {
    note(replaceTrack(localStorage, track, [...cleared.squares, ...track.squares], [...cleared.fixes, ...track.fixes]));
    unsaved = false;
    $('track-undo').hidden = true;
    renderTrack();
  });
  renderTrack();

  let watch = null;
  let state = kNoCrossing;  // the square and sub-square the rover is known to be in
  let last = null;       // the last usable fix, shown again when the length changes
  let shown = null;      // the cell the big locator shows, held near a line
  let history = [];      // recent fixes, for a heading when the browser gives none
  let lost = null;       // the timer that says "GPS lost"
  let isLost = false;
  let heardAt = 0;       // when the last fix came
  let newSegment = true; // the next fix kept starts a segment of the track
  let clock = null;

  const ahead = (fix, finest) => {
    const m = motion(fix, history, kmPerDegree);
    if (!m) return t('Not moving');
    const line = lineAhead(fix.latitude, fix.longitude, m.heading, kmPerDegree);
    const beyond = line && core.locatorAt(line.lat, line.lon, 4);
    if (!beyond || beyond === finest.slice(0, 4)) return '';
    return t('{cell} in {distance} {direction}, {time} at {speed} km/h', { cell: beyond, distance: walkingDistance(line.km, format),
      direction: t(line.direction), time: duration((line.km * 1000) / m.speed), speed: format(Math.round(m.speed * 3.6)) });
  };

  const around = (fix, centre) => {
    const edges = squareEdges(centre, fix.latitude, fix.longitude, kmPerDegree);
    return neighbours(centre).map((n) => `${t(n.direction)} ${core.locatorAt(n.lat, n.lon, 4)} ` +
      walkingDistance(neighbourKm(edges, n.direction), format)).join(t(', '));
  };

  // Near a line or a corner: the squares a rover could activate from here.
  const reach = (fix, centre, here) => {
    const km = Number($('reach-km').value);
    const near = squaresWithin(centre, squareEdges(centre, fix.latitude, fix.longitude, kmPerDegree), km);
    if (!near.length) return t('No other square within {distance}', { distance: walkingDistance(km, format) });
    return [t('{cell} here', { cell: here }), ...near.map((n) =>
      `${core.locatorAt(n.lat, n.lon, 4)} ${walkingDistance(n.km, format)} ${t(n.direction)}`)].join(t(', '));
  };

  const show = (fix) => {
    const { latitude, longitude, accuracy } = fix;
    const wanted = Number($('live-length').value);
    const length = supportedLength(wanted, accuracy, latitude, kmPerDegree);
    // The exact cell's shorter locators are prefixes of its longest one.
    const finest = core.locatorAt(latitude, longitude, 10);
    let cell = finest.slice(0, length);
    if (length && shown && shown.length === length && shown !== cell) {
      cell = heldCell(shown, cell, outsideKm(core.centre(shown), length, latitude, longitude, kmPerDegree), accuracy);
    }
    shown = length ? cell : null;
    $('live').classList.remove('stale');
    $('live').textContent = length ? cell : t('Position too rough');
    const within = t('Within {metres} m, as the browser says.', { metres: Math.round(accuracy) });
    $('live-note').textContent = length < wanted
      ? `${within} ${length ? t('Shown to {length} characters: too coarse for {wanted}.', { length, wanted }) : t('Too coarse for a field.')}`
      : within;
    // The square's and the sub-square's centres and nearest edges, asked
    // once: shown, and weighed for a crossing.
    const centres = { 4: core.centre(finest.slice(0, 4)), 6: core.centre(finest.slice(0, 6)) };
    const nearest = { 4: nearestEdge(centres[4], 4, latitude, longitude, kmPerDegree),
      6: nearestEdge(centres[6], 6, latitude, longitude, kmPerDegree) };
    // An edge nearer than the accuracy could be on either side: not shown.
    const edge = (n) => {
      const e = nearest[n];
      return e.km * 1000 > accuracy ? `${finest.slice(0, n)} ${walkingDistance(e.km, format)} ${t(e.direction)}` : null;
    };
    const edges = [4, 6].filter((n) => n <= length).map(edge).filter(Boolean);
    $('edge').value = edges.length ? edges.join('; ') : t('Not known at this accuracy');
    $('ahead').value = $('full-ahead').textContent = length >= 4 ? ahead(fix, finest) : '';
    lostOrLive(false);
    $('around').value = length >= 4 ? around(fix, centres[4]) : '';
    $('reach').value = length >= 4 ? reach(fix, centres[4], finest.slice(0, 4)) : '';
    $('altitude').textContent = Number.isFinite(fix.altitude) ? t('Altitude {metres} m', { metres: Math.round(fix.altitude) }) : '';

    return { finest, nearest };
  };

  const metresApart = (a, b) => course({ latitude: a.lat, longitude: a.lon }, { latitude: b.lat, longitude: b.lon }, kmPerDegree).km * 1000;

  // Whether the fix takes the rover into another square or sub-square:
  // announced, and kept on the track. Returns whether the fix was believed.
  const judge = (fix, finest, nearest) => {
    // The rover's speed up to the last fix taken: this fix's own move would explain itself.
    const before = history.at(-1);
    const speed = Number.isFinite(fix.speed) ? fix.speed : before && motion(before, history, kmPerDegree)?.speed;
    const step = crossing(state, { cell: finest.slice(0, 6), accuracy: fix.accuracy, inside: (n) => nearest[n].km,
      lat: fix.latitude, lon: fix.longitude, time: fix.time, speed }, metresApart);
    state = step.state;
    // Sub-squares only when asked for: on a drive they come every few minutes.
    if (step.alert && step.alert.length <= Number($('alert-cells').value)) {
      alert(t('Now in {cell}', { cell: step.alert }), t('Now in {cell}', { cell: spoken(step.alert) }));
    }
    if (step.entered) added(enterSquare(track, step.entered, fix.time, fix.latitude, fix.longitude), true);
    return step.taken;
  };

  // While the GPS is lost, what came from the last fix is greyed, and full
  // screen says so in words; the next fix takes it all back.
  const lostOrLive = (lost) => {
    for (const id of ['live', 'edge', 'ahead', 'around', 'reach', 'altitude', 'full-ahead']) $(id).classList.toggle('stale', lost);
    $('full-lost').hidden = !lost;
  };

  // A fix the grid cannot place: said, and the old locator greyed.
  const unusable = () => {
    $('live').classList.add('stale');
    $('live-note').textContent = t('The last fix was not usable: the locator shown is from an earlier one.');
  };

  const armLost = () => {
    clearTimeout(lost);
    lost = setTimeout(() => {
      isLost = true;
      lostOrLive(true);
      alert(t('GPS lost: no position for 30 s'), t('GPS lost'));
    }, kLostAfterMs);
  };

  const onFix = (p) => {
    const c = p.coords;
    const fix = { latitude: c.latitude, longitude: c.longitude, accuracy: c.accuracy, altitude: c.altitude,
      heading: c.heading, speed: c.speed, time: p.timestamp || Date.now() };
    armLost();
    // A minute without any fix: the track takes up again in a new segment.
    if (fix.time - heardAt > kNewSegmentMs) newSegment = true;
    heardAt = fix.time;
    if (isLost) {
      isLost = false;
      alert(t('GPS back'), t('GPS back'));
    }
    if (!usableFix(fix)) return unusable();
    last = fix;
    const { finest, nearest } = show(fix);
    // The map shows where the rover is, as it moves.
    document.dispatchEvent(new CustomEvent('morvane-position', { detail: { lat: fix.latitude, lon: fix.longitude, accuracy: fix.accuracy } }));
    if (!judge(fix, finest, nearest)) return;
    history = [...history.filter((h) => fix.time - h.time <= 30000), fix];
    if (placesSubSquare(fix.accuracy, fix.latitude, kmPerDegree))
      if (added(addFix(track, fix, (f) => metresApart(f, { lat: fix.latitude, lon: fix.longitude }), newSegment), false)) newSegment = false;
  };

  const stop = () => {
    document.dispatchEvent(new CustomEvent('morvane-position', { detail: null }));
    if (watch !== null) navigator.geolocation.clearWatch(watch);
    watch = null;
    state = kNoCrossing;
    history = [];
    clearTimeout(lost);
    clearInterval(clock);
    isLost = false;
    $('full-lost').hidden = true;
    button.setAttribute('aria-pressed', 'false');
    remember(false);
    screen.release();
    save(true);
  };

  const start = () => {
    if (!navigator.geolocation) return showMessage(t('This browser cannot tell its position.'), { title: 'Morvane' });
    button.setAttribute('aria-pressed', 'true');
    remember(true);
    newSegment = true;
    $('live-note').textContent = t('Asking the browser…');
    screen.hold();
    const tick = () => ($('utc-clock').textContent = `${utcTime(Date.now())} UTC`);
    tick();
    clock = setInterval(tick, 1000);
    armLost();
    watch = navigator.geolocation.watchPosition(onFix, (e) => {
      // Refused, or withdrawn while following: stop and say so. Other
      // failures pass; the next fix may come.
      if (e.code !== 1) return void ($('live-note').textContent = t('Waiting for the browser to find the position…'));
      stop();
      // Nothing shown may pass for a live position any more.
      for (const id of ['live', 'live-note', 'alert-text', 'alert-time', 'altitude']) $(id).textContent = '';
      for (const id of ['edge', 'ahead', 'around', 'reach']) $(id).value = '';
      showMessage(t('The browser was not allowed to tell its position.'), { title: 'Morvane', then: button });
    }, { enableHighAccuracy: true, maximumAge: 0, timeout: 30000 });
  };

  button.addEventListener('click', () => {
    if (watch === null) return start();
    stop();
    $('live-note').textContent = t('Not following: the last position is shown.');
  });
  keepFieldMode(start);
  for (const id of ['live-length', 'reach-km']) $(id).addEventListener('change', () => last && watch !== null && show(last));
  // The big locator is no live region (it changes with every fix): a
  // screen reader hears the crossings, and the locator when asked.
  $('say-locator').addEventListener('click', () => {
    const said = $('said-locator');
    said.textContent = '';
    const text = shown ? spoken(shown) : t('No position yet.');
    setTimeout(() => (said.textContent = text), 50);  // a changed text, even when the same is asked again
  });
  window.addEventListener('pagehide', () => save(true));
  fullView(screen);
  return track;
}

// Field mode as the rover left it, through a reload (the page's own update
// too): the choices in this browser, and following in this tab alone, so
// that a second tab does not start following by itself.
const kChoicesKey = 'morvane.field';
const kFollowingKey = 'morvane.following';

// Whether this tab follows, kept for its reloads.
function remember(following) {
  try {
    if (following) sessionStorage.setItem(kFollowingKey, '1');
    else sessionStorage.removeItem(kFollowingKey);
  } catch {
    // storage refused: a reload stops following
  }
}

function keepFieldMode(start) {
  const boxes = ['speak'];
  const lists = ['live-length', 'alert-cells', 'speak-as', 'full-scheme', 'reach-km'];
  try {
    const kept = JSON.parse(localStorage.getItem(kChoicesKey) || '{}');
    for (const id of boxes) if (typeof kept[id] === 'boolean') $(id).checked = kept[id];
    for (const id of lists) if ([...$(id).options].some((o) => o.value === kept[id])) $(id).value = kept[id];
  } catch {
    // unreadable: the page's own defaults
  }
  const keep = () => {
    const kept = Object.fromEntries([...boxes.map((id) => [id, $(id).checked]), ...lists.map((id) => [id, $(id).value])]);
    try {
      localStorage.setItem(kChoicesKey, JSON.stringify(kept));
    } catch {
      // storage refused: the choices last as long as the page
    }
  };
  for (const id of [...boxes, ...lists]) $(id).addEventListener('change', keep);
  let resume = false;
  try {
    resume = sessionStorage.getItem(kFollowingKey) === '1';
  } catch {
    resume = false;
  }
  if (resume) start();
}

// The live locator alone, as large as the screen allows, kept awake. A
// locator cut at either end would read as another, valid one: it is made
// small enough to be shown whole, whatever the screen and the font.
function fullView(screen) {
  const view = $('live-view');
  const live = $('live');
  const fit = () => {
    live.style.fontSize = '';
    // Widths do not scale quite in proportion (hinting, rounding): a few tries.
    for (let i = 0; i < 4 && view.classList.contains('full') && live.scrollWidth > live.clientWidth; i += 1) {
      const size = parseFloat(getComputedStyle(live).fontSize);
      live.style.fontSize = `${Math.floor((0.98 * size * live.clientWidth) / live.scrollWidth)}px`;
    }
  };
  // The page sets the locator as textContent: a change of its children.
  new MutationObserver(fit).observe(live, { childList: true });
  window.addEventListener('resize', fit);
  const open = () => {
    view.classList.add('full');
    fit();
    $('close-full').hidden = false;
    screen.hold();
    // The whole page full screen, the view over it: what is offered above it (a new version) stays seen.
    const root = document.documentElement;
    if (root.requestFullscreen) root.requestFullscreen().catch(() => {});
    $('close-full').focus();
  };
  const close = () => {
    if (!view.classList.contains('full')) return;
    view.classList.remove('full');
    fit();
    $('close-full').hidden = true;
    screen.release();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    $('full-screen').focus();
  };
  const scheme = () => {
    view.classList.toggle('night', $('full-scheme').value === 'night');
    view.classList.toggle('contrast', $('full-scheme').value === 'contrast');
  };
  $('full-scheme').addEventListener('change', scheme);
  scheme();
  $('full-screen').addEventListener('click', open);
  $('close-full').addEventListener('click', close);
  // Escape wherever the focus went while the view covers the page; Tab
  // goes round the view's own controls, never to the page hidden under it.
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') return close();
    if (e.key !== 'Tab' || !view.classList.contains('full')) return;
    const controls = [...view.querySelectorAll('button, select, input, a[href]')].filter((c) => !c.hidden && c.offsetParent);
    if (!controls.length) return;
    const at = controls.indexOf(document.activeElement);
    const next = at < 0 ? 0 : (at + (e.shiftKey ? -1 : 1) + controls.length) % controls.length;
    e.preventDefault();
    controls[next].focus();
  });
  document.addEventListener('fullscreenchange', () => !document.fullscreenElement && close());
}
