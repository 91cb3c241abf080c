// Puts the page together from its sources and the build's program: every file the page loads
// is named with the build's version (a hash of their contents), so that no cache ever mixes
// two builds; the page learns each file's size for its progress bar and its check that nothing
// came cut short; the service worker lists what to keep for offline play; large files get a
// brotli and a gzip copy beside them, for servers that send those as they are.
// The program starts with the title's files (keldo.data); every other file of the page's Data
// folder goes into keldo-more.data, whose contents the page learns here. The page's script is
// minified and its style written into the page, so that neither holds up the first paint.
//
//   node web/MakePage.mjs OUT_DIR SOURCE_DIR BIN_DIR PICTURES_DIR DATA_DIR TITLE_FILES
// (TITLE_FILES: the names packed into keldo.data, separated by commas.)
import { createHash } from 'node:crypto';
import { existsSync, mkdirSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { brotliCompressSync, constants, gzipSync } from 'node:zlib';

// Debian's node-terser, from NODE_PATH (its own modules are found there too: the build sets it
// to where Debian keeps node's modules).
const moduleDirs = [...(process.env.NODE_PATH || '').split(':').filter(Boolean), '/usr/share/nodejs'];
const terserDir = moduleDirs.map((dir) => join(dir, 'terser')).find((dir) => existsSync(dir));
if (!terserDir) {
  console.error('MakePage.mjs: terser not found; install the Debian package node-terser');
  process.exit(1);
}
const { minify } = createRequire(import.meta.url)(terserDir);

const [out, source, bin, pictures, data, titleFiles] = process.argv.slice(2);
if (!titleFiles) {
  console.error('usage: MakePage.mjs OUT_DIR SOURCE_DIR BIN_DIR PICTURES_DIR DATA_DIR TITLE_FILES');
  process.exit(2);
}
// Below a kilobyte a compressed copy saves less than a packet; the page and its script are
// above it, and on a slow line every kilobyte before the title counts. The pictures are
// compressed already.
const kCompressFrom = 1024;
const kCompressed = /\.(png|ico)$/;

const program = ['keldo.js', 'keldo.wasm', 'keldo.data'];
const copied = [
  ...program.map((name) => [join(bin, name), name]),
  [join(pictures, 'icon-192.png'), 'icon-192.png'],
  [join(pictures, 'icon-512.png'), 'icon-512.png'],
  [join(pictures, 'favicon.ico'), 'favicon.ico'],
];
const templates = ['index.html', 'sw.js', 'manifest.webmanifest'];

// Every file is read once: its bytes are hashed, written, sized and compressed from there.
const files = new Map(copied.map(([from, name]) => [name, readFileSync(from)]));

// The rest of the Data folder, one file after the other, in name order.
const title = new Set(titleFiles.split(','));
const more = readdirSync(data).filter((name) => !title.has(name)).sort()
  .map((name) => [name, readFileSync(join(data, name))]);
files.set('keldo-more.data', Buffer.concat(more.map(([, bytes]) => bytes)));
program.push('keldo-more.data');
copied.push([null, 'keldo-more.data']);

const script = await minify(readFileSync(join(source, 'page.js'), 'utf8'), { ecma: 2020 });
files.set('page.js', Buffer.from(script.code));
copied.push([null, 'page.js']);
// Comments and the spaces around punctuation go; the rules stay as written.
const style = readFileSync(join(source, 'page.css'), 'utf8')
  .replace(/\/\*[\s\S]*?\*\//g, '')
  .replace(/\s+/g, ' ')
  .replace(/\s*([{};,>:])\s*/g, '$1')
  .replace(/;}/g, '}')
  .trim();
const sources = new Map(templates.map((name) => [name, readFileSync(join(source, name))]));
const hash = createHash('sha256');
for (const bytes of files.values()) hash.update(bytes);
for (const bytes of sources.values()) hash.update(bytes);
hash.update(style);
const version = hash.digest('hex').slice(0, 12);

const sizes = Object.fromEntries(program.map((name) => [name, files.get(name).length]));
const keep = ['./', ...copied.map(([, name]) => `${name}?v=${version}`),
              `manifest.webmanifest?v=${version}`];
const fill = (name, values) => {
  let text = sources.get(name).toString('utf8');
  for (const [key, value] of Object.entries(values)) text = text.replaceAll(`@${key}@`, value);
  files.set(name, Buffer.from(text));
};
const moreFiles = more.map(([name, bytes]) => [name, bytes.length]);
fill('index.html', { VERSION: version, STYLE: style,
                     BUILD: JSON.stringify({ version, files: sizes, more: moreFiles }) });
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
