// The game inside a portal's page, as game sites embed games: a portal on another site (another
// host name and port) holds it in an <iframe>. A click on the picture gives the frame the keys,
// Space then starts the game, and no key the game uses scrolls the portal. A sandboxed frame
// without storage, and a browser without IndexedDB or that refuses the page its storage, still
// play, and say once that the best score will not be kept.
//
//   node --experimental-websocket tests/web/EmbedTest.mjs PAGE_DIR OUT_DIR
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { cells, collectErrors, decodePng, difference, launch, serve, sleep, testPaths, verdicts } from '../../tools/web/Browser.mjs';

const [pageDir, outDir] = testPaths('EmbedTest.mjs PAGE_DIR OUT_DIR');
const portalDir = join(outDir, 'portal');
mkdirSync(portalDir, { recursive: true });
const kStartMs = 90_000;
// The title and the game scene differ by about 120 (see PageTest.mjs).
const kOtherScene = 40;
const kNotKept = 'will not be kept';

const { check, failed, finish } = verdicts('embed test');

const game = await serve(pageDir);
const portal = await serve(portalDir);
// Another site: the portal is reached by name, the game by address.
const portalUrl = (name) => `http://localhost:${portal.port}/${name}`;
const writePortal = (name, frameAttributes) => writeFileSync(join(portalDir, name), `<!doctype html>
<title>A portal</title>
<body style="margin: 0; background: #ddd; font: 16px sans-serif">
<h1 style="margin: 8px">Games</h1>
<iframe id="game" src="${game.url}" width="960" height="600" ${frameAttributes} style="border: 0; display: block"></iframe>
<p style="height: 3000px">More games below.</p>
</body>`);
writePortal('portal.html', 'allow="fullscreen; autoplay; gamepad"');
writePortal('sandboxed.html', 'sandbox="allow-scripts"');

const browser = await launch({ width: 1280, height: 800 });
const errors = collectErrors(browser);
try {
  await browser.send('Page.enable');
  // As a player's browser window has the focus (headless windows otherwise may not).
  await browser.send('Emulation.setFocusEmulationEnabled', { enabled: true });
  const frame = await browser.attachFrames();

  await browser.send('Page.navigate', { url: portalUrl('portal.html') });
  const inFrame = await frame(game.url);
  await browser.waitFor('(window.keldoFrames || 0) >= 60', kStartMs, 'the title in the frame', inFrame);
  const box = JSON.parse(await browser.evaluate(
    "JSON.stringify(document.getElementById('game').getBoundingClientRect())"));
  const screen = JSON.parse(await browser.evaluate(
    "JSON.stringify(document.getElementById('screen').getBoundingClientRect())", inFrame));
  const clip = { x: box.x + screen.x, y: box.y + screen.y, width: screen.width, height: screen.height, scale: 1 };
  const shot = async (name) => {
    const png = Buffer.from((await browser.send('Page.captureScreenshot', { format: 'png', clip })).data, 'base64');
    writeFileSync(join(outDir, name), png);
    return cells(decodePng(png));
  };
  const title = await shot('embedded-title.png');

  const click = async (x, y) => {
    for (const type of ['mousePressed', 'mouseReleased']) {
      await browser.send('Input.dispatchMouseEvent', { type, x, y, button: 'left', clickCount: 1 });
    }
  };
  await click(clip.x + clip.width / 2, clip.y + clip.height / 2);
  const focused = await browser.evaluate('document.hasFocus()', inFrame);
  await browser.key('Space', ' ', 32);
  const from = await browser.evaluate('window.keldoFrames', inFrame);
  await browser.waitFor(`window.keldoFrames >= ${from + 120}`, kStartMs, 'two seconds of the game', inFrame)
    .catch(async (error) => {
      const state = await browser.evaluate(`JSON.stringify({ frames: window.keldoFrames, paused: window.keldoPaused,
        hidden: document.hidden, focus: document.hasFocus() })`, inFrame).catch(() => '');
      throw new Error(`${error.message} (from frame ${from}: ${state})`);
    });
  const started = difference(await shot('embedded-game.png'), title);
  for (const [code, key, keyCode] of [['ArrowDown', 'ArrowDown', 40], ['ArrowUp', 'ArrowUp', 38],
                                      ['Space', ' ', 32], ['ArrowRight', 'ArrowRight', 39]]) {
    await browser.key(code, key, keyCode);
  }
  await sleep(300);
  const scrolled = await browser.evaluate('window.scrollY');
  check(focused && started > kOtherScene && scrolled === 0,
        `in a portal's frame on another site, a click on the picture gives it the keys (focus ${focused}), ` +
        `Space starts the game (difference ${started.toFixed(1)} from the title) and the portal never scrolls (scrollY ${scrolled})`);

  // No storage: the game still plays and says so once.
  const storageCases = [
    { what: 'a sandboxed frame without allow-same-origin', url: portalUrl('sandboxed.html'), framed: true },
    { what: 'a browser without IndexedDB', url: game.url, before: 'delete window.indexedDB;' },
    { what: 'a browser that refuses the page its storage', url: game.url,
      before: "IDBFactory.prototype.open = () => { throw new DOMException('The user denied permission to access the database.', 'SecurityError'); };" },
  ];
  for (const test of storageCases) {
    const added = test.before
      ? await browser.send('Page.addScriptToEvaluateOnNewDocument', { source: test.before })
      : null;
    frame.forget();
    await browser.send('Page.navigate', { url: test.url });
    const session = test.framed ? await frame(game.url) : undefined;
    const plays = await browser.waitFor('(window.keldoFrames || 0) >= 60', kStartMs, 'the title', session)
      .catch(() => false);
    const said = await browser.evaluate(
      `document.body.textContent.split(${JSON.stringify(kNotKept)}).length - 1`, session).catch(() => -1);
    // The notice may take the controls line to two lines: the picture makes room for it.
    const overlap = await browser.evaluate(`document.getElementById('screen').getBoundingClientRect().bottom -
      document.getElementById('controls').getBoundingClientRect().top`, session).catch(() => NaN);
    check(Boolean(plays) && said === 1 && overlap <= 0.5,
          `${test.what}: the game plays and the page says once that the best score ${kNotKept} (${said} times), ` +
          `below the picture (${overlap.toFixed(1)} px over it)`);
    if (added) await browser.send('Page.removeScriptToEvaluateOnNewDocument', { identifier: added.identifier });
  }
  const unexpected = errors.filter((e) => !e.includes(kNotKept));
  check(unexpected.length === 0, `no errors logged${unexpected.length ? ':\n       ' + unexpected.join('\n       ') : ''}`);
} catch (error) {
  failed(error, errors);
} finally {
  await browser.close();
  await portal.close();
  await game.close();
}
finish();
