// The page on touch screens, in headless Chromium emulating phones and tablets: the touch
// controls show, beside or below the picture and never over it, in every orientation; a game
// started, run, lines changed and attacks made by touch (two fingers at once) reach the library
// as pad-0 buttons, so that its recording of them, replayed under node, plays the same frames
// as the page did; a tap starts the sound; a tap on the pause menu's Resume ends a pause. Until
// hop is first pressed, the page says over that button that it starts the game.
//
//   node --experimental-websocket tests/web/TouchTest.mjs PAGE_DIR WEB_BIN OUT_DIR
import { spawnSync } from 'node:child_process';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { collectErrors, launch, serve, sleep, testPaths, verdicts } from '../../tools/web/Browser.mjs';

const [pageDir, webBin, outDir] = testPaths('TouchTest.mjs PAGE_DIR WEB_BIN OUT_DIR');
mkdirSync(outDir, { recursive: true });
// Bounds a failure only: the game on a busy machine may take long to start.
const kStartMs = 90_000;

const { check, failed, finish } = verdicts('touch test');

const devices = [
  { name: 'phone-landscape', width: 844, height: 390, scale: 3 },
  { name: 'phone-portrait', width: 390, height: 844, scale: 3 },
  { name: 'tablet-landscape', width: 1180, height: 820, scale: 2 },
  { name: 'tablet-portrait', width: 820, height: 1180, scale: 2 },
];

const server = await serve(pageDir);
const browser = await launch();
const errors = collectErrors(browser);
const rectOf = async (selector) => JSON.parse(await browser.evaluate(
  `JSON.stringify(document.querySelector('${selector}').getBoundingClientRect())`));
const centre = (r, dx = 0, dy = 0) => ({ x: r.x + r.width * (0.5 + dx), y: r.y + r.height * (0.5 + dy) });
const overlaps = (a, b) => a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
const inside = (a, w, h) => a.x >= 0 && a.y >= 0 && a.x + a.width <= w + 0.5 && a.y + a.height <= h + 0.5;
const open = async (setUp = '') => {
  await browser.send('Page.navigate', { url: server.url });
  await browser.waitFor('(window.keldoFrames || 0) >= 30', kStartMs, 'the title');
  if (setUp) await browser.evaluate(setUp);
};

