// Playing offline: after one visit the page starts with its server gone, from the copy that its
// service worker keeps under the build's version; a new build served at the same address
// replaces that copy, leaving none of the old one.
//
//   node --experimental-websocket tests/web/OfflineTest.mjs PAGE_DIR OUT_DIR
import { cpSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { launch, serve, testPaths, verdicts } from '../../tools/web/Browser.mjs';

const [pageDir, outDir] = testPaths('OfflineTest.mjs PAGE_DIR OUT_DIR');
const kStartMs = 90_000;

const { check, failed, finish } = verdicts('offline test');

let server = await serve(pageDir);
const port = server.port;
const browser = await launch();
const kept = `caches.keys().then((names) => Promise.all(names.map((name) =>
  caches.open(name).then((cache) => cache.keys()).then((requests) => name + ':' + requests.length))))`;
const open = async (url) => {
  await browser.send('Page.navigate', { url });
  await browser.waitFor('(window.keldoFrames || 0) >= 30', kStartMs, 'the title');
};
try {
  await browser.send('Page.enable');
  await open(server.url);
  const version = await browser.evaluate('window.keldoBuild.version');
  const files = (readFileSync(join(pageDir, 'sw.js'), 'utf8').match(/\?v=/g) || []).length + 1;
  await browser.waitFor(`${kept}.then((k) => k.includes('keldo-${version}:${files}'))`, kStartMs,
                        'the offline copy');

  await server.close();
  const gone = await browser.evaluate("fetch('/not-kept', { cache: 'no-store' }).then(() => false, () => true)");
  await open(server.url);
  check(gone && await browser.evaluate(`window.keldoBuild.version === '${version}'`),
        `with the server gone, the page starts from its offline copy (${files} files, version ${version})`);

  // A new build at the same address: the same program under another version.
  const next = join(outDir, 'next-build');
  cpSync(pageDir, next, { recursive: true });
  const newVersion = `${version.slice(0, 6)}nextbd`;
  for (const name of ['index.html', 'sw.js', 'manifest.webmanifest']) {
    const path = join(next, name);
    writeFileSync(path, readFileSync(path, 'utf8').replaceAll(version, newVersion));
  }
  server = await serve(next, { port });
  await open(server.url);
  const replaced = await browser.waitFor(
    `${kept}.then((k) => k.length === 1 && k[0] === 'keldo-${newVersion}:${files}' && k)`, kStartMs,
    'the new build to replace the old copy').catch(() => null);
  check(replaced && await browser.evaluate(`window.keldoBuild.version === '${newVersion}'`),
        `a new build replaces the old copy (kept: ${replaced || await browser.evaluate(kept)})`);
} catch (error) {
  failed(error);
} finally {
  await browser.close();
  await server.close();
}
finish();
