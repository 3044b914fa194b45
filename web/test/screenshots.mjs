// The README's pictures of the web edition, light and dark, from the built
// site: field mode and the zoomed map on a phone (390 x 844), and the
// azimuth page with its map on a desktop.
//   node web/test/screenshots.mjs build-web docs
import path from 'node:path';
import puppeteer from 'puppeteer-core';

import { serve } from './serve.mjs';

const root = path.resolve(process.argv[2] || 'build-web');
const out = path.resolve(process.argv[3] || 'docs');
const { site, server } = await serve(root);
const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--headless=new', '--disable-gpu', '--no-first-run'] });

async function phone(scheme, hash = '') {
  const context = await browser.createBrowserContext();
  await context.overridePermissions(site, ['geolocation']);
  const page = await context.newPage();
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true });
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
  // Each fix half a minute after the last, as on a drive, not a few
  // milliseconds as the emulation gives them.
  await page.evaluateOnNewDocument(() => {
    let clock = Date.now() - 120000;
    const geo = navigator.geolocation;
    const watch = geo.watchPosition.bind(geo);
    geo.watchPosition = (ok, err, o) => watch((p) => ok({ coords: p.coords, timestamp: (clock += 30000) }), err, o);
  });
  await page.goto(site + hash);
  await page.waitForSelector('body[data-ready=true]');
  return page;
}

for (const scheme of ['light', 'dark']) {
  // Field mode on a summit: following, a fix 5 m accurate.
  let page = await phone(scheme);
  await page.setGeolocation({ latitude: 48.8738, longitude: 2.2950, accuracy: 4 });
  await page.select('#alert-cells', '6');
  await page.click('#follow');
  await page.waitForFunction(() => document.getElementById('live').textContent.length === 10);
  // Driving north at 50 km/h, 230 m into the next sub-square.
  const cdp = await page.createCDPSession();
  await cdp.send('Emulation.setGeolocationOverride', { latitude: 48.8771, longitude: 2.2950, accuracy: 4, altitude: 58, heading: 10, speed: 13.9 });
  await page.waitForFunction(() => document.getElementById('alert-text').textContent !== '');
  await page.$eval('#field', (e) => e.scrollIntoView({ block: 'start' }));
  await page.screenshot({ path: path.join(out, `web-field-${scheme}.png`) });
  // Full screen, as on the dashboard.
  await page.click('#full-screen');
  await page.screenshot({ path: path.join(out, `web-field-full-${scheme}.png`) });
  await page.browserContext().close();
  // The map zoomed 32 times on the path: squares drawn and labelled, the
  // towns to aim at, a point tapped.
  page = await phone(scheme, '#path=JN18EU,FN20XR');
  await page.waitForSelector('#map .land');
  await page.waitForSelector('#map .town');
  for (let i = 0; i < 5; i += 1) await page.click('#zoom-in');
  await page.$eval('#map-figure', (e) => e.scrollIntoView({ block: 'start' }));
  const box = await (await page.$('#map')).boundingBox();
  await page.mouse.click(box.x + box.width * 0.42, box.y + box.height * 0.47);
  await page.screenshot({ path: path.join(out, `web-map-zoomed-${scheme}.png`) });
  await page.browserContext().close();
}
// The rover on the map, zoomed 1024 times: its position within its
// accuracy's circle and the track behind it, kept in the middle.
for (const scheme of ['light', 'dark']) {
  const page = await phone(scheme, '#path=JN18EU,FN20XR');
  await page.waitForSelector('#map .land');
  await page.click('#tab-geo');
  await page.setGeolocation({ latitude: 48.80, longitude: 2.13, accuracy: 1500 });
  await page.click('#follow');
  await page.waitForFunction(() => document.getElementById('live').textContent !== '');
  await page.click('#tab-path');
  for (let i = 0; i < 10; i += 1) await page.click('#zoom-in');
  for (let i = 1; i <= 12; i += 1) {
    await page.setGeolocation({ latitude: 48.80 + i * 0.002 + (i % 3) * 0.001, longitude: 2.13 + i * 0.005, accuracy: 1500 });
    await page.waitForFunction((n) => document.querySelectorAll('#map .here').length === 1 && n, {}, i);
    await new Promise((r) => setTimeout(r, 150));
  }
  await page.$eval('#map-figure', (e) => e.scrollIntoView({ block: 'start' }));
  await page.screenshot({ path: path.join(out, `web-map-rover-${scheme}.png`) });
  await page.browserContext().close();
}
for (const scheme of ['light', 'dark']) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 900, height: 1350 });
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: scheme }]);
  await page.goto(`${site}#path=JN18EU,FN20XR`);
  await page.waitForSelector('#map .land');
  await page.screenshot({ path: path.join(out, `web-map-${scheme}.png`) });
  await context.close();
}
await browser.close();
server.close();
