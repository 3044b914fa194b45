// The web edition's figures against its budget: the site's size as a server
// sends it (gzip; 150 KB), the first page working after a cold load on a
// phone (CPU slowed 4x, a Fast-3G-like link; within 1 s of first paint),
// the map's frames while panning and zooming (4x; 16 ms), and 1,000,000
// azimuth/distance calls through the core's exported interface against the
// same calls in the native core.
//   node web/test/bench.mjs build-web build/web_cases
import { execFileSync } from 'node:child_process';
import { readdirSync, readFileSync, statSync } from 'node:fs';
import path from 'node:path';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';

import { serve } from './serve.mjs';

const root = path.resolve(process.argv[2] || 'build-web');
const native = path.resolve(process.argv[3] || 'build/web_cases');
const files = (dir) => readdirSync(dir).flatMap((f) => {
  const p = path.join(dir, f);
  return statSync(p).isDirectory() ? files(p) : [p];
});
const gz = (p) => gzipSync(readFileSync(p), { level: 9 }).length;
const all = files(root);
const total = all.reduce((sum, p) => sum + gz(p), 0);
const wasm = gz(path.join(root, 'src/core-wasm.wasm'));
console.log(`size, gzip -9: whole site ${(total / 1000).toFixed(1)} KB (budget 150 KB), WebAssembly ${(wasm / 1000).toFixed(1)} KB`);

const { site, server } = await serve(root);
const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--headless=new', '--disable-gpu', '--disable-background-networking', '--no-first-run'] });

// A Fast-3G-like link: 1.6 Mbit/s down, 750 kbit/s up, 150 ms round trips.
const kFast3G = { download: (1.6 * 1024 * 1024) / 8, upload: (750 * 1024) / 8, latency: 150 };
const loads = [];
for (let i = 0; i < 7; i += 1) {
  const context = await browser.createBrowserContext();  // a cold cache each time
  const page = await context.newPage();
  await page.emulateCPUThrottling(4);
  await page.emulateNetworkConditions(kFast3G);
  await page.goto(site);
  await page.waitForSelector('body[data-ready=true]');
  loads.push(await page.evaluate(() => {
    const paint = performance.getEntriesByName('first-contentful-paint')[0] || performance.getEntriesByName('first-paint')[0];
    return { ready: performance.now(), afterPaint: performance.now() - (paint ? paint.startTime : 0) };
  }));
  await context.close();
}
loads.sort((a, b) => a.afterPaint - b.afterPaint);
console.log(`cold load, CPU 4x slower, Fast 3G: first page working ${loads[3].afterPaint.toFixed(0)} ms after first paint ` +
  `(median of 7; budget 1000 ms), ${loads[3].ready.toFixed(0)} ms after navigation`);

