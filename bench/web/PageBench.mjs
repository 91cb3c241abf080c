// What the page costs, in headless Chromium on this machine:
//  - first load: the bytes transferred before the game's first frame (as served here, without
//    compression, and what the build's brotli and gzip copies weigh), and the time from opening
//    the page to that first frame, over a few fresh browsers with an empty cache;
//  - playing at 1280 x 800: game frames a second (the page counts game frames), the gaps
//    between them, and the processor time of the whole browser per game frame, on the still
//    title and in a game; beside it the desktop build's processor time per frame for the same
//    scenes in a window under Xvfb, measured in the same run;
//  - phones: the same game, holding right and attacking, with the processor slowed down as
//    DevTools emulates phones (1x, 2x, 4x a mid-range phone, 6x a low-end one): game steps a
//    second (the game's own speed, 60 in real time) and pictures shown a second (the page
//    counts both).
//
//   node --experimental-websocket bench/web/PageBench.mjs PAGE_DIR [DESKTOP_BIN] [RUNS]
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { loadavg, tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launch, processTreeSeconds, serve, sleep } from '../../tools/web/Browser.mjs';

const pageDir = resolve(process.argv[2] || 'build-web');
const desktopBin = process.argv[3] ? resolve(process.argv[3]) : '';
const runs = Number(process.argv[4] || 5);
const kGoalBytes = 5 * 1024 * 1024;
const kGoalBrotliBytes = 1.5 * 1024 * 1024;
const kGoalMs = 2000;
const kGoalFramesPerSecond = 57;
const kGoalTitleCore = 0.05;
const kFrameMs = 1000 / 60;
const kTitleSeconds = 10;
const kPlaySeconds = 15;
const kThrottleSeconds = 15;
// CPU slow-down: at least this many game steps and pictures shown a second.
const kPhones = [
  { rate: 1, steps: 59, shown: 57 },
  { rate: 2, steps: 59, shown: 0 },
  { rate: 4, steps: 58.5, shown: 30 },
  { rate: 6, steps: 57, shown: 15 },
];

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const percentile = (xs, p) => [...xs].sort((a, b) => a - b)[Math.min(xs.length - 1, Math.floor(xs.length * p))];
const mb = (n) => (n / 1024 / 1024).toFixed(2);
const missed = (ok) => (ok ? 'met' : 'MISSED');

console.log(`page benchmark, load average ${loadavg()[0].toFixed(2)} at the start`);

// ---- First load.
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
const before = requests.map((r) => r.split(' ')[1].split('?')[0]);
const weigh = (suffix) => before.reduce((sum, path) => {
  const file = join(pageDir, path === '/' ? 'index.html' : path);
  return sum + statSync(existsSync(file + suffix) ? file + suffix : file).size;
}, 0);
const brotli = weigh('.br');
console.log(`first load: ${runs} fresh browsers, empty cache`);
console.log(`  requests before the first frame: ${requests.join(', ')}`);
console.log(`  transferred before the first frame: ${mb(median(bytes))} MB as served here, uncompressed ` +
            `(goal <= ${mb(kGoalBytes)} MB: ${missed(median(bytes) <= kGoalBytes)})`);
console.log(`  with the build's compressed copies: brotli ${mb(brotli)} MB ` +
            `(goal <= ${mb(kGoalBrotliBytes)} MB: ${missed(brotli <= kGoalBrotliBytes)}), gzip ${mb(weigh('.gz'))} MB`);
console.log(`  opening the page to the first title frame: median ${median(times).toFixed(0)} ms, ` +
            `max ${Math.max(...times).toFixed(0)} ms (goal < ${kGoalMs} ms: ${missed(median(times) < kGoalMs)})`);

