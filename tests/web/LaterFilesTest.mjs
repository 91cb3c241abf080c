// The title comes with only its own files: with keldo-more.data held back by the server, the
// title shows and runs; Space pressed then waits with the progress bar over the picture, and
// once the rest arrives the game starts and plays. Also: the page's script and style hold up
// nothing (the script is deferred, the style is in the page).
//
//   node --experimental-websocket tests/web/LaterFilesTest.mjs PAGE_DIR OUT_DIR
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { cells, collectErrors, decodePng, difference, launch, serve, sleep, testPaths, verdicts } from '../../tools/web/Browser.mjs';

const [pageDir, outDir] = testPaths('LaterFilesTest.mjs PAGE_DIR OUT_DIR');
const kStartMs = 90_000;
// The title and the game scene differ by about 120 (see PageTest.mjs).
const kOtherScene = 40;
const kMore = '/keldo-more.data';

const { check, failed, finish } = verdicts('later files test');

const server = await serve(pageDir, { faults: { [kMore]: 'held' } });
const browser = await launch();
const errors = collectErrors(browser);
const loadingShown = "!document.getElementById('loading').hidden";
try {
  await browser.send('Runtime.enable');
  await browser.send('Page.enable');
  await browser.send('Page.navigate', { url: server.url });

  const blocking = JSON.parse(await browser.waitFor(`document.readyState !== 'loading' && JSON.stringify({
    stylesheets: document.querySelectorAll('link[rel=stylesheet]').length,
    deferred: [...document.scripts].filter((s) => s.src).every((s) => s.defer || s.async) })`, kStartMs, 'the page'));
  check(blocking.stylesheets === 0 && blocking.deferred,
        `no style sheet to wait for and every script deferred (${JSON.stringify(blocking)})`);

  await browser.waitFor('(window.keldoFrames || 0) >= 60', kStartMs, 'the title without the later files');
  const asked = server.requests.some((r) => r.endsWith(kMore));
  const before = await browser.evaluate('Module.filesComing !== null');
  const titleShot = await browser.canvasShot();
  writeFileSync(join(outDir, 'title-alone.png'), titleShot);
  check(!asked && before && !(await browser.evaluate(loadingShown)),
        'the title shows and runs while the rest of the files are still held back');

  await browser.key('Space', ' ', 32);
  await browser.waitFor(loadingShown, 10_000, 'the progress bar after Space').catch(() => false);
  const frames = await browser.evaluate('window.keldoFrames');
  await sleep(1000);
  const waiting = JSON.parse(await browser.evaluate(`JSON.stringify({
    bar: ${loadingShown}, line: document.getElementById('loaded').textContent,
    frames: window.keldoFrames, failure: document.getElementById('failure').hidden ? '' : 'shown' })`));
  check(waiting.bar && /Loading/.test(waiting.line) && waiting.frames === frames && !waiting.failure,
        `Space before the rest has come: the game waits with the progress bar ("${waiting.line}", ` +
        `${waiting.frames - frames} frames meanwhile)`);

  server.release();
  await browser.waitFor(`!(${loadingShown}) && window.keldoFrames >= ${frames + 120}`, kStartMs,
                        'two seconds of the game once the rest came');
  const gameShot = await browser.canvasShot();
  writeFileSync(join(outDir, 'game-after-wait.png'), gameShot);
  const apart = difference(cells(decodePng(gameShot)), cells(decodePng(titleShot)));
  check(apart > kOtherScene, `then the game starts and plays (difference ${apart.toFixed(1)} from the title)`);
  check(errors.length === 0, `no errors logged${errors.length ? ':\n       ' + errors.join('\n       ') : ''}`);
} catch (error) {
  failed(error, errors);
} finally {
  server.release();
  await browser.close();
  await server.close();
}
finish();
