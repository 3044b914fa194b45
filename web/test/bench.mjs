// The web edition's figures: the site's size as a server sends it (gzip),
// the first page ready to type in after a cold load with the CPU slowed 4x
// as on a phone, and 1,000,000 azimuth/distance calls through the core's
// exported interface against the same calls in the native core.
//   node web/test/bench.mjs build-web build/web_cases
import { execFileSync } from 'node:child_process';
import { createReadStream, readdirSync, readFileSync, statSync } from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';

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

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm', '.json': 'application/json' };
const server = http.createServer((req, res) => {
  const file = path.join(root, new URL(req.url, 'http://x').pathname.replace(/\/$/, '/index.html'));
  res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
  createReadStream(file).on('error', () => res.end()).pipe(res);
}).listen(0, '127.0.0.1');
await new Promise((r) => server.on('listening', r));
const site = `http://127.0.0.1:${server.address().port}/`;
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
const webNs = await page.evaluate(async (n) => {
  const m = await (await import('./src/core-wasm.js')).default();
  const f = m.cwrap('mv_path_kilometres', 'number', ['string', 'string']);
  const letters = (k) => String.fromCharCode(65 + (k % 18), 65 + ((k >> 3) % 18), 48 + (k % 10), 48 + ((k >> 2) % 10), 65 + (k % 24), 65 + ((k >> 1) % 24));
  const pairs = Array.from({ length: 1000 }, (_, k) => letters(k * 37 + 11));
  let sum = 0;
  const start = performance.now();
  for (let i = 0; i < n; i += 1) sum += f(pairs[i % 1000], pairs[(i * 7 + 1) % 1000]);
  return ((performance.now() - start) * 1e6) / n + sum * 0;
}, 1000000);
const nativeNs = Number(execFileSync(native, ['--time', '1000000']).toString().split('\t')[0]);
console.log(`1,000,000 azimuth/distance calls: page ${webNs.toFixed(0)} ns each, native ${nativeNs.toFixed(0)} ns, ratio ${(webNs / nativeNs).toFixed(2)}x (goal 2x)`);
await browser.close();
server.close();