// ---- Playing in the page.
async function measure(browser, seconds) {
  await browser.evaluate('window.keldoFrameTimes = []');
  const frames0 = await browser.evaluate('window.keldoFrames');
  const shown0 = await browser.evaluate('window.keldoShown');
  const cpu0 = processTreeSeconds(browser.pid);
  const start = Date.now();
  await sleep(seconds * 1000);
  const wall = (Date.now() - start) / 1000;
  const cpu1 = processTreeSeconds(browser.pid);
  const frames = (await browser.evaluate('window.keldoFrames')) - frames0;
  const shown = (await browser.evaluate('window.keldoShown')) - shown0;
  const stamps = await browser.evaluate('window.keldoFrameTimes');
  const gaps = stamps.slice(1).map((t, i) => t - stamps[i]);
  const byKind = Object.entries(cpu1.byKind)
    .map(([kind, s]) => [kind, (s - (cpu0.byKind[kind] || 0)) * 1000 / Math.max(1, frames)])
    .filter(([, ms]) => ms >= 0.05)
    .map(([kind, ms]) => `${kind} ${ms.toFixed(2)}`).join(', ');
  return {
    rate: frames / wall,
    shownRate: shown / wall,
    cpuPerShownMs: ((cpu1.total - cpu0.total) * 1000) / Math.max(1, shown),
    cpuPerFrameMs: ((cpu1.total - cpu0.total) * 1000) / Math.max(1, frames),
    core: (cpu1.total - cpu0.total) / wall,
    byKind,
    gapMedian: gaps.length ? median(gaps) : NaN,
    gapP95: gaps.length ? percentile(gaps, 0.95) : NaN,
  };
}
const server = await serve(pageDir);
const browser = await launch({ width: 1280, height: 800 });
let title;
let play;
let renderer = '';
try {
  await browser.send('Page.navigate', { url: server.url });
  await browser.waitFor('(window.keldoFrames || 0) >= 120', 120_000, 'two seconds of the title');
  renderer = await browser.evaluate('JSON.stringify(window.keldoDrawing)');
  title = await measure(browser, kTitleSeconds);
  // A game as a player plays it: running right and left, changing lines, attacking.
  await browser.key('Space', ' ', 32);
  await sleep(1000);
  const held = (code, key, keyCode, ms) => browser.key(code, key, keyCode, ms);
  const playing = measure(browser, kPlaySeconds);
  const until = Date.now() + kPlaySeconds * 1000;
  for (let i = 0; Date.now() < until; i++) {
    await held(i % 2 ? 'ArrowLeft' : 'ArrowRight', i % 2 ? 'ArrowLeft' : 'ArrowRight', i % 2 ? 37 : 39, 700);
    await held('KeyZ', 'z', 90, 80);
    await held(i % 3 ? 'ArrowUp' : 'ArrowDown', i % 3 ? 'ArrowUp' : 'ArrowDown', i % 3 ? 38 : 40, 80);
    await held('KeyZ', 'z', 90, 80);
    if (i % 4 === 3) await held('Space', ' ', 32, 80);
  }
  play = await playing;
  // Holding right, attacking every quarter of a second, and Space now and then to start again
  // after a lost game.
  const right = { code: 'ArrowRight', key: 'ArrowRight', windowsVirtualKeyCode: 39, nativeVirtualKeyCode: 39 };
  for (const phone of kPhones) {
    await browser.send('Emulation.setCPUThrottlingRate', { rate: phone.rate });
    await browser.send('Input.dispatchKeyEvent', { type: 'keyDown', ...right });
    await sleep(1000);
    const before = await browser.evaluate('[window.keldoFrames, window.keldoShown]');
    const start = Date.now();
    for (let i = 0; Date.now() - start < kThrottleSeconds * 1000; i++) {
      await held('KeyZ', 'z', 90, 80);
      if (i % 16 === 15) await held('Space', ' ', 32, 80);
      await sleep(170);
    }
    const after = await browser.evaluate('[window.keldoFrames, window.keldoShown]');
    const wall = (Date.now() - start) / 1000;
    await browser.send('Input.dispatchKeyEvent', { type: 'keyUp', ...right });
    phone.stepRate = (after[0] - before[0]) / wall;
    phone.shownRate = (after[1] - before[1]) / wall;
    phone.load = loadavg()[0];
  }
  await browser.send('Emulation.setCPUThrottlingRate', { rate: 1 });
} finally {
  await browser.close();
  await server.close();
}

