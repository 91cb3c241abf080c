// What the page costs, in headless Chromium on this machine:
//  - first load, served as the README recommends (the build's brotli copies to a browser that
//    takes them): the bytes on the wire before the game's first title frame and for every file
//    of the site, the time from opening the page to that first frame and the main thread's
//    long tasks, over a few fresh browsers with an empty cache, then on an emulated slow phone
//    network;
//  - Lighthouse's mobile scores (performance, total blocking time, accessibility, best
//    practices, SEO), when KELDO_LIGHTHOUSE names its command-line script (./build.sh web-bench
//    installs it from npm);
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
import { spawn, spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { loadavg, tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launch, processTreeSeconds, serve, sleep } from '../../tools/web/Browser.mjs';

const pageDir = resolve(process.argv[2] || 'build-web');
const desktopBin = process.argv[3] ? resolve(process.argv[3]) : '';
const runs = Number(process.argv[4] || 5);
const kGoalTitleBytes = 900 * 1000;
const kGoalSiteBytes = 1.1 * 1000 * 1000;
const kGoalMs = 2000;
// Slow 3G as DevTools has it: 400 kbit/s down and up, 400 ms of latency.
const kSlow3g = { offline: false, latency: 400, downloadThroughput: 400 * 1000 / 8, uploadThroughput: 400 * 1000 / 8 };
const kSlowRuns = 2;
const kGoalSlowMs = 15_000;
const kLighthouseRuns = 3;
const kGoalPerformance = 90;
const kGoalBlockingMs = 300;
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
const kb = (n) => `${(n / 1000).toFixed(0)} kB`;
const missed = (ok) => (ok ? 'met' : 'MISSED');

console.log(`page benchmark, load average ${loadavg()[0].toFixed(2)} at the start`);

// ---- First load: fresh browsers, an empty cache, the page served with its brotli copies.
// The page's own count of its long tasks (over 50 ms of the main thread), from the start.
const kLongTasks = `window.keldoLongTasks = [];
  new PerformanceObserver((list) => {
    for (const task of list.getEntries()) window.keldoLongTasks.push([task.startTime, task.duration]);
  }).observe({ type: 'longtask', buffered: true });`;
// After the first title frame, the page is watched this long for what it still does.
const kSettleMs = 5000;
async function firstLoad(conditions) {
  const server = await serve(pageDir, { compressed: true });
  const browser = await launch();
  try {
    await browser.send('Page.enable');
    await browser.send('Page.addScriptToEvaluateOnNewDocument', { source: kLongTasks });
    await browser.send('Network.enable');
    await browser.send('Network.setCacheDisabled', { cacheDisabled: true });
    if (conditions) await browser.send('Network.emulateNetworkConditions', conditions);
    await browser.send('Page.navigate', { url: server.url });
    await browser.waitFor('window.keldoFirstFrameMs !== undefined', 300_000, 'the first frame');
    // What was asked for before the first title frame: files the page asks for once the title
    // shows are not the title's, however soon the server hears of them.
    const shownAt = await browser.evaluate('performance.timeOrigin + window.keldoFirstFrameMs');
    const before = server.log.filter((sent) => sent.at <= shownAt);
    // The main thread's blocking time as Lighthouse counts it (each long task's time over
    // 50 ms, from the first paint), here until the title has run a while, on this machine
    // without a slow-down; and the longest task.
    await sleep(kSettleMs);
    const tasks = await browser.evaluate('window.keldoLongTasks');
    const painted = await browser.evaluate(
      "(performance.getEntriesByName('first-contentful-paint')[0] || { startTime: 0 }).startTime");
    const blocking = tasks.filter(([start]) => start >= painted)
      .reduce((sum, [, duration]) => sum + Math.max(0, duration - 50), 0);
    return {
      blocking,
      longest: Math.max(0, ...tasks.map(([, duration]) => duration)),
      ms: await browser.evaluate('window.keldoFirstFrameMs'),
      sent: before.reduce((sum, sent) => sum + sent.bytes, 0),
      requests: before.map((sent) => `${sent.bytes} ${sent.path}`),
    };
  } finally {
    await browser.close();
    await server.close();
  }
}
const loads = [];
for (let i = 0; i < runs; i++) loads.push(await firstLoad());
// Every file of the site once, as a browser that takes brotli gets it.
const site = readdirSync(pageDir).filter((name) => !/\.(br|gz)$/.test(name)).reduce((sum, name) => {
  const file = join(pageDir, name);
  return sum + statSync(existsSync(`${file}.br`) ? `${file}.br` : file).size;
}, 0);
const titleBytes = median(loads.map((l) => l.sent));
const times = loads.map((l) => l.ms);
console.log(`first load, served with the build's brotli copies: ${runs} fresh browsers, empty cache`);
console.log(`  requests before the first title frame: ${loads[0].requests.join(', ')}`);
console.log(`  on the wire before the title is playable: ${kb(titleBytes)} ` +
            `(goal <= ${kb(kGoalTitleBytes)}: ${missed(titleBytes <= kGoalTitleBytes)})`);
console.log(`  every file of the site: ${kb(site)} (goal <= ${kb(kGoalSiteBytes)}: ${missed(site <= kGoalSiteBytes)})`);
console.log(`  the page's main thread, from opening it to ${kSettleMs / 1000} s after the title, at full speed: ` +
            `blocking time (long tasks' time over 50 ms, after the first paint) median ` +
            `${median(loads.map((l) => l.blocking)).toFixed(0)} ms, longest task median ` +
            `${median(loads.map((l) => l.longest)).toFixed(0)} ms`);
console.log(`  opening the page to the first title frame: median ${median(times).toFixed(0)} ms, ` +
            `max ${Math.max(...times).toFixed(0)} ms (goal < ${kGoalMs} ms: ${missed(median(times) < kGoalMs)})`);
const slow = [];
for (let i = 0; i < kSlowRuns; i++) slow.push((await firstLoad(kSlow3g)).ms);
console.log(`  on emulated slow 3G (400 kbit/s, 400 ms latency), load average ${loadavg()[0].toFixed(2)}: ` +
            `first title frame after ${slow.map((ms) => (ms / 1000).toFixed(1)).join(' s, ')} s ` +
            `(goal <= ${kGoalSlowMs / 1000} s: ${missed(Math.max(...slow) <= kGoalSlowMs)})`);

function spawnAsync(command, args, options) {
  return new Promise((resolve) => {
    const child = spawn(command, args, options);
    let stdout = '';
    let stderr = '';
    child.stdout.on('data', (d) => { stdout += d; });
    child.stderr.on('data', (d) => { stderr += d; });
    child.on('close', (status) => resolve({ status, stdout, stderr }));
  });
}

// ---- Lighthouse, as a phone (its default), against the same server and this Chromium.
const lighthouse = process.env.KELDO_LIGHTHOUSE;
if (lighthouse && existsSync(lighthouse)) {
  const server = await serve(pageDir, { compressed: true });
  const scores = [];
  try {
    for (let i = 0; i < kLighthouseRuns; i++) {
      const profile = mkdtempSync(join(tmpdir(), 'keldo-lighthouse-'));
      // Run alongside this process's server, which must go on answering meanwhile.
      const run = await spawnAsync('node', [lighthouse, server.url, '--output=json', '--output-path=stdout', '--quiet',
        `--chrome-flags=--headless=new --no-sandbox --disable-gpu --disable-background-networking ` +
        `--disable-component-update --disable-sync --no-first-run --user-data-dir=${profile}`],
      { env: { ...process.env, CHROME_PATH: '/usr/bin/chromium' } });
      rmSync(profile, { recursive: true, force: true });
      try {
        const report = JSON.parse(run.stdout);
        const score = (name) => Math.round(report.categories[name].score * 100);
        scores.push({ performance: score('performance'), blocking: report.audits['total-blocking-time'].numericValue,
                      a11y: score('accessibility'), practices: score('best-practices'), seo: score('seo') });
      } catch {
        console.log(`  Lighthouse run ${i + 1} failed: ${(run.stderr || '').trim().split('\n').pop()}`);
      }
    }
  } finally {
    await server.close();
  }
  if (scores.length) {
    const m = (key) => median(scores.map((s) => s[key]));
    console.log(`Lighthouse ${kLighthouseRuns} mobile runs, median, load average ${loadavg()[0].toFixed(2)}: ` +
                `performance ${m('performance')} (goal >= ${kGoalPerformance}: ${missed(m('performance') >= kGoalPerformance)}), ` +
                `total blocking time ${m('blocking').toFixed(0)} ms (goal <= ${kGoalBlockingMs}: ${missed(m('blocking') <= kGoalBlockingMs)}), ` +
                `accessibility ${m('a11y')}, best practices ${m('practices')}, SEO ${m('seo')} ` +
                `(goal 100 each: ${missed(m('a11y') === 100 && m('practices') === 100 && m('seo') === 100)}); ` +
                `all runs ${JSON.stringify(scores)}`);
  }
} else {
  console.log('Lighthouse: not run (KELDO_LIGHTHOUSE names no script; ./build.sh web-bench installs it)');
}

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
