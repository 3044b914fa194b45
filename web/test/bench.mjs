// The web edition's figures: the site's size as a server sends it (gzip),
// the first page ready to type in after a cold load with the CPU slowed 4x
// as on a phone, and 1,000,000 azimuth/distance calls through the core's
// exported interface against the same calls in the native core.
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
console.log(`size, gzip -9: whole site ${(total / 1024).toFixed(1)} KiB (goal 250 KB), WebAssembly ${(wasm / 1024).toFixed(1)} KiB (goal 60 KB)`);

const { site, server } = await serve(root);
const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--headless=new', '--disable-gpu', '--disable-background-networking', '--no-first-run'] });

const loads = [];
for (let i = 0; i < 7; i += 1) {
  const context = await browser.createBrowserContext();  // a cold cache each time
  const page = await context.newPage();
  await page.emulateCPUThrottling(4);
  await page.goto(site);
  await page.waitForSelector('body[data-ready=true]');
  loads.push(await page.evaluate(() => performance.now()));
  await context.close();
}
loads.sort((a, b) => a - b);
console.log(`cold load, CPU 4x slower: first page ready in ${loads[3].toFixed(0)} ms (median of 7; goal 1000 ms)`);

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
