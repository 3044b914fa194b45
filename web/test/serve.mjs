// Serves the built site to the tests and the benchmark from a free local
// port, each file with its content type, gzipped when the browser asks, as
// any real server sends it (the benchmark's slow link carries those bytes).
import { createReadStream } from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { createGzip } from 'node:zlib';

const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.json': 'application/json', '.png': 'image/png', '.svg': 'image/svg+xml', '.webmanifest': 'application/manifest+json' };

// {site, server}: the site's address and the server, to stop it.
export async function serve(root) {
  const server = http.createServer((req, res) => {
    const file = path.join(root, decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/\/$/, '/index.html'));
    if (!file.startsWith(root)) return res.writeHead(403).end();
    const type = kTypes[path.extname(file)] || 'application/octet-stream';
    const gzip = /\bgzip\b/.test(req.headers['accept-encoding'] || '') && type !== 'image/png';
    res.writeHead(200, { 'Content-Type': type, ...(gzip ? { 'Content-Encoding': 'gzip' } : {}) });
    const body = createReadStream(file).on('error', () => res.end());
    (gzip ? body.pipe(createGzip({ level: 9 })) : body).pipe(res);
  }).listen(0, '127.0.0.1');
  await new Promise((r) => server.on('listening', r));
  return { site: `http://127.0.0.1:${server.address().port}/`, server };
}
