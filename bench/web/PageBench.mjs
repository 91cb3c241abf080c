// What the page costs on first load: the bytes it transfers before the game's first frame,
// and the time from opening it to that first frame (the title), in headless Chromium with
// an empty cache, over a few fresh browsers.
//
//   node --experimental-websocket bench/web/PageBench.mjs PAGE_DIR [RUNS]
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';
import { loadavg } from 'node:os';
import { serve, launch } from '../../tools/web/Browser.mjs';

const pageDir = resolve(process.argv[2] || 'build-web');
const runs = Number(process.argv[3] || 5);
const kGoalBytes = 5 * 1024 * 1024;
const kGoalMs = 2000;

const bytes = [];
const times = [];
let requests = [];
for (let i = 0; i < runs; i++) {
  const server = await serve(pageDir);
  const browser = await launch();
  try {
    await browser.send('Network.enable');
    await browser.send('Network.setCacheDisabled', { cacheDisabled: true });
    await browser.send('Page.navigate', { url: server.url });
    await browser.waitFor('window.keldoFirstFrameMs !== undefined', 120_000, 'the first frame');
    times.push(await browser.evaluate('window.keldoFirstFrameMs'));
    bytes.push(server.sent);
    requests = server.requests;
  } finally {
    await browser.close();
    await server.close();
  }
}
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const mb = (n) => (n / 1024 / 1024).toFixed(2);
console.log(`page benchmark: ${runs} fresh headless Chromium runs, load average ${loadavg()[0].toFixed(2)}`);
console.log(`  requests before the first frame: ${requests.join(', ')}`);
console.log(`  transferred before the first frame: ${mb(median(bytes))} MB ` +
            `(goal <= ${mb(kGoalBytes)} MB${median(bytes) <= kGoalBytes ? '' : ': MISSED'})`);
const sizes = readdirSync(pageDir).filter((f) => statSync(join(pageDir, f)).isFile()).map((f) => {
  const body = readFileSync(join(pageDir, f));
  return `${f} ${(body.length / 1024).toFixed(0)} kB (gzip ${(gzipSync(body, { level: 9 }).length / 1024).toFixed(0)} kB)`;
});
console.log(`  files: ${sizes.join(', ')}`);
console.log(`  opening the page to the first title frame: median ${median(times).toFixed(0)} ms, ` +
            `max ${Math.max(...times).toFixed(0)} ms (goal < ${kGoalMs} ms${median(times) < kGoalMs ? '' : ': MISSED'})`);
