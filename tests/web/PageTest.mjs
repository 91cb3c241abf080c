// The page in headless Chromium: the title appears, each of its files is downloaded once,
// Space starts a game whose scene shows, sound starts with that first key, the picture keeps 16:9 without scrollbars, F11 toggles
// fullscreen, hidden or left the page pauses the game and its sound, nothing is logged as an
// error, saved data lives in the browser's storage, F12 downloads a screenshot, and the page
// shows the same frame as the desktop build draws.
//
//   node --experimental-websocket tests/web/PageTest.mjs PAGE_DIR REFERENCE_DIR OUT_DIR
//
// REFERENCE_DIR holds title.png and game.png (frames 20 and 155): the same scenes drawn by the
// node-run program, headless, at full size; desktop-game.png, frame 155 drawn by the desktop
// build; and save/best.sav, a best score saved by a whole game. The screenshots the test takes
// are left in OUT_DIR.
import { writeFileSync, readFileSync, readdirSync, mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { cells, collectErrors, decodePng, difference, launch, serve, sleep, testPaths, verdicts } from '../../tools/web/Browser.mjs';

const [pageDir, referenceDir, outDir] = testPaths('PageTest.mjs PAGE_DIR REFERENCE_DIR OUT_DIR');
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

const { check, failed, finish } = verdicts('page test');

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
             canvasW: document.getElementById('canvas').width, canvasH: document.getElementById('canvas').height,
             touch: getComputedStyle(document.getElementById('touch')).display !== 'none' };
  })())`));
  check(Math.abs(layout.w / layout.h - 16 / 9) < 0.01, `the picture keeps 16:9 (${layout.w} x ${layout.h})`);
  check(layout.scrollW <= layout.viewW && layout.scrollH <= layout.viewH,
        `no scrollbars (content ${layout.scrollW} x ${layout.scrollH} in ${layout.viewW} x ${layout.viewH})`);
  check(layout.bottom <= layout.viewH, 'the controls line is inside the window');
  // The picture is the game's 1600 x 900: a drawing buffer of that size is as sharp as the
  // picture can be shown at any size and pixel density, and the browser scales it.
  check(layout.canvasW === 1600 && layout.canvasH === 900,
        `the canvas holds the whole picture (${layout.canvasW} x ${layout.canvasH}, shown at ${layout.w} x ${layout.h})`);
  check(!layout.touch, 'no touch controls on a desktop');

  // The browser's audio is started only by the player's first key: until then the game's
  // sound plays into a silent stand-in, and the page is not held up starting it.
  const audio = "Module.SDL2 && Module.SDL2.audioContext instanceof AudioContext ? Module.SDL2.audioContext.state : 'not started'";
  const before = await browser.evaluate(audio);
  check(before === 'not started', `no audio is started before any key (${before})`);
  // Each of the title's files comes once: the page's early requests for them are the ones its
  // script takes up, not a second download.
  for (const name of ['keldo.js', 'keldo.wasm', 'keldo.data']) {
    const asked = server.requests.filter((line) => line.endsWith(` /${name}`)).length;
    check(asked === 1, `${name} is downloaded once (${asked} requests)`);
  }
  // The manifest comes after the title's files, and still comes: a browser can offer to
  // install the page.
  const manifest = await browser.waitFor(
    "fetch(document.querySelector('link[rel=manifest]').href).then((r) => r.json()).then((m) => m.name)",
    10_000, 'the manifest').catch(() => '');
  check(Boolean(manifest), `the page links its manifest once the title shows (${manifest})`);

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

  const after = await browser.evaluate(audio);
  check(after === 'running', `the browser's audio is running after the key press (${after})`);

  await browser.key('F11', 'F11', 122);
  const full = await browser.waitFor('document.fullscreenElement !== null', 10_000, 'fullscreen').catch(() => false);
  check(full === true, 'F11 makes the page fullscreen');
  await browser.key('F11', 'F11', 122);
  const windowed = await browser.waitFor('document.fullscreenElement === null', 10_000, 'leaving fullscreen').catch(() => false);
  check(windowed === true, 'F11 again leaves fullscreen');
  const stillRunning = await browser.evaluate('window.keldoFrames');
  await sleep(500);
  check(await browser.evaluate(`window.keldoFrames > ${stillRunning}`), 'the game runs on after fullscreen');

  // Hidden or left, the page pauses the game and its sound, and says how to go on; P goes on.
  const state = `JSON.stringify({ paused: window.keldoPaused === true, frames: window.keldoFrames,
    audio: Module.SDL2.audioContext.state, hint: !document.getElementById('hint').hidden })`;
  for (const [how, away] of [
    ['hidden', "Object.defineProperty(document, 'hidden', { value: true, configurable: true }); " +
               "Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true }); " +
               "document.dispatchEvent(new Event('visibilitychange'))"],
    ['left for another window', "window.dispatchEvent(new Event('blur'))"],
  ]) {
    await browser.evaluate(away);
    await browser.waitFor('window.keldoPaused === true', 10_000, 'the pause');
    await browser.evaluate("delete document.hidden; delete document.visibilityState; document.dispatchEvent(new Event('visibilitychange'))");
    const at = JSON.parse(await browser.evaluate(state));
    await sleep(500);
    const later = JSON.parse(await browser.evaluate(state));
    await browser.key('KeyP', 'p', 80);
    const resumed = await browser.waitFor('window.keldoPaused === false', 10_000, 'the end of the pause').catch(() => false);
    const goesOn = await browser.evaluate('window.keldoFrames');
    await sleep(500);
    const after = JSON.parse(await browser.evaluate(state));
    check(at.paused && at.hint && later.frames === at.frames && at.audio === 'suspended' &&
          resumed === true && after.frames > goesOn && after.audio === 'running' && !after.hint,
          `the page ${how}: the game pauses with its sound (${at.audio}) and a hint, P goes on (audio ${after.audio})`);
  }

  check(errors.length === 0, `no errors logged${errors.length ? ':\n       ' + errors.join('\n       ') : ''}`);

  // The best score is kept in the browser's storage, where the game finds it after a reload.
  // A save made by the desktop build is taken as it is; a damaged one is set aside as .bad
  // with one warning, and that change is kept too.
  const folder = '/home/web_user/.local/share/keldo';
  const save = `${folder}/best.sav`;
  const stored = async (bytes) => {
    await browser.evaluate(`(() => {
      const FS = Module.FS;
      FS.mkdirTree('${folder}');
      FS.writeFile('${save}', Uint8Array.from(atob('${bytes.toString('base64')}'), (c) => c.charCodeAt(0)));
      window.keldoStored = false;
      FS.syncfs(false, (error) => { window.keldoStored = !error; });
    })()`);
    await browser.waitFor('window.keldoStored', 10_000, 'the browser storage');
  };
  const reload = async () => {
    await browser.evaluate('window.keldoBeforeReload = true');
    await browser.send('Page.reload', {});
    // While the old page unloads, its answers are either stale or none at all.
    const until = Date.now() + kStartMs;
    while (!(await browser.evaluate('!window.keldoBeforeReload && (window.keldoFrames || 0) >= 30').catch(() => false))) {
      if (Date.now() > until) throw new Error('timed out waiting for the page after a reload');
      await sleep(100);
    }
  };
  const fileOf = (path) => browser.evaluate(
    `(() => { const p = Module.FS.analyzePath('${path}'); return p.exists ? btoa(String.fromCharCode(...Module.FS.readFile('${path}'))) : null; })()`);
  const best = readFileSync(join(referenceDir, 'save', 'best.sav'));
  await stored(best);
  await reload();
  check(await fileOf(save) === best.toString('base64') && await fileOf(`${save}.bad`) === null &&
        errors.length === 0, 'a saved best score is still there after a reload, and the game takes it');
  // For a look: the game scene with that best score.
  const framesThen = await browser.evaluate('window.keldoFrames');
  await browser.key('Space', ' ', 32);
  await browser.waitFor(`window.keldoFrames >= ${framesThen + 60}`, kStartMs, 'a second of the game');
  writeFileSync(join(outDir, 'page-game-best.png'), await browser.canvasShot());

  // F12: the game's own picture, offered as a download.
  const downloads = join(outDir, 'downloads');
  mkdirSync(downloads, { recursive: true });
  await browser.send('Page.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await browser.key('F12', 'F12', 123);
  const shotUntil = Date.now() + 30_000;
  let shots = [];
  while (shots.length === 0 && Date.now() < shotUntil) {
    await sleep(200);
    shots = readdirSync(downloads).filter((name) => /^keldo-.*\.png$/.test(name));
  }
  const picture = shots.length ? decodePng(readFileSync(join(downloads, shots[0]))) : null;
  check(picture && picture.width === 1600 && picture.height === 900,
        `F12 downloads the game's picture (${shots.join(', ') || 'nothing'}${picture ? `, ${picture.width} x ${picture.height}` : ''})`);
  await stored(Buffer.from('not a saved game'));
  await reload();
  await browser.waitFor(`Module.FS.analyzePath('${save}.bad').exists`, 10_000, 'the damaged save set aside');
  const warned = errors.filter((e) => e.includes('best.sav'));
  check(warned.length === 1, `a damaged save is set aside as .bad with one warning (${warned.join(' | ')})`);
  await sleep(1000);  // the storage is written back after the rename
  await reload();
  check(await fileOf(save) === null && await fileOf(`${save}.bad`) !== null,
        'the damaged save stays set aside after another reload');

  // The same frame as on the desktop: the seed and the input of the reference, the game ended
  // by the frame limit just after the frame that the desktop build saved, which a screenshot
  // asked for keeps from being skipped. The last picture put on the canvas is kept aside, since
  // the canvas goes when the game closes its window.
  await browser.send('Page.addScriptToEvaluateOnNewDocument', { source: `
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (picture, ...where) {
    // A copy: the picture may be a view of the game's memory, which goes on changing.
    window.keldoLastPicture = new ImageData(new Uint8ClampedArray(picture.data), picture.width, picture.height);
    return put.call(this, picture, ...where);
  };
  window.keldoSetUp = (Module) => {
    Module.FS.writeFile('/tmp/script.txt', '30 0\\n32\\n');
    Object.assign(Module.ENV, { TOLVEX_SEED: '1', TOLVEX_INPUT: '/tmp/script.txt', TOLVEX_FRAMES: '156',
                                TOLVEX_SHOT: '155:/tmp/155.png' });
  };` });
  await browser.send('Page.navigate', { url: server.url });
  await browser.waitFor("/ended/.test(document.getElementById('status').textContent)", kStartMs, 'the frame limit');
  // In bands of rows: the protocol's connection does not carry the whole picture at once.
  const kBand = 100;
  const bands = [];
  for (let y = 0; y < 900; y += kBand) {
    bands.push(Buffer.from(await browser.evaluate(`(() => {
      const pixels = window.keldoLastPicture.data.subarray(${y * 1600 * 4}, ${(y + kBand) * 1600 * 4});
      let text = '';
      for (let i = 0; i < pixels.length; i += 0x8000) text += String.fromCharCode(...pixels.subarray(i, i + 0x8000));
      return btoa(text);
    })()`), 'base64'));
  }
  const drawn = Buffer.concat(bands);
  // Against the same program drawing headless under node: the same pixels. Against the desktop
  // build: its SDL blends with the processor's vector instructions, which round a channel up to
  // kBlendRounding levels otherwise than the plain code built for WebAssembly does.
  // The frame-rate figure, top right, tells how fast this browser ran: it is left out.
  const kBlendRounding = 2;
  const figure = { left: 1360, right: 1570, top: 140, bottom: 220 };
  const compare = (reference) => {
    const picture = decodePng(readFileSync(join(referenceDir, reference)));
    let differ = 0;
    let most = 0;
    for (let p = 0; p < 1600 * 900; p++) {
      const x = p % 1600;
      const y = Math.floor(p / 1600);
      if (x >= figure.left && x < figure.right && y >= figure.top && y < figure.bottom) continue;
      let off = 0;
      for (let k = 0; k < 3; k++) off = Math.max(off, Math.abs(drawn[p * 4 + k] - picture.rgb[p * 3 + k]));
      differ += off > 0 ? 1 : 0;
      most = Math.max(most, off);
    }
    return { differ, most, size: `${picture.width} x ${picture.height}` };
  };
  const same = compare('game.png');
  const desktop = compare('desktop-game.png');
  check(same.size === '1600 x 900' && same.differ === 0 && desktop.most <= kBlendRounding,
        `frame 155 as the page shows it: ${same.differ} pixels differ from the web build's own ` +
        `drawing, ${desktop.differ} from the desktop's by at most ${desktop.most} levels`);
} catch (error) {
  failed(error, errors);
} finally {
  await browser.close();
  await server.close();
}
finish();
