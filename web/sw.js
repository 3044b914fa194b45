// Keeps every file of the site at the first visit, so that Morvane opens and
// computes with the network gone. The build writes the site's fingerprint
// into the cache name, so a new version replaces the old cache.
const kCache = 'morvane-@VERSION@';
const kFiles = ['./', 'index.html', 'style.css', 'src/app.js', 'src/core-wasm.js', 'src/core-wasm.wasm',
  'land-110m.json', 'towns.json', 'manifest.webmanifest', 'icons/web-192.png', 'icons/web-512.png', 'icons/scalable.svg'];

// The files are fetched past the browser's HTTP cache, which may still hold
// the last version's. A first install takes over at once; an update waits
// until the page offers it ("A new version is ready") and is told to.
self.addEventListener('install', (event) => {
  const first = !self.registration.active;
  event.waitUntil(caches.open(kCache)
    .then((cache) => cache.addAll(kFiles.map((f) => new Request(f, { cache: 'reload' }))))
    .then(() => first && self.skipWaiting()));
});

self.addEventListener('message', (event) => {
  if (event.data === 'skipWaiting') self.skipWaiting();
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((n) => n !== kCache).map((n) => caches.delete(n))))
    .then(() => self.clients.claim()));
});

// The site's own files from the cache first; nothing else is ever asked for.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET' || new URL(event.request.url).origin !== self.location.origin) return;
  event.respondWith(caches.match(event.request, { ignoreSearch: true })
    .then((hit) => hit || fetch(event.request)));
});
