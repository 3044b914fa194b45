// The contest results page morvane-cli writes, in headless Chromium: its
// column heads sort the tables (numbers as numbers, again the other way
// round), say so to screen readers, its calls link to the entrants'
// reports, and axe-core finds nothing on either.
//   node web/test/results.mjs build/morvane-cli
import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const cli = path.resolve(process.argv[2] || 'build/morvane-cli');
const dir = mkdtempSync(path.join(os.tmpdir(), 'morvane-results-'));
// OK1AAA worked three stations whose distances give totals that sort one
// way as numbers (5 < 16 < 143) and another as text ("143" < "16" < "5").
const log = (call, locator, qsos) => `[REG1TEST;1]\r\nPCall=${call}\r\nPWWLo=${locator}\r\nPSect=SO\r\nPBand=144 MHz\r\n`
  + `[QSORecords;${qsos.length}]\r\n${qsos.map(([time, other, loc]) =>
    `260905;${time};${other};1;59;001;59;001;;${loc};1;;;;\r\n`).join('')}`;
mkdirSync(path.join(dir, 'logs'));
const stations = [['OK1BBB', 'JO70AB'], ['OK1CCC', 'JO70CC'], ['OK1DDD', 'JO60AA']];
// A fourth QSO, with a station that sent no log, gives its report a list.
writeFileSync(path.join(dir, 'logs', 'a.edi'),
  log('OK1AAA', 'JO70AA', [...stations, ['OK1ZZZ', 'JO70ZZ']].map(([c, l], n) => [`14${n}0`, c, l])));
stations.forEach(([c, l], n) => writeFileSync(path.join(dir, 'logs', `${c}.edi`),
  log(c, l, [[`14${n}0`, 'OK1AAA', 'JO70AA']])));
execFileSync(cli, ['crosscheck', '--html', path.join(dir, 'r.html'), '--ubn', path.join(dir, 'ubn'),
  path.join(dir, 'logs')], { stdio: 'ignore' });

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--headless=new', '--disable-gpu'],
});
let failures = 0;
const check = (name, expected, actual) => {
  if (JSON.stringify(expected) === JSON.stringify(actual)) return;
  failures += 1;
  console.log(`FAIL ${name}\n  expected: ${JSON.stringify(expected)}\n  actual:   ${JSON.stringify(actual)}`);
};
try {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(`file://${path.join(dir, 'r.html')}`);
  const column = (name) => page.$$eval('tbody tr', (rows, k) => rows.map((r) => r.cells[k].textContent),
    ['Rank', 'Call', 'Locator', 'Section', 'QSOs', 'Valid', 'Claimed', 'Checked', 'Penalty', 'Total'].indexOf(name));
  const press = async (name) => {
    const button = await page.evaluateHandle((n) => [...document.querySelectorAll('th button')]
      .find((b) => b.textContent === n), name);
    await button.click();
  };
  const totals = (await column('Total')).map(Number);
  await press('Total');
  const up = await column('Total');
  check('sorted up by total, as numbers', [...totals].sort((a, b) => a - b).map(String), up);
  check('told to screen readers', 'ascending', await page.$eval('th:nth-child(10)', (th) => th.getAttribute('aria-sort')));
  await press('Total');
  check('a second press the other way round', [...up].reverse(), await column('Total'));
  await press('Call');
  check('by call, as text', ['OK1AAA', 'OK1BBB', 'OK1CCC', 'OK1DDD'], await column('Call'));
  check('the other heads unsorted', null, await page.$eval('th:nth-child(10)', (th) => th.getAttribute('aria-sort')));
  await page.evaluate(readFileSync(new URL('../node_modules/axe-core/axe.min.js', import.meta.url), 'utf8'));
  check('axe-core', [], await page.evaluate(async () =>
    (await window.axe.run(document)).violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`)));
  check('no script errors', [], errors);
  // An entrant's report from the page's link: one h1 (the report) over an
  // h2 per list, and axe-core finds nothing there either.
  await Promise.all([page.waitForNavigation(), page.click('a[href$="OK1AAA_144_MHz.html"]')]);
  check('report headings', ['H1', 'H2'], await page.$$eval('h1, h2', (hs) => [...new Set(hs.map((h) => h.tagName))]));
  check('one h1', 1, await page.$$eval('h1', (hs) => hs.length));
  await page.evaluate(readFileSync(new URL('../node_modules/axe-core/axe.min.js', import.meta.url), 'utf8'));
  check('axe-core on the report', [], await page.evaluate(async () =>
    (await window.axe.run(document)).violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`)));
} finally {
  await browser.close();
  if (!process.env.KEEP) rmSync(dir, { recursive: true, force: true }); else console.log(dir);
}
console.log(`results page: ${failures} failure(s)`);
process.exit(failures ? 1 : 0);