// ---- The desktop build, the same scenes, in a window under Xvfb.
function desktop(script, frames) {
  const folder = mkdtempSync(join(tmpdir(), 'keldo-bench-'));
  writeFileSync(join(folder, 'script.txt'), script);
  const run = spawnSync('xvfb-run', ['-a', '-s', '-screen 0 1280x800x24', 'bash', '-c',
                                     `"${desktopBin}/keldo" >/dev/null 2>&1; times`], {
    env: { ...process.env, TOLVEX_FRAMES: String(frames), TOLVEX_INPUT: join(folder, 'script.txt'),
           TOLVEX_SAVE_DIR: folder, TOLVEX_SEED: '1' },
    encoding: 'utf8',
  });
  rmSync(folder, { recursive: true, force: true });
  // `times`: the shell's own, then its children's user and system time, as 0m1.234s.
  const line = (run.stdout || '').trim().split('\n').pop() || '';
  const seconds = [...line.matchAll(/(\d+)m([\d.]+)s/g)].reduce((sum, m) => sum + Number(m[1]) * 60 + Number(m[2]), 0);
  return seconds > 0 ? (seconds * 1000) / frames : NaN;
}
let desktopTitle = NaN;
let desktopPlay = NaN;
if (desktopBin && existsSync(join(desktopBin, 'keldo'))) {
  desktopTitle = desktop('', 600);
  // Space, then runs, line changes and attacks much like the page's game above (a script line
  // is a frame and the pad buttons down from then on: 0 Space, 2 Z, 12 to 15 the arrows).
  let script = '30 0\n32\n';
  for (let f = 60, i = 0; f < 960; f += 60, i++) {
    const run = i % 2 ? 12 : 13;
    const line = i % 3 ? 14 : 15;
    script += `${f} ${run}\n${f + 42} 2\n${f + 47}\n${f + 50} ${line}\n${f + 55} 2\n${f + 58}\n`;
  }
  desktopPlay = desktop(script, 960);
}

const row = (what, page, desk, goal) => console.log(
  `  ${what.padEnd(8)} ${page.rate.toFixed(1).padStart(5)} frames/s (${page.shownRate.toFixed(1)} pictures shown/s` +
  `${page.shownRate > 0 ? `, ${page.cpuPerShownMs.toFixed(2)} ms of browser CPU a picture shown` : ': a still picture'}), gaps median ${page.gapMedian.toFixed(1)} ms ` +
  `p95 ${page.gapP95.toFixed(1)} ms; browser ${page.cpuPerFrameMs.toFixed(2)} ms a frame ` +
  `(${(page.core * 100).toFixed(1)} % of a core: ${page.byKind}) | desktop ${Number.isNaN(desk) ? 'not run' : desk.toFixed(2) + ' ms a frame'}${goal}`);
console.log(`playing in the page at 1280 x 800 (${renderer}), load average ${loadavg()[0].toFixed(2)}:`);
row('title', title, desktopTitle,
    ` (goal <= ${kGoalTitleCore * 100} % of a core: ${missed(title.cpuPerFrameMs <= kGoalTitleCore * kFrameMs)} by the time a frame costs)`);
row('playing', play, desktopPlay,
    ` (goal >= ${kGoalFramesPerSecond} frames/s: ${missed(play.rate >= kGoalFramesPerSecond)})`);

console.log(`phones: playing (holding right, attacking) at 1280 x 800 with the processor slowed down, ` +
            `${kThrottleSeconds} s each:`);
console.log('| CPU slow-down | game steps/s | share of real time | pictures shown/s | load average |');
console.log('|---|---|---|---|---|');
for (const p of kPhones) {
  const shownGoal = p.shown ? ` (goal >= ${p.shown}: ${missed(p.shownRate >= p.shown)})` : '';
  console.log(`| ${p.rate}x | ${p.stepRate.toFixed(1)} (goal >= ${p.steps}: ${missed(p.stepRate >= p.steps)}) | ` +
              `${(p.stepRate / 60 * 100).toFixed(1)} % | ${p.shownRate.toFixed(1)}${shownGoal} | ${p.load.toFixed(2)} |`);
}
