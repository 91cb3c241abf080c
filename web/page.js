// The page around the game: loading (the title's files first, the rest while the title runs)
// and whatever fails on the way, the layout of the picture and its controls (touch ones on
// touch screens), focus, keys and the wheel inside a portal's frame, the pause when the page is
// hidden, the player's saved data in the browser's storage, fullscreen, and the copy kept for
// playing offline.
'use strict';

(function () {
  // Written into the page by the build: its version and the size of each file it loads.
  const build = window.keldoBuild || { version: '', files: {} };
  const $ = (id) => document.getElementById(id);
  const canvas = $('canvas');
  const status = $('status');
  const versioned = (name) => (build.version ? `${name}?v=${build.version}` : name);

  let failed = false;
  let paused = false;
  let lastError = '';

  // ---- What failed, in place of the picture, with a way to try again: what to do first, in
  // plain words, then the technical line for a report.
  const kFileError = 0xE7100002;
  const kPlatformError = 0xE7100003;
  const kConfigError = 0xE7100006;
  const kLibraryMissing = 3001;
  function adviceFor(message) {
    const code = /\(code (0x[0-9A-Fa-f]+|\d+)\)\s*$/.exec(message);
    const kind = code ? Number(code[1]) : NaN;
    if (/out of memory|memory run out|\bOOM\b|enlarge memory/i.test(message)) {
      return 'The browser ran out of memory for the game: close other tabs and reload the page.';
    }
    if (/could not be loaded|was cut short/.test(message)) {
      return "The game's files did not all arrive: check the connection and reload the page.";
    }
    if (kind === kFileError || kind === kLibraryMissing) {
      return "The game's files are damaged: reload the page.";
    }
    if (kind === kPlatformError && /sound/i.test(message)) {
      return 'The browser could not start the sound: reload the page, or play in another browser.';
    }
    if (kind === kPlatformError) {
      return 'The browser could not show the game: turn on hardware acceleration in its ' +
             'settings, or play in another browser.';
    }
    if (kind === kConfigError) {
      return 'The game was given a setting it cannot use: reload the page without it.';
    }
    return 'Something went wrong inside the game: reload the page, and if it happens again, ' +
           'report the line below.';
  }
  function fail(message, advice = adviceFor(message)) {
    if (failed) return;
    failed = true;
    window.keldoFailure = message;
    $('loading').hidden = true;
    $('hint').hidden = true;
    $('failure-text').textContent = advice ? `${advice}\n${message}` : message;
    $('failure').hidden = false;
    canvas.style.visibility = 'hidden';
    suspendAudio();
  }
  // The runtime ends the program by throwing its exit status, which is no failure: what the
  // program said on its way out (onExit below) is.
  let exited = false;
  const stopped = (why) => {
    if (!exited && !(why && why.name === 'ExitStatus')) {
      fail(`The game stopped: ${lastError || (why && why.message) || why || 'an error in the page'}`);
    }
  };
  window.addEventListener('error', (event) => stopped(event.error || event.message));
  window.addEventListener('unhandledrejection', (event) => stopped(event.reason));

  // A line for the player that is said once and stays (what the page cannot do here).
  const notices = new Set();
  function notice(text) {
    if (notices.has(text)) return;
    notices.add(text);
    status.textContent = [...notices].join(' ');
    layout();
  }

  // ---- Sound: browsers keep it silent until the player touches the page; it also stops while
  // the game is paused or the page hidden.
  function audioContext() {
    return window.Module && Module.SDL2 && Module.SDL2.audioContext;
  }
  function suspendAudio() {
    const context = audioContext();
    if (context && context.state === 'running') context.suspend();
  }
  function resumeAudio() {
    const context = audioContext();
    if (context && context.state === 'suspended' && !paused && !failed && !document.hidden) {
      context.resume();
    }
  }
  // The game's sound device waits for the player's first gesture too (the library opens it
  // then): the browser would play nothing before it, and starting its audio holds the page up
  // for a long moment, better spent as the player starts than while the title loads.
  let playerActed = false;
  const playerActs = () => {
    playerActed = true;
    if (window.Module) Module.playerActed = true;
    resumeAudio();
  };
  // A touch counts as the player's gesture only when it ends.
  for (const type of ['keydown', 'mousedown', 'pointerup', 'touchend']) {
    window.addEventListener(type, playerActs, true);
  }
  document.addEventListener('visibilitychange', () => {
    if (document.hidden) suspendAudio();
  });

  // ---- Fullscreen and keys. F11 makes the whole page fullscreen (bars and controls line
  // included); Escape, which opens the game's pause menu, leaves fullscreen first, as the
  // browser requires. Keys that would scroll a page never do: inside a portal's frame
  // they would scroll the portal.
  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen();
    } else if (document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(() => {});
    }
  }
  // A portal's frame without permission for fullscreen shows neither the button nor the key.
  const fullscreenAllowed = document.fullscreenEnabled !== false;
  $('fullscreen').hidden = !fullscreenAllowed;
  $('fullscreen-key').hidden = !fullscreenAllowed;
  const kScrollKeys = new Set([' ', 'ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'PageUp',
                               'PageDown', 'Home', 'End']);
  // Space and Enter on one of the page's own buttons press that button, as on any page, and
  // are not the game's too.
  const kButtonKeys = new Set([' ', 'Enter']);
  const onPageButton = (event) => event.target instanceof HTMLButtonElement && kButtonKeys.has(event.key);
  for (const type of ['keypress', 'keyup']) {
    window.addEventListener(type, (event) => {
      if (onPageButton(event)) event.stopImmediatePropagation();
    }, true);
  }
  window.addEventListener('keydown', (event) => {
    if (onPageButton(event)) {
      event.stopImmediatePropagation();
      return;
    }
    if (kScrollKeys.has(event.key)) event.preventDefault();
    // The game has no use for Tab: it moves the focus on to the page's controls and out of a
    // portal's frame, as on any page.
    if (event.key === 'Tab') {
      event.stopImmediatePropagation();
    } else if (event.key === 'F11' && fullscreenAllowed) {
      event.preventDefault();
      event.stopImmediatePropagation();
      if (!event.repeat) toggleFullscreen();
    } else if (event.key === 'Escape' && document.fullscreenElement) {
      event.stopImmediatePropagation();
    }
  }, true);
  window.addEventListener('keyup', (event) => {
    if (event.key === 'F11' || event.key === 'Tab' || (event.key === 'Escape' && document.fullscreenElement)) {
      event.stopImmediatePropagation();
    }
  }, true);
  // Nor for the wheel: kept from the game's own handling (which holds the page still), it
  // scrolls the portal around the frame.
  window.addEventListener('wheel', (event) => event.stopPropagation(), { capture: true, passive: true });
  // A button clicked with the mouse gives the keys back to the game; one pressed from the
  // keyboard (a click with no pointer behind it) keeps the focus, for the next Tab.
  const giveKeysBack = (event) => {
    if (event.detail > 0) event.currentTarget.blur();
  };
  $('fullscreen').addEventListener('click', (event) => {
    giveKeysBack(event);
    toggleFullscreen();
  });
  // The sound's mute and the pause menu are the game's: these buttons ask the library, which
  // keeps the mute with the player's settings and says when it changes.
  $('mute').addEventListener('click', (event) => {
    giveKeysBack(event);
    if (window.Module && Module._tolvex_host_mute) Module._tolvex_host_mute();
  });
  $('pause').addEventListener('touchstart', (event) => {
    event.preventDefault();
    event.stopPropagation();
    if (window.Module && Module._tolvex_host_pause) Module._tolvex_host_pause();
  }, { passive: false });
  // The game takes its keys from the page it is in; inside a portal's frame a click or tap must
  // bring the keyboard there (the game's own handling of the press keeps the browser from it).
  document.addEventListener('pointerdown', () => {
    window.focus();
    canvas.focus({ preventScroll: true });
  }, true);

  // ---- Layout: the picture as large as the window allows at 16:9, the controls line below it;
  // on a touch screen the stick and the buttons in the bars beside the picture or in the room
  // below it, whichever leaves the larger picture, never over it.
  const root = document.documentElement;
  function layout() {
    // First: the separators dropped at line starts may change the controls line's height.
    markLineStarts();
    const width = root.clientWidth;
    const height = root.clientHeight;
    const room = height - $('controls').getBoundingClientRect().height;
    const touch = document.body.classList.contains('touch');
    const pad = touch ? Math.round(Math.max(110, Math.min(180, Math.min(width, height) * 0.34))) : 0;
    const margin = touch ? Math.round(pad * 0.08) : 0;
    const span = pad + 2 * margin;
    const fit = (w, h) => Math.max(0, Math.min(w, (h * 16) / 9));
    const besideW = fit(width - 2 * span, room);
    const belowW = fit(width, room - span);
    const beside = !touch || besideW >= belowW;
    const w = Math.floor(touch ? Math.max(besideW, belowW) : fit(width, room));
    const h = Math.floor((w * 9) / 16);
    const top = beside ? (room - h) / 2 : (room - span - h) / 2;
    const screen = $('screen').style;
    screen.left = `${Math.round((width - w) / 2)}px`;
    screen.top = `${Math.round(top)}px`;
    screen.width = `${w}px`;
    screen.height = `${h}px`;
    root.style.setProperty('--pad', `${pad}px`);
    if (!touch) return;
    const bottom = room - margin;
    const place = (id, x, y) => {
      $(id).style.left = `${Math.round(x)}px`;
      $(id).style.top = `${Math.round(y)}px`;
    };
    place('stick', margin, bottom - pad);
    const button = pad * 0.48;
    place('hop', width - margin - pad, bottom - button);
    place('attack', width - margin - button, bottom - pad);
    const small = pad * 0.32;
    if (beside) place('pause', width - margin - small, Math.max(margin, top));
    else place('pause', (width - small) / 2, bottom - small);
    // Over the hop button, in the room the attack button leaves beside it.
    const prompt = $('touch-start').style;
    prompt.left = `${Math.round(width - margin - pad)}px`;
    prompt.width = `${Math.round(button)}px`;
    prompt.bottom = `${Math.round(height - (bottom - button) + margin)}px`;
  }
  // The controls line wraps where the window is narrow: a separator never begins a line.
  function markLineStarts() {
    const items = [...$('controls').children].filter((item) => item.tagName === 'SPAN');
    // Dropping a separator shortens its line, which may take up an item from the next one.
    for (let pass = 0; pass < 3; pass++) {
      let top = NaN;
      let changed = false;
      for (const item of items) {
        if (item.offsetParent === null) continue;
        const first = !(Math.abs(item.offsetTop - top) < 1);
        top = item.offsetTop;
        if (item.classList.contains('first') !== first) {
          item.classList.toggle('first', first);
          changed = true;
        }
      }
      if (!changed) break;
    }
  }
  window.addEventListener('resize', layout);
  // The controls line wraps, and grows when a notice is said after the start: the picture
  // follows its height. (The observer also runs once at the start.)
  if (window.ResizeObserver) new ResizeObserver(layout).observe($('controls'));
  else layout();

  // ---- Touch controls: fed to pad 0 through the library, as the keyboard is, so that the game,
  // a recording and its replay see them alike. Each finger keeps the control it came down on;
  // several fingers press several at once.
  const kLeft = 12, kRight = 13, kUp = 14, kDown = 15;
  const stick = $('stick');
  const controls = document.querySelectorAll('.control');
  const fingers = new Map();  // touch identifier -> { control, x, y }
  let sentButtons = 0;
  function stickButtons(x, y) {
    const r = stick.getBoundingClientRect();
    const dx = (x - (r.left + r.width / 2)) / (r.width / 2);
    const dy = (y - (r.top + r.height / 2)) / (r.height / 2);
    // Near the middle nothing; a direction counts when it is at least half the other one, so
    // that running does not change lines by a slip of the thumb, but diagonals work.
    const kDeadZone = 0.3;
    const ax = Math.abs(dx), ay = Math.abs(dy);
    let bits = 0;
    if (ax > kDeadZone && ax * 2 >= ay) bits |= 1 << (dx < 0 ? kLeft : kRight);
    if (ay > kDeadZone && ay * 2 >= ax) bits |= 1 << (dy < 0 ? kUp : kDown);
    return bits;
  }
  function sendButtons() {
    let bits = 0;
    const held = new Set();
    for (const finger of fingers.values()) {
      held.add(finger.control);
      bits |= finger.control === stick ? stickButtons(finger.x, finger.y)
                                       : 1 << Number(finger.control.dataset.button);
    }
    for (const control of controls) {
      control.classList.toggle('held', held.has(control));
    }
    if (bits !== sentButtons && window.Module && Module._tolvex_host_buttons) {
      Module._tolvex_host_buttons(bits);
      sentButtons = bits;
    }
  }
  // A tap on the picture does nothing on the title: the player is shown where to start, until
  // the first press of that button.
  let hopPressed = false;
  function showTouchControls() {
    if (document.body.classList.contains('touch')) return;
    document.body.classList.add('touch');
    $('touch-start').hidden = hopPressed;
    // The controls line may keep its size (no wrap either way), so its observer may not run.
    layout();
  }
  const touchArea = $('touch');
  touchArea.addEventListener('touchstart', (event) => {
    event.preventDefault();
    for (const touch of event.changedTouches) {
      const control = touch.target.closest && touch.target.closest('.control');
      if (control) fingers.set(touch.identifier, { control, x: touch.clientX, y: touch.clientY });
      if (control && control.id === 'hop') {
        hopPressed = true;
        $('touch-start').hidden = true;
      }
    }
    sendButtons();
  }, { passive: false });
  touchArea.addEventListener('touchmove', (event) => {
    event.preventDefault();
    for (const touch of event.changedTouches) {
      const finger = fingers.get(touch.identifier);
      if (finger) Object.assign(finger, { x: touch.clientX, y: touch.clientY });
    }
    sendButtons();
  }, { passive: false });
  const lift = (event) => {
    for (const touch of event.changedTouches) fingers.delete(touch.identifier);
    sendButtons();
  };
  touchArea.addEventListener('touchend', lift);
  touchArea.addEventListener('touchcancel', lift);
  window.addEventListener('touchstart', showTouchControls, { capture: true, passive: true });
  if (window.matchMedia && matchMedia('(pointer: coarse)').matches) showTouchControls();

  // ---- Before loading: what this browser lacks that the game cannot do without.
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('This browser cannot run WebAssembly, which the game is made of. ' +
         'Turn it on (some browsers turn it off with their strictest security settings) ' +
         'or play in another browser.', '');
    return;
  }
  // Where WebGL is drawn by the processor (no graphics card, or none the browser may use), the
  // library's own drawing into a plain canvas costs far less: the desktop build does the same,
  // with the same names of such renderers (kCpuRasterisers in tolvex/src/platform/Adapter.cpp).
  const kCpuRasterisers =
    /llvmpipe|softpipe|swrast|Software Rasterizer|Basic Render|SwiftShader|GDI Generic/i;
  function probeDrawing() {
    const found = { webgl: false, cpu: false, plain: false, renderer: '' };
    try {
      const gl = document.createElement('canvas').getContext('webgl');
      if (gl) {
        found.webgl = true;
        const info = gl.getExtension('WEBGL_debug_renderer_info');
        found.renderer = String(gl.getParameter(info ? info.UNMASKED_RENDERER_WEBGL : gl.RENDERER));
        found.cpu = kCpuRasterisers.test(found.renderer);
        const lose = gl.getExtension('WEBGL_lose_context');
        if (lose) lose.loseContext();
      }
    } catch (error) {
      // As if there were no WebGL.
    }
    try {
      found.plain = Boolean(document.createElement('canvas').getContext('2d'));
    } catch (error) {
      // As if there were no plain canvas either.
    }
    return found;
  }
  const drawing = probeDrawing();
  if (!drawing.webgl && !drawing.plain) {
    fail('This browser lets the page draw neither with WebGL nor on a plain canvas, so the game ' +
         'has nowhere to show its picture. Turn on hardware acceleration or WebGL, or play in ' +
         'another browser.', '');
    return;
  }
  const env = {};
  if (!drawing.webgl || drawing.cpu) env.TOLVEX_RENDERER = 'software';
  window.keldoDrawing = { renderer: drawing.renderer, software: env.TOLVEX_RENDERER === 'software' };

  // ---- Storage: the best score lives in the browser's storage for this page (IndexedDB). A
  // frame without it (sandboxed), blocked site data or a browser without it: the game still
  // plays, keeps nothing, and the page says so once.
  function probeStorage() {
    return new Promise((resolve) => {
      const kProbe = 'keldo-probe';
      const without = (why) => resolve(`the best score and settings will not be kept: ${why}`);
      let request;
      try {
        if (!window.indexedDB) return without('this browser gives pages no storage');
        request = indexedDB.open(kProbe);
      } catch (error) {
        return without('this page may not keep data here (a frame without storage?)');
      }
      request.onsuccess = () => {
        request.result.close();
        indexedDB.deleteDatabase(kProbe);
        resolve('');
      };
      request.onerror = () => without('the browser keeps no data for this page');
      request.onblocked = () => resolve('');
    });
  }

  // ---- The files, with the bytes loaded out of those awaited shown while they come: first the
  // program and the title's files, then, while the title runs, the rest of the game's.
  const progress = $('progress');
  const loadedLine = $('loaded');
  const arrived = {};
  // Each file's bytes once whole, for the offline copy.
  const whole = {};
  let awaited = ['keldo.js', 'keldo.wasm', 'keldo.data'];
  const megabytes = (n) => (n / 1e6).toFixed(1);
  function showProgress() {
    const total = awaited.reduce((sum, name) => sum + (build.files[name] || 0), 0);
    const loaded = awaited.reduce((sum, name) => sum + (arrived[name] || 0), 0);
    if (total > 0) {
      progress.value = Math.min(1, loaded / total);
      loadedLine.textContent = `Loading: ${megabytes(loaded)} of ${megabytes(total)} MB`;
    } else {
      progress.removeAttribute('value');
      loadedLine.textContent = `Loading: ${megabytes(loaded)} MB`;
    }
  }
  // Why a file could not be had at all. A request the browser may send but not show the page
  // (no-cors) tells a refusal by the server's CORS rules from a network that failed: inside a
  // frame sandboxed without allow-same-origin, the page's own files count as another site's.
  async function unreachable(name, error) {
    let refused = false;
    try {
      await fetch(versioned(name), { mode: 'no-cors', cache: 'no-store' });
      refused = true;
    } catch (again) {
      // The network itself.
    }
    if (!refused) return `${name} could not be loaded: the network failed (${error.message}).`;
    if (window.origin === 'null') {
      return `${name} could not be loaded: the game is in a frame sandboxed without ` +
             'allow-same-origin, where its own files count as another site\'s, and their server ' +
             'does not allow that (CORS: no Access-Control-Allow-Origin). The site showing the ' +
             'game can add allow-same-origin to the frame\'s sandbox, or the game\'s server can ' +
             'allow any origin.';
    }
    return `${name} could not be loaded: its server does not let this page read it (CORS: no ` +
           `Access-Control-Allow-Origin for ${location.origin}).`;
  }
  // The file as a response whose body is counted as it comes and checked for its size at the
  // end (a cut or a wrong file fails it, and the page, with the reason).
  async function fetchFile(name) {
    let response;
    try {
      response = await fetch(versioned(name));
    } catch (error) {
      throw new Error(await unreachable(name, error));
    }
    if (!response.ok) {
      throw new Error(`${name} could not be loaded: the server answered ` +
                      `${response.status} ${response.statusText}`.trim() + '.');
    }
    const expected = build.files[name];
    const parts = [];
    let size = 0;
    const reader = response.body.getReader();
    const body = new ReadableStream({
      async pull(controller) {
        let chunk;
        try {
          chunk = await reader.read();
        } catch (error) {
          return refuse(controller, `${name} was cut short: the connection broke after ${size} bytes.`);
        }
        if (chunk.done) {
          if (expected !== undefined && size !== expected) {
            return refuse(controller, size < expected
              ? `${name} was cut short: ${size} of its ${expected} bytes arrived.`
              : `${name} is not the one this page was made with (${size} bytes, not ${expected}).`);
          }
          const bytes = new Uint8Array(size);
          let at = 0;
          for (const part of parts) {
            bytes.set(part, at);
            at += part.length;
          }
          whole[name] = bytes;
          controller.close();
          return undefined;
        }
        parts.push(chunk.value);
        size += chunk.value.length;
        arrived[name] = size;
        showProgress();
        controller.enqueue(chunk.value);
        return undefined;
      },
    });
    function refuse(controller, message) {
      fail(message);
      controller.error(new Error(message));
    }
    return new Response(body, { headers: { 'Content-Type': kTypes[name] } });
  }
  const fetchBytes = (name) => fetchFile(name).then((response) => response.arrayBuffer())
    .then(() => whole[name]);

  // ---- The game's saved data lives where a desktop keeps it, in the home folder; on the page
  // that folder is in the browser's storage: read before the game starts, written back after
  // every save (which ends with a rename). A screenshot (F12) is offered as a download.
  const home = '/home/web_user';
  const saves = home + '/.local/share';
  // The player's settings and keys, beside the saves in the browser's storage.
  const settings = home + '/.config';
  const pictures = home + '/Pictures';
  function download(path) {
    const FS = Module.FS;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([FS.readFile(path)], { type: 'image/png' }));
    link.download = path.slice(path.lastIndexOf('/') + 1);
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    FS.unlink(path);
  }
  function keepSaves(storageProblem) {
    const FS = Module.FS;
    FS.mkdirTree(saves);
    FS.mkdirTree(settings);
    FS.mkdirTree(pictures);
    const kept = !storageProblem;
    if (kept) {
      FS.mount(FS.filesystems.IDBFS, {}, saves);
      FS.mount(FS.filesystems.IDBFS, {}, settings);
      Module.addRunDependency('saves');
      FS.syncfs(true, (error) => {
        if (error) notice('The saved best score and settings could not be read from the browser.');
        Module.removeRunDependency('saves');
      });
    } else {
      notice(storageProblem[0].toUpperCase() + storageProblem.slice(1) + '.');
    }
    const rename = FS.rename;
    FS.rename = function (from, to) {
      rename.call(FS, from, to);
      if (kept && (to.startsWith(saves + '/') || to.startsWith(settings + '/'))) {
        FS.syncfs(false, (error) => {
          if (error) notice('The best score or settings could not be kept in the browser.');
        });
      } else if (to.startsWith(pictures + '/')) {
        download(to);
      }
    };
  }

  // ---- After one visit the page's files are kept by a service worker under this build's
  // version, so that the game starts without a network; a new build replaces them. The large
  // files the page has loaded already are put in that copy from here, not fetched again.
  const kTypes = { 'keldo.js': 'text/javascript', 'keldo.wasm': 'application/wasm',
                   'keldo.data': 'application/octet-stream',
                   'keldo-more.data': 'application/octet-stream' };
  async function keepForOffline(loaded) {
    try {
      if (!build.version || !navigator.serviceWorker || !window.caches) return;
      const cache = await caches.open(`keldo-${build.version}`);
      await Promise.all(Object.entries(loaded).map(([name, bytes]) => cache.put(
        versioned(name), new Response(bytes, { headers: { 'Content-Type': kTypes[name] } }))));
      await navigator.serviceWorker.register('sw.js');
    } catch (error) {
      // A frame without storage: the game is played online only.
    }
  }

  // The program is compiled while it downloads: its runtime asks for keldo.wasm with fetch,
  // and is given the response already on its way, counted and checked.
  const wasmName = versioned('keldo.wasm');
  const wasmResponse = fetchFile('keldo.wasm');
  wasmResponse.catch((error) => fail(error.message));
  const pageFetch = window.fetch.bind(window);
  window.fetch = (url, options) => (url === wasmName && !(options && options.mode === 'no-cors')
    ? wasmResponse : pageFetch(url, options));

  // The web-app manifest, which lets a browser offer to install the page, once the title shows:
  // a browser fetches it and its icon at once, and on a slow network nothing may share the line
  // with the title's files.
  function offerInstalling() {
    const link = document.createElement('link');
    link.rel = 'manifest';
    link.href = versioned('manifest.webmanifest');
    document.head.appendChild(link);
  }

  // The rest of the game's files, asked for once the title shows (on a slow network nothing
  // may share the line with the title's), or sooner if the game waits for one of them; written
  // into the program's Data folder.
  let wantTheRest;
  const restWanted = new Promise((resolve) => { wantTheRest = resolve; });
  async function bringTheRest() {
    if (!build.more || build.more.length === 0) return;
    await restWanted;
    awaited = ['keldo-more.data'];
    const bytes = await fetchBytes('keldo-more.data');
    let at = 0;
    for (const [name, size] of build.more) {
      Module.FS.writeFile(`/Data/${name}`, bytes.subarray(at, at + size));
      at += size;
    }
  }

  function start([js, data, storageProblem]) {
    if (failed) return;
    // Settled either way: after a failure the page says why, and the game's own read of a
    // missing file ends it.
    const rest = bringTheRest().catch((error) => fail(error.message));
    window.Module = {
      canvas: canvas,
      filesComing: rest.then(() => {
        Module.filesComing = null;
        keepForOffline(whole);
      }),
      // While the game waits for them: the progress bar over the picture.
      onFilesWait: (waiting) => {
        if (!failed) $('loading').hidden = !waiting;
        if (waiting) {
          wantTheRest();
          showProgress();
        }
      },
      getPreloadedPackage: () => data.buffer,
      playerActed,
      locateFile: versioned,
      preRun: [() => {
        loadedLine.textContent = 'Starting…';
        Object.assign(Module.ENV, env);
        keepSaves(storageProblem);
        // Automation: a test sets the library's variables and writes its files here.
        if (window.keldoSetUp) window.keldoSetUp(Module);
      }],
      print: (text) => console.log(text),
      printErr: (text) => {
        lastError = text;
        console.error(text);
      },
      setStatus: () => {},
      // Each game frame, as the game hands the browser its turn, and whether it presented a
      // picture (a still or skipped one presents none); the counts and the time of the first
      // are there for whoever measures the page.
      onFrame: (shown) => {
        if (window.keldoFrames === undefined) {
          window.keldoFrames = 0;
          window.keldoShown = 0;
          $('loading').hidden = true;
          window.keldoFirstFrameMs = performance.now();
          wantTheRest();
          offerInstalling();
        }
        window.keldoFrames++;
        if (shown) window.keldoShown++;
        if (window.keldoFrameTimes) window.keldoFrameTimes.push(performance.now());
      },
      toggleFullscreen: toggleFullscreen,
      onMute: (muted) => {
        window.keldoMuted = muted;
        $('mute').setAttribute('aria-pressed', String(muted));
      },
      onPause: (now) => {
        paused = now;
        window.keldoPaused = now;
        $('hint').hidden = !now;
        if (now) suspendAudio();
        else resumeAudio();
      },
      onAbort: (what) => fail(`The game stopped: ${lastError || what}`),
      // The game has ended: an error, or the frame limit of an automated run.
      onExit: (code) => {
        exited = true;
        if (code === 0) {
          status.textContent = 'The game has ended: reload the page to play again.';
        } else {
          fail(`The game stopped: ${lastError || `exit code ${code}`}`);
        }
      },
    };
    const script = document.createElement('script');
    script.text = new TextDecoder().decode(js);
    document.body.appendChild(script);
  }

  Promise.all([fetchBytes('keldo.js'), fetchBytes('keldo.data'), probeStorage()])
    .then(start)
    .catch((error) => fail(error.message));
})();
