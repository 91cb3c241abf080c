// Puts the page together from its sources and the build's program: every file the page loads
// is named with the build's version (a hash of their contents), so that no cache ever mixes
// two builds; the page learns each file's size for its progress bar and its check that nothing
// came cut short; the service worker lists what to keep for offline play; large files get a
// brotli and a gzip copy beside them, for servers that send those as they are.
//
//   node web/MakePage.mjs OUT_DIR SOURCE_DIR BIN_DIR PICTURES_DIR
import { createHash } from 'node:crypto';
import { mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { brotliCompressSync, constants, gzipSync } from 'node:zlib';

const [out, source, bin, pictures] = process.argv.slice(2);
if (!pictures) {
  console.error('usage: MakePage.mjs OUT_DIR SOURCE_DIR BIN_DIR PICTURES_DIR');
  process.exit(2);
}
// Smaller files gain too little from a compressed copy to be worth a second file, and the
// pictures are compressed already.
const kCompressFrom = 16 * 1024;
const kCompressed = /\.(png|ico)$/;

const program = ['keldo.js', 'keldo.wasm', 'keldo.data'];
const copied = [
  ...program.map((name) => [join(bin, name), name]),
  [join(source, 'page.css'), 'page.css'],
  [join(source, 'page.js'), 'page.js'],
  [join(pictures, 'icon-192.png'), 'icon-192.png'],
  [join(pictures, 'icon-512.png'), 'icon-512.png'],
  [join(pictures, 'favicon.ico'), 'favicon.ico'],
];
const templates = ['index.html', 'sw.js', 'manifest.webmanifest'];

// Every file is read once: its bytes are hashed, written, sized and compressed from there.
const files = new Map(copied.map(([from, name]) => [name, readFileSync(from)]));
const sources = new Map(templates.map((name) => [name, readFileSync(join(source, name))]));
const hash = createHash('sha256');
for (const bytes of files.values()) hash.update(bytes);
for (const bytes of sources.values()) hash.update(bytes);
const version = hash.digest('hex').slice(0, 12);

const sizes = Object.fromEntries(program.map((name) => [name, files.get(name).length]));
const keep = ['./', ...copied.map(([, name]) => `${name}?v=${version}`),
              `manifest.webmanifest?v=${version}`];
const fill = (name, values) => {
  let text = sources.get(name).toString('utf8');
  for (const [key, value] of Object.entries(values)) text = text.replaceAll(`@${key}@`, value);
  files.set(name, Buffer.from(text));
};
fill('index.html', { VERSION: version, BUILD: JSON.stringify({ version, files: sizes }) });
fill('sw.js', { VERSION: version, FILES: JSON.stringify(keep, null, 2) });
fill('manifest.webmanifest', { VERSION: version });

rmSync(out, { recursive: true, force: true });
mkdirSync(out, { recursive: true });
for (const [name, body] of files) {
  writeFileSync(join(out, name), body);
  if (body.length < kCompressFrom || kCompressed.test(name)) continue;
  writeFileSync(join(out, `${name}.gz`), gzipSync(body, { level: 9 }));
  writeFileSync(join(out, `${name}.br`), brotliCompressSync(body, {
    params: { [constants.BROTLI_PARAM_QUALITY]: 11, [constants.BROTLI_PARAM_SIZE_HINT]: body.length },
  }));
}
console.log(`the page, version ${version}, is in ${out}`);
