// The pause menu on the page, in headless Chromium: on a phone held sideways the touch controls'
// menu button opens it, a tap on its Sound row mutes the game (the page's mute button shows it),
// and the mute is still there after a reload, kept with the player's settings in the browser's
// storage. On a desktop-sized page Escape opens the menu (it is not fullscreen, so the browser
// leaves Escape to the page), the controls line's mute button unmutes, and Escape resumes.
// Screenshots of the menu are left for a look.
//
//   node --experimental-websocket tests/web/MenuTest.mjs PAGE_DIR OUT_DIR
import { mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { collectErrors, launch, serve, sleep, testPaths, verdicts } from '../../tools/web/Browser.mjs';

const [pageDir, outDir] = testPaths('MenuTest.mjs PAGE_DIR OUT_DIR');
mkdirSync(outDir, { recursive: true });
const kStartMs = 90_000;
// Rows of the menu on the 1600 x 900 picture: the first at 280, 72 apart (Sound is the third).
const rowCentre = (row) => (280 + row * 72 + 34) / 900;

const { check, failed, finish } = verdicts('menu test');
const server = await serve(pageDir);
const browser = await launch();
const errors = collectErrors(browser);
const rectOf = async (selector) => JSON.parse(await browser.evaluate(
  `JSON.stringify(document.querySelector('${selector}').getBoundingClientRect())`));
const open = async () => {
  await browser.send('Page.navigate', { url: server.url });
  await browser.waitFor('(window.keldoFrames || 0) >= 30', kStartMs, 'the title');
};
const tap = async (x, y) => {
  await browser.touch('touchStart', [{ id: 1, x, y }]);
  await sleep(100);
  await browser.touch('touchEnd');
};
const shoot = async (name) => {
  const shot = await browser.send('Page.captureScreenshot', { format: 'png' });
  writeFileSync(join(outDir, `${name}.png`), Buffer.from(shot.data, 'base64'));
};
const muted = () => browser.evaluate(
  "JSON.stringify([window.keldoMuted === true, document.querySelector('#mute').getAttribute('aria-pressed')])");

try {
  await browser.send('Runtime.enable');
  await browser.send('Page.enable');
  await browser.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  await browser.send('Emulation.setDeviceMetricsOverride', { width: 844, height: 390, deviceScaleFactor: 3, mobile: true });
  await open();
  const button = await rectOf('#pause');
  await tap(button.x + button.width / 2, button.y + button.height / 2);
  const paused = await browser.waitFor('window.keldoPaused === true', 10_000, 'the menu').catch(() => false);
  await sleep(300);
  await shoot('menu-phone');
  check(paused === true && button.width >= 30, `the touch controls' menu button (${button.width.toFixed(0)} px) opens the menu`);
  const screen = await rectOf('#screen');
  await tap(screen.x + screen.width / 2, screen.y + screen.height * rowCentre(2));
  const mutedNow = await browser.waitFor('window.keldoMuted === true', 10_000, 'the mute').catch(() => false);
  check(mutedNow === true && (await muted()) === '[true,"true"]', `a tap on Sound mutes, and the page's mute button shows it (${await muted()})`);
  await sleep(1000);  // the browser's storage is written after the file

  await open();
  const kept = await browser.waitFor('window.keldoMuted === true', 10_000, 'the kept mute').catch(() => false);
  check(kept === true, `the mute is kept after a reload (${await muted()})`);

  await browser.send('Emulation.clearDeviceMetricsOverride');
  await browser.send('Emulation.setTouchEmulationEnabled', { enabled: false });
  await browser.send('Page.addScriptToEvaluateOnNewDocument', {
    source: "window.keldoSetUp = (Module) => { Module.ENV.TOLVEX_RECORD = '/tmp/menu.rec'; };",
  });
  await open();
  await browser.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', key: 'Escape', code: 'Escape', windowsVirtualKeyCode: 27 });
  await browser.send('Input.dispatchKeyEvent', { type: 'keyUp', key: 'Escape', code: 'Escape', windowsVirtualKeyCode: 27 });
  const byEscape = await browser.waitFor('window.keldoPaused === true', 10_000, 'the menu by Escape').catch(() => false);
  await sleep(300);
  await shoot('menu-desktop');
  await browser.evaluate("document.querySelector('#mute').click()");
  const unmuted = await browser.waitFor('window.keldoMuted === false', 10_000, 'the unmute').catch(() => false);
  await browser.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', key: 'Escape', code: 'Escape', windowsVirtualKeyCode: 27 });
  await browser.send('Input.dispatchKeyEvent', { type: 'keyUp', key: 'Escape', code: 'Escape', windowsVirtualKeyCode: 27 });
  const resumed = await browser.waitFor('window.keldoPaused === false', 10_000, 'the end of the pause').catch(() => false);
  check(byEscape === true && unmuted === true && resumed === true,
        'on a desktop page Escape opens the menu, the mute button unmutes, and Escape resumes');
  // The page's own button, reached by Tab, takes Space and Enter itself: the game on its title
  // would start on either.
  const framesBefore = await browser.evaluate('window.keldoFrames');
  await browser.evaluate("document.querySelector('#mute').focus()");
  const mutes = [];
  for (const [key, code, keyCode] of [[' ', 'Space', 32], ['Enter', 'Enter', 13]]) {
    await browser.send('Input.dispatchKeyEvent', { type: 'keyDown', key, code, text: key === ' ' ? ' ' : '\r', windowsVirtualKeyCode: keyCode });
    await browser.send('Input.dispatchKeyEvent', { type: 'keyUp', key, code, windowsVirtualKeyCode: keyCode });
    await sleep(500);
    mutes.push(await browser.evaluate('window.keldoMuted'));
  }
  const pressedTwice = mutes.join() === 'true,false';
  // The library's recording of the game's buttons: a line for each frame where they change.
  const recording = await browser.evaluate("Module.FS.readFile('/tmp/menu.rec', { encoding: 'utf8' })");
  const pressed = recording.split('\n').filter((l) => /^\d/.test(l) && l.trim().split(/\s+/).length > 1);
  check(pressedTwice && pressed.length === 0 && (await browser.evaluate('window.keldoFrames')) > framesBefore,
        `Space and Enter on the focused mute button mute and unmute (${mutes.join(', then ')}), and the game ` +
        `takes neither (${pressed.length} frames with a button held)`);
  check(errors.length === 0, `no errors logged${errors.length ? ':\n       ' + errors.join('\n       ') : ''}`);
} catch (error) {
  failed(error, errors);
} finally {
  await browser.close();
  await server.close();
}
finish();