// Panning and zooming the map with the fields shown, CPU 4x slower: the
// main thread's work in each frame that moved the map, from the frame's
// start (input and rAF) to the end of its style, layout and paint (a
// message posted in the frame runs just after them).
{
  const page = await browser.newPage();
  await page.setViewport({ width: 390, height: 844, isMobile: true, hasTouch: false });
  await page.goto(`${site}#path=JN18EU,FN20XR`);
  await page.waitForSelector('#map .land');
  await page.click('#show-fields');
  await page.$eval('#map', (m) => m.scrollIntoView());
  await page.emulateCPUThrottling(4);
  const box = await (await page.$('#map')).boundingBox();
  const [cx, cy] = [box.x + box.width / 2, box.y + box.height / 2];
  await page.evaluate(() => {
    window.work = [];
    window.ends = [];
    // The view moves on the SVG itself during a gesture; when it ends the
    // layer takes the view and the grid, towns and labels are drawn again.
    const layer = () => document.querySelector('#map .layer').getAttribute('transform');
    const moved = () => layer() + document.getElementById('map').style.transform;
    let [seen, seenLayer] = [moved(), layer()];
    const channel = new MessageChannel();
    let start = 0;
    channel.port1.onmessage = () => {
      const now = moved();
      if (layer() !== seenLayer) window.ends.push(performance.now() - start);
      else if (now !== seen) window.work.push(performance.now() - start);
      [seen, seenLayer] = [now, layer()];
    };
    const tick = (t) => {
      start = t;
      channel.port2.postMessage(0);
      if (window.work.length < 100000) requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  });
  for (let i = 0; i < 5; i += 1) await page.click('#zoom-in');  // 32x: squares drawn and labelled, towns
  await page.mouse.move(cx, cy);
  await page.mouse.down();
  for (let i = 0; i < 60; i += 1) await page.mouse.move(cx + 60 * Math.sin(i / 6), cy + 40 * Math.cos(i / 7));
  await page.mouse.up();
  for (let i = 0; i < 10; i += 1) await page.mouse.wheel({ deltaY: i % 2 ? 120 : -120 });
  const [work, ends] = await page.evaluate(() => [window.work, window.ends]);
  work.sort((a, b) => a - b);
  ends.sort((a, b) => a - b);
  const at = (q) => work[Math.min(work.length - 1, Math.floor(q * work.length))];
  console.log(`map while panning and zooming, CPU 4x slower: work per frame median ${at(0.5).toFixed(1)} ms, ` +
    `95th percentile ${at(0.95).toFixed(1)} ms, worst ${at(1).toFixed(1)} ms over ${work.length} frames that moved it (budget 16 ms); ` +
    `the frame that redraws when a gesture ends: median ${ends[Math.floor(ends.length / 2)].toFixed(1)} ms, worst ${ends.at(-1).toFixed(1)} ms over ${ends.length} (budget 50 ms)`);
  if (process.env.MORVANE_TRACE) console.log(ends.map((e) => e.toFixed(1)).join(" "));
  await page.close();
}

const page = await browser.newPage();
await page.goto(site);
await page.waitForSelector('body[data-ready=true]');
// Five rounds each side, the median of each: this machine is noisy.
const median = (v) => v.sort((a, b) => a - b)[Math.floor(v.length / 2)];
// The C function itself, called with the locators already in the module's
// memory (as native code calls it), and through cwrap, which converts two
// JavaScript strings at every call.
const [webNs, wrappedNs] = await page.evaluate(async (n) => {
  const m = await (await import('./src/core-wasm.js')).default();
  const wrapped = m.cwrap('mv_path_kilometres', 'number', ['string', 'string']);
  const letters = (k) => String.fromCharCode(65 + (k % 18), 65 + ((k >> 3) % 18), 48 + (k % 10), 48 + ((k >> 2) % 10), 65 + (k % 24), 65 + ((k >> 1) % 24));
  const pairs = Array.from({ length: 1000 }, (_, k) => letters(k * 37 + 11));
  const pointers = pairs.map((p) => m.allocateUTF8(p));
  const time = (call) => {
    const rounds = [];
    for (let round = 0; round < 5; round += 1) {
      let sum = 0;
      const start = performance.now();
      for (let i = 0; i < n; i += 1) sum += call(i % 1000, (i * 7 + 1) % 1000);
      rounds.push(((performance.now() - start) * 1e6) / n + sum * 0);
    }
    return rounds.sort((a, b) => a - b)[2];
  };
  return [time((a, b) => m._mv_path_kilometres(pointers[a], pointers[b])), time((a, b) => wrapped(pairs[a], pairs[b]))];
}, 1000000);
const nativeNs = median(Array.from({ length: 5 }, () =>
  Number(execFileSync(native, ['--time', '1000000']).toString().split('\t')[0])));
console.log(`1,000,000 azimuth/distance calls: page ${webNs.toFixed(0)} ns each, native ${nativeNs.toFixed(0)} ns, ratio ${(webNs / nativeNs).toFixed(2)}x (goal 2x); ` +
  `through cwrap with JavaScript strings ${wrappedNs.toFixed(0)} ns, ${(wrappedNs / nativeNs).toFixed(2)}x`);
await browser.close();
server.close();
