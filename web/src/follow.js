// Field mode: "Follow my position" watches the browser's position and shows
// the live locator, the way to the square's edge, and an alert on entering
// a new square or sub-square. The screen is kept awake while following.
import { gridAlert, nearestEdge, supportedLength, walkingDistance } from './field.js';
import { showMessage } from './message.js';
import { formatNumber } from './number.js';

const $ = (id) => document.getElementById(id);
const kRefused = 'The browser was not allowed to tell its position.';

// The screen kept on while following: asked again when the page comes back,
// since the browser lets go of it whenever the page is hidden.
function wakeLock() {
  let sentinel = null;
  let wanted = false;
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
    hold: () => ((wanted = true), take()),
    release: () => {
      wanted = false;
      if (sentinel) sentinel.release().catch(() => {});
      sentinel = null;
    },
  };
}

export function fieldMode(core, locale) {
  const button = $('follow');
  const kmPerDegree = core.earthCircumferenceKm / 360;
  const screen = wakeLock();
  const format = (v) => formatNumber(v, locale);
  let watch = null;
  let previous = null;  // the last fix's 6-character locator
  let last = null;      // the last fix, shown again when the length changes

  const show = ({ latitude, longitude, accuracy }) => {
    const wanted = Number($('live-length').value);
    const length = supportedLength(wanted, accuracy, latitude, kmPerDegree);
    // The exact cell's shorter locators are prefixes of its longest one.
    const finest = core.locatorAt(latitude, longitude, 10);
    if (!finest) return;
    $('live').textContent = finest.slice(0, length);
    const within = `Within ${Math.round(accuracy)} m, as the browser says.`;
    $('live-note').textContent = length < wanted
      ? `${within} Shown to ${length} characters: too coarse for ${wanted}.` : within;
    const edge = (n) => {
      const cell = finest.slice(0, n);
      const e = nearestEdge(core.centre(cell), n, latitude, longitude, kmPerDegree);
      return `${cell} ${walkingDistance(e.km, format)} ${e.direction}`;
    };
    $('edge').value = `${edge(4)}; ${edge(6)}`;
    const six = finest.slice(0, 6);
    const alert = gridAlert(previous, six);
    previous = six;
    if (alert) {
      $('grid-alert').textContent = alert;
      if (navigator.vibrate) navigator.vibrate(200);
    }
  };

  const stop = () => {
    if (watch !== null) navigator.geolocation.clearWatch(watch);
    watch = null;
    previous = null;
    button.setAttribute('aria-pressed', 'false');
    screen.release();
  };

  const start = () => {
    if (!navigator.geolocation) return showMessage('This browser cannot tell its position.', { title: 'Morvane' });
    button.setAttribute('aria-pressed', 'true');
    $('live-note').textContent = 'Asking the browser…';
    screen.hold();
    watch = navigator.geolocation.watchPosition((p) => {
      last = p.coords;
      show(last);
    }, (e) => {
      // Refused, or withdrawn while following: stop and say so. Other
      // failures pass; the next fix may come.
      if (e.code !== 1) return void ($('live-note').textContent = 'Waiting for the browser to find the position…');
      stop();
      // Nothing shown may pass for a live position any more.
      for (const id of ['live', 'live-note', 'grid-alert']) $(id).textContent = '';
      $('edge').value = '';
      showMessage(kRefused, { title: 'Morvane', then: button });
    }, { enableHighAccuracy: true, maximumAge: 0, timeout: 30000 });
  };

  button.addEventListener('click', () => {
    if (watch === null) return start();
    stop();
    $('live-note').textContent = 'Not following: the last position is shown.';
  });
  $('live-length').addEventListener('change', () => last && watch !== null && show(last));
}
