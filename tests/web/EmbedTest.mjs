// The game inside a portal's page, as game sites embed games: a portal on another site (another
// host name and port) holds it in an <iframe>. A click on the picture gives the frame the keys,
// Space then starts the game, and no key the game uses scrolls the portal; the wheel does, Tab
// leaves the frame after the page's own controls, a click on the paused picture works the
// menu's row under it or, beside the menu, goes on, and the controls line never begins a line
// with a separator. A sandboxed frame without storage, and a browser without
// IndexedDB or that refuses the page its storage, still play, and say once that the best score
// will not be kept; a frame without permission for fullscreen offers none; a sandboxed frame
// whose server does not allow other origins says that this is why nothing loads.
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
<a id="after" href="#after">More games</a>
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

  // As a mouse clicks: moved there first (the game places a press where the pointer last moved).
  const click = async (x, y) => {
    await browser.send('Input.dispatchMouseEvent', { type: 'mouseMoved', x, y });
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

  // The wheel over the running game scrolls the portal.
  await browser.send('Input.dispatchMouseEvent', { type: 'mouseWheel', x: clip.x + clip.width / 2,
                                                   y: clip.y + clip.height / 2, deltaX: 0, deltaY: 240 });
  const wheeled = await browser.waitFor('window.scrollY > 0 && window.scrollY', 5000, 'the portal to scroll').catch(() => 0);
  check(wheeled > 0, `the wheel over the game scrolls the portal (scrollY ${wheeled})`);
  await browser.evaluate('window.scrollTo(0, 0)');

  // While the pause menu is open a click works the row under it and nothing more: Sound mutes
  // and the game stays paused; Resume, or the dimmed picture beside the menu, goes on. Rows on
  // the 1600 x 900 picture: the first at 280, 72 apart; the menu spans 300 to 1300 across.
  const clickPicture = (x, y) => click(clip.x + (clip.width * x) / 1600, clip.y + (clip.height * y) / 900);
  const rowY = (row) => 280 + row * 72 + 34;
  // Paused as when the player clicks elsewhere on the portal, or by the pause key.
  const pause = async (by) => {
    if (by === 'blur') await browser.evaluate("window.dispatchEvent(new Event('blur'))", inFrame);
    else await browser.key('KeyP', 'p', 80);
    return browser.waitFor('window.keldoPaused === true', 10_000, 'the pause', inFrame).catch(() => false);
  };
  const goesOn = () => browser.waitFor('window.keldoPaused === false', 10_000, 'the end of the pause', inFrame)
    .catch(() => false);
  const pausedForSound = await pause('blur');
  await clickPicture(800, rowY(2));
  const mutedByClick = await browser.waitFor('window.keldoMuted === true', 10_000, 'the mute', inFrame).catch(() => false);
  await sleep(500);
  const stillPaused = await browser.evaluate('window.keldoPaused', inFrame);
  await clickPicture(800, rowY(2));
  const unmutedByClick = await browser.waitFor('window.keldoMuted === false', 10_000, 'the unmute', inFrame).catch(() => false);
  check(pausedForSound && mutedByClick && unmutedByClick && stillPaused === true,
        `a click on the paused menu's Sound row mutes and unmutes, and the game stays paused (${stillPaused})`);
  await clickPicture(800, rowY(0));
  check(await goesOn(), "a click on the pause menu's Resume goes on");
  const pausedAgain = await pause('key');
  await clickPicture(150, 450);
  check(pausedAgain && (await goesOn()), 'a click on the paused picture beside the menu goes on');

  // Tab: through the page's own controls, in the order they show on the page, then out of the
  // frame.
  const own = JSON.parse(await browser.evaluate(`JSON.stringify([...document.querySelectorAll(
      'a[href], button, input, select, textarea, [tabindex]')]
    .filter((e) => e.tabIndex >= 0 && !e.disabled && e.getClientRects().length > 0)
    .map((e) => ({ id: e.id, box: e.getBoundingClientRect() }))
    .sort((a, b) => (Math.abs(a.box.top - b.box.top) > 2 ? a.box.top - b.box.top : a.box.left - b.box.left))
    .map((e) => e.id))`, inFrame));
  const visited = [];
  let left = false;
  while (!left && visited.length <= own.length) {
    await browser.key('Tab', 'Tab', 9);
    left = await browser.evaluate("document.activeElement && document.activeElement.id === 'after'");
    if (!left) visited.push(await browser.evaluate('document.activeElement.id', inFrame));
  }
  check(left && own.length > 0 && visited.join() === own.join(),
        `Tab goes through the page's own controls as they show (${own.join(', ')}), then leaves the frame ` +
        `(visited: ${visited.join(', ') || 'none'}; out: ${left})`);

  // The controls line in a frame this size wraps: no line starts with a separator. The canvas
  // is named for screen readers.
  const line = JSON.parse(await browser.evaluate(`JSON.stringify((() => {
    const items = [...document.querySelectorAll('#controls > span')].filter((s) => s.offsetParent);
    const tops = new Set(items.map((s) => s.offsetTop));
    const starts = items.filter((s, i) => i === 0 || s.offsetTop !== items[i - 1].offsetTop);
    return { lines: tops.size,
             bare: starts.every((s) => getComputedStyle(s, '::before').content === 'none'),
             separated: items.filter((s) => !starts.includes(s)).every((s) => getComputedStyle(s, '::before').content !== 'none'),
             label: document.getElementById('canvas').getAttribute('aria-label') || '',
             fullscreen: !document.getElementById('fullscreen').hidden };
  })())`, inFrame));
  check(line.bare && line.separated && line.label && line.fullscreen,
        `the controls line (${line.lines} lines) starts no line with a separator and separates the rest; ` +
        `the canvas is labelled "${line.label}"; fullscreen is offered where allowed`);

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
    if (test.framed) {
      const offered = await browser.evaluate(`[document.fullscreenEnabled,
        !document.getElementById('fullscreen').hidden, !document.getElementById('fullscreen-key').hidden]`, session);
      check(offered.every((shown) => !shown),
            `a frame without permission for fullscreen shows no fullscreen button nor key (${offered})`);
    }
    if (added) await browser.send('Page.removeScriptToEvaluateOnNewDocument', { identifier: added.identifier });
  }
  const unexpected = errors.filter((e) => !e.includes(kNotKept));
  check(unexpected.length === 0, `no errors logged${unexpected.length ? ':\n       ' + unexpected.join('\n       ') : ''}`);

  // The sandboxed frame again, its files now served without CORS.
  game.cors = false;
  frame.forget();
  await browser.send('Page.navigate', { url: portalUrl('sandboxed.html') });
  const refused = await frame(game.url).catch(() => undefined);
  const message = refused ? await browser.waitFor(`!document.getElementById('failure').hidden &&
    document.getElementById('failure-text').textContent`, kStartMs, 'the failure', refused).catch(() => '') : '';
  check(/sandboxed without allow-same-origin/.test(message) && /CORS/.test(message),
        `a sandboxed frame whose server does not allow other origins says so: "${message}"`);
  game.cors = true;
} catch (error) {
  failed(error, errors);
} finally {
  await browser.close();
  await portal.close();
  await game.close();
}
finish();
