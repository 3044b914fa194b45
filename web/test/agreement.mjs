// The WebAssembly core against the native one, bit for bit: the native
// program writes random cases with its answers, the same calls are made in
// the module built for Node, and every answer text must be identical.
//   node web/test/agreement.mjs build/web_cases build-web-test/core-node.cjs [N]
import { execFileSync } from 'node:child_process';
import { createRequire } from 'node:module';
import path from 'node:path';

const [cases, modulePath, n = '100000'] = process.argv.slice(2);
const require = createRequire(import.meta.url);
const m = await require(path.resolve(modulePath))();
const call = (name, types, args) => m.ccall(name, 'string', types, args);

const lines = execFileSync(path.resolve(cases), [n], { maxBuffer: 1 << 30 }).toString().trimEnd().split('\n');
const counts = { E: [0, 0], X: [0, 0], A: [0, 0], D: [0, 0], P: [0, 0] };
const firstDifferences = [];
for (const line of lines) {
  const f = line.split('\t');
  let got;
  let expected;
  if (f[0] === 'E') {
    got = call('mv_encode', Array(9).fill('number'), f.slice(1, 10).map(Number));
    expected = f[10];
  } else if (f[0] === 'X') {
    got = call('mv_encode_exact', ['string', 'string', 'string', 'number', 'string', 'string', 'string', 'number', 'number'],
      f.slice(1, 10).map((v, i) => (i === 3 || i >= 7 ? Number(v) : v)));
    expected = f[10];
  } else if (f[0] === 'A') {
    got = call('mv_locator_at', ['number', 'number', 'number'], f.slice(1, 4).map(Number));
    expected = f[4];
  } else if (f[0] === 'D') {
    got = call('mv_locator_to_dms', ['string'], [f[1]]);
    expected = f[2];
  } else {
    got = call('mv_path', ['string', 'string'], [f[1], f[2]]);
    expected = f[3];
  }
  // The numbers shown must be identical; the path's unrounded azimuth and
  // distance (only the map draws along them) may differ in the last bits
  // (the azimuth along a meridian, ill-conditioned, by up to 1e-4 degrees),
  // the two builds' sine and arc tangent not being the same code.
  const same = f[0] !== 'P' ? got === expected : (() => {
    const [g, e] = [got.split('|'), expected.split('|')];
    return g.slice(0, 6).join('|') === e.slice(0, 6).join('|') &&
      Math.abs(Number(g[6]) - Number(e[6])) <= 1e-4 && Math.abs(Number(g[7]) - Number(e[7])) <= 1e-9 * Number(e[7]) + 1e-9;
  })();
  counts[f[0]][same ? 0 : 1] += 1;
  if (!same && firstDifferences.length < 5) firstDifferences.push(`${line}\n  wasm: ${got}`);
}
console.log(`agreement: encode ${counts.E[0]} same, ${counts.E[1]} differ (5 lengths each); ` +
  `exact cells ${counts.X[0] + counts.A[0]} same, ${counts.X[1] + counts.A[1]} differ; ` +
  `decode ${counts.D[0]} same, ${counts.D[1]} differ; path ${counts.P[0]} same, ${counts.P[1]} differ`);
for (const d of firstDifferences) console.log(d);
process.exit(Object.values(counts).every((c) => c[1] === 0) && lines.length > 0 ? 0 : 1);
