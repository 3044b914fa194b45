import puppeteer from 'puppeteer-core';
import { serve } from '/work/main/web/test/serve.mjs';
const { site, server } = await serve('/work/main/build-web');
const b = await puppeteer.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--headless=new'] });
const page = await b.newPage();
await page.setViewport({ width: 390, height: 844, isMobile: true });
await page.goto(site + '#path=JN18EU,FN20XR');
await page.waitForSelector('.town');
await page.click('#show-fields');
await page.emulateCPUThrottling(4);
for (let i = 0; i < 6; i++) {
  const ms = await page.evaluate(() => { const t = performance.now(); document.getElementById('zoom-in').click(); return [performance.now() - t, document.querySelectorAll('.overlay *').length]; });
  console.log(i + 1, ms);
}
const prof = await page.evaluate(() => window.prof.map((r) => r.map((v) => v.toFixed(1)).join(" ")));
console.log(prof);
await b.close(); server.close();