try {
  await browser.send('Runtime.enable');
  await browser.send('Page.enable');
  await browser.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });

  for (const device of devices) {
    await browser.send('Emulation.setDeviceMetricsOverride', {
      width: device.width, height: device.height, deviceScaleFactor: device.scale, mobile: true,
    });
    await open();
    const shown = await browser.evaluate("document.body.classList.contains('touch')");
    const screen = await rectOf('#screen');
    const line = await rectOf('#controls');
    const controls = [await rectOf('#stick'), await rectOf('#hop'), await rectOf('#attack')];
    const menuButton = await rectOf('#pause');
    const prompt = await rectOf('#touch-start');
    const hopBox = controls[1];
    const pointsAtHop = prompt.height > 0 && prompt.bottom <= hopBox.y + 1 && prompt.bottom >= hopBox.y - 40 &&
      prompt.x >= hopBox.x - 1 && prompt.x + prompt.width <= hopBox.x + hopBox.width + 1;
    const buffer = await browser.evaluate('[canvas.width, canvas.height].join(" x ")');
    const clear = (c) => inside(c, device.width, device.height) && !overlaps(c, screen) && !overlaps(c, line);
    const placed = controls.every((c) => c.width >= 50 && clear(c)) && clear(menuButton);
    check(pointsAtHop && clear(prompt) && ![controls[0], controls[2], menuButton].some((c) => overlaps(prompt, c)),
          `${device.name}: "${await browser.evaluate("document.getElementById('touch-start').textContent")}" ` +
          'shows over the hop button, beside the picture and clear of the other controls and the menu button');
    check(shown && placed && Math.abs(screen.width / screen.height - 16 / 9) < 0.01 &&
          inside(screen, device.width, device.height) && inside(line, device.width, device.height) &&
          buffer === '1600 x 900',
          `${device.name} ${device.width} x ${device.height} at ${device.scale}x: touch controls ` +
          `beside or below the ${screen.width.toFixed(0)} x ${screen.height.toFixed(0)} picture, ` +
          `nothing over it or outside, the whole picture drawn (${buffer})`);
    const shot = await browser.send('Page.captureScreenshot', { format: 'png' });
    writeFileSync(join(outDir, `${device.name}.png`), Buffer.from(shot.data, 'base64'));
  }

  // Played by touch on a phone held sideways, with the library recording what it takes.
  await browser.send('Emulation.setDeviceMetricsOverride', { width: 844, height: 390, deviceScaleFactor: 3, mobile: true });
  await browser.send('Page.addScriptToEvaluateOnNewDocument', {
    source: `window.keldoSetUp = (Module) => {
      Module.ENV.TOLVEX_RECORD = '/tmp/touch.rec';
      Module.ENV.TOLVEX_TRACE = '/tmp/touch.trace';
    };`,
  });
  await open();
  const stick = await rectOf('#stick');
  const hop = centre(await rectOf('#hop'));
  const attack = centre(await rectOf('#attack'));
  const frames = () => browser.evaluate('window.keldoFrames');
  const waitFrames = async (n, what) => {
    const from = await frames();
    await browser.waitFor(`window.keldoFrames >= ${from + n}`, kStartMs, what);
  };
  const audioBefore = await browser.evaluate('Module.SDL2.audioContext.state');
  await browser.touch('touchStart', [{ id: 1, ...hop }]);
  await sleep(120);
  await browser.touch('touchEnd');
  await waitFrames(60, 'the game after a tap on hop');
  const audioAfter = await browser.evaluate('Module.SDL2.audioContext.state');
  check(await browser.evaluate("document.getElementById('touch-start').hidden"),
        'the prompt to start goes once hop is pressed');
  check(audioBefore !== 'running' && audioAfter === 'running',
        `a tap starts the sound (audio ${audioBefore} before, ${audioAfter} after)`);
  const right = { id: 1, ...centre(stick, 0.4, 0) };
  await browser.touch('touchStart', [right]);
  await waitFrames(20, 'running right');
  await browser.touch('touchStart', [right, { id: 2, ...attack }]);  // a second finger
  await waitFrames(10, 'attacking while running');
  await browser.touch('touchEnd');
  await waitFrames(10, 'letting go');
  await browser.touch('touchStart', [{ id: 1, ...centre(stick, 0, -0.4) }]);
  await waitFrames(10, 'changing line');
  await browser.touch('touchMove', [{ id: 1, ...centre(stick, 0, 0) }]);
  await waitFrames(10, 'standing');
  await browser.touch('touchEnd');
  await waitFrames(30, 'the frames after');

  const recording = await browser.evaluate("Module.FS.readFile('/tmp/touch.rec', { encoding: 'utf8' })");
  const trace = await browser.evaluate("Module.FS.readFile('/tmp/touch.trace', { encoding: 'utf8' })");
  writeFileSync(join(outDir, 'touch.rec'), recording);
  const held = recording.split('\n').filter((l) => /^\d/.test(l)).map((l) => l.trim().split(/\s+/).slice(1).map(Number));
  const ever = (...buttons) => held.some((down) => buttons.every((b) => down.includes(b)));
  check(ever(0) && ever(13) && ever(13, 2) && ever(14),
        `the library recorded hop, run, run and attack at once, and a line change by touch (${held.length} changes)`);
  check(!(await browser.evaluate("document.querySelector('#hint').hidden === false")), 'no pause hint while playing');

  // The recording replays under node, headless, frame for frame as the page played it.
  const last = Number((trace.match(/^frame (\d+)$/gm) || ['frame 0']).pop().split(' ')[1]);
  // Without the frame-rate figure, which a paced page and an unpaced replay read differently,
  // and the pictures the page skipped, which change no game.
  const upTo = (text, frame) => text.slice(0, text.indexOf(`frame ${frame}\n`) + `frame ${frame}\n`.length)
    .split('\n').filter((line) => line !== 'skip' && !/^draw font_128_64\.vstex( \d+){4} \d+ 150 30 60 /.test(line)).join('\n');
  const replay = spawnSync('node', [join(webBin, 'keldo-node.js')], {
    env: { ...process.env, TOLVEX_HEADLESS: 'null', TOLVEX_INPUT: join(outDir, 'touch.rec'),
           TOLVEX_FRAMES: String(last), TOLVEX_TRACE: join(outDir, 'touch-replay.trace') },
    encoding: 'utf8',
  });
  writeFileSync(join(outDir, 'touch.trace'), trace);
  let replayed = '';
  try {
    replayed = readFileSync(join(outDir, 'touch-replay.trace'), 'utf8');
  } catch {
    // Reported below.
  }
  check(last > 100 && upTo(replayed, last - 1) === upTo(trace, last - 1),
        `the touch recording replays under node as the page played it (${last - 1} frames${replay.status ? `; node: ${replay.stderr.trim()}` : ''})`);

  // A tap on the menu's Resume (its first row, 318 of the picture's 900 down) ends a pause.
  await browser.evaluate("window.dispatchEvent(new Event('blur'))");
  await browser.waitFor('window.keldoPaused === true', 10_000, 'the pause');
  const hint = await browser.evaluate("document.querySelector('#hint').hidden === false");
  const screenRect = await rectOf('#screen');
  await browser.touch('touchStart', [{ id: 3, ...centre(screenRect, 0, 318 / 900 - 0.5) }]);
  await sleep(80);
  await browser.touch('touchEnd');
  const resumed = await browser.waitFor('window.keldoPaused === false', 10_000, 'the end of the pause').catch(() => false);
  check(hint && resumed === true, 'a pause shows how to go on, and a tap on the menu\'s Resume goes on');
  check(errors.length === 0, `no errors logged${errors.length ? ':\n       ' + errors.join('\n       ') : ''}`);
} catch (error) {
  failed(error, errors);
} finally {
  await browser.close();
  await server.close();
}
finish();
