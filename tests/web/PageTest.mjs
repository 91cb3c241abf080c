// The page in headless Chromium: the title appears, Space starts a game whose scene shows,
// sound runs after that first key, the picture keeps 16:9 without scrollbars, F11 toggles
// fullscreen, and nothing is logged as an error.
//
//   node --experimental-websocket tests/web/PageTest.mjs PAGE_DIR REFERENCE_DIR OUT_DIR
//
// REFERENCE_DIR holds title.png and game.png: the same scenes drawn by the node-run program,
// headless, at full size. The screenshots the test takes are left in OUT_DIR.
import { writeFileSync, readFileSync, mkdirSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { serve, launch, collectErrors, decodePng, cells, difference, sleep } from '../../tools/web/Browser.mjs';

const [pageDir, referenceDir, outDir] = process.argv.slice(2).map((p) => p && resolve(p));
if (!outDir) {
  console.error('usage: PageTest.mjs PAGE_DIR REFERENCE_DIR OUT_DIR');
  process.exit(2);
}
mkdirSync(outDir, { recursive: true });

// A shown scene is the reference scaled down and filtered: cells of the two differ a little.
// The game's stage is laid out at random (the page has no seed), so its trees and rocks stand
// elsewhere than in the reference: a looser bound. Far apart means another picture (black, the
// wrong scene, a broken layout): the title and the game differ by about 120.
const kSameScene = 12;
const kSameStage = 30;
const kOtherScene = 40;
// The game on a machine this slow or busy may take long to start; these only bound a failure.
const kStartMs = 90_000;

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

const server = await serve(pageDir);
const browser = await launch();
const errors = collectErrors(browser);
try {
  await browser.send('Runtime.enable');
  await browser.send('Log.enable');
  await browser.send('Page.enable');
  await browser.send('Page.navigate', { url: server.url });
  await browser.waitFor('(window.keldoFrames || 0) >= 60', kStartMs, 'the first second of frames');

  const layout = JSON.parse(await browser.evaluate(`JSON.stringify((() => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    const line = document.getElementById('controls').getBoundingClientRect();
    const root = document.documentElement;
    return { w: r.width, h: r.height, bottom: line.bottom, viewW: innerWidth, viewH: innerHeight,
             scrollW: root.scrollWidth, scrollH: root.scrollHeight,
             canvasW: document.getElementById('canvas').width };
  })())`));
  check(Math.abs(layout.w / layout.h - 16 / 9) < 0.01, `the picture keeps 16:9 (${layout.w} x ${layout.h})`);
  check(layout.scrollW <= layout.viewW && layout.scrollH <= layout.viewH,
        `no scrollbars (content ${layout.scrollW} x ${layout.scrollH} in ${layout.viewW} x ${layout.viewH})`);
  check(layout.bottom <= layout.viewH, 'the controls line is inside the window');
  check(Math.abs(layout.canvasW - layout.w) <= 1, `the canvas draws at the size it is shown (${layout.canvasW} px)`);

  const before = await browser.evaluate('Module.SDL2 && Module.SDL2.audioContext && Module.SDL2.audioContext.state');
  console.log(`     audio before any key: ${before}`);

  const titleShot = await browser.canvasShot();
  writeFileSync(join(outDir, 'page-title.png'), titleShot);
  const title = cells(decodePng(titleShot));
  const titleRef = cells(decodePng(readFileSync(join(referenceDir, 'title.png'))));
  const gameRef = cells(decodePng(readFileSync(join(referenceDir, 'game.png'))));
  const titleDiff = difference(title, titleRef);
  check(titleDiff < kSameScene, `the title appears (difference ${titleDiff.toFixed(1)} from the title drawn headless)`);

  const framesBefore = await browser.evaluate('window.keldoFrames');
  await browser.key('Space', ' ', 32);
  const pressedAt = Date.now();
  await browser.waitFor(`window.keldoFrames >= ${framesBefore + 120}`, kStartMs, 'two seconds of the game');
  const rate = (await browser.evaluate('window.keldoFrames') - framesBefore) / ((Date.now() - pressedAt) / 1000);
  const gl = await browser.evaluate('typeof GLctx !== "undefined" && GLctx ? "WebGL" : "software"');
  console.log(`     the game runs at ${rate.toFixed(1)} frames/s here, drawn with ${gl}`);
  const gameShot = await browser.canvasShot();
  writeFileSync(join(outDir, 'page-game.png'), gameShot);
  const game = cells(decodePng(gameShot));
  const gameDiff = difference(game, gameRef);
  const leftTitle = difference(game, titleRef);
  check(gameDiff < kSameStage, `Space starts the game (difference ${gameDiff.toFixed(1)} from the game scene drawn headless)`);
  check(leftTitle > kOtherScene, `the title is gone (difference ${leftTitle.toFixed(1)} from the title)`);

  const after = await browser.evaluate('Module.SDL2 && Module.SDL2.audioContext && Module.SDL2.audioContext.state');
  check(after === 'running', `the audio context is running after the key press (${after})`);

  await browser.key('F11', 'F11', 122);
  const full = await browser.waitFor('document.fullscreenElement !== null', 10_000, 'fullscreen').catch(() => false);
  check(full === true, 'F11 makes the page fullscreen');
  await browser.key('F11', 'F11', 122);
  const windowed = await browser.waitFor('document.fullscreenElement === null', 10_000, 'leaving fullscreen').catch(() => false);
  check(windowed === true, 'F11 again leaves fullscreen');
  const stillRunning = await browser.evaluate('window.keldoFrames');
  await sleep(500);
  check(await browser.evaluate(`window.keldoFrames > ${stillRunning}`), 'the game runs on after fullscreen');

  check(errors.length === 0, `no errors logged${errors.length ? ':\n       ' + errors.join('\n       ') : ''}`);
} catch (error) {
  failures.push(error.message);
  console.log(`FAIL ${error.message}`);
  if (errors.length) console.log(`     logged: ${errors.join('\n             ')}`);
} finally {
  await browser.close();
  await server.close();
}
console.log(failures.length === 0 ? 'page test: all passed' : `page test: ${failures.length} failed`);
process.exit(failures.length === 0 ? 0 : 1);
