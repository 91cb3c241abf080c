// Headless Chromium driven through its DevTools protocol, with the page served from a folder
// on 127.0.0.1 by a small server that counts what it sends. Shared by the page test and the
// page benchmark. Needs node's WebSocket (node --experimental-websocket on node 20).
import { spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, readdirSync, rmSync, existsSync, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, normalize, resolve } from 'node:path';
import { inflateSync } from 'node:zlib';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.css': 'text/css',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.png': 'image/png',
  '.ico': 'image/x-icon',
  '.webmanifest': 'application/manifest+json',
};

export function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// The paths a test's command line gives, made absolute: as many as `usage` names after the
// script ('PageTest.mjs PAGE_DIR OUT_DIR'). One missing prints the usage line and exits 2.
export function testPaths(usage) {
  const wanted = usage.split(' ').length - 1;
  const given = process.argv.slice(2, 2 + wanted);
  if (given.length < wanted || given.some((p) => !p)) {
    console.error(`usage: ${usage}`);
    process.exit(2);
  }
  return given.map((p) => resolve(p));
}

// A test's verdicts: each check prints "ok" or "FAIL" with what it saw; a test cut short by an
// error fails with it (and what the page logged); finish() prints the count and exits with it.
export function verdicts(name) {
  const failures = [];
  return {
    check(ok, what) {
      console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
      if (!ok) failures.push(what);
    },
    failed(error, logged = []) {
      failures.push(error.message);
      console.log(`FAIL ${error.message}`);
      if (logged.length) console.log(`     logged: ${logged.join('\n             ')}`);
    },
    finish() {
      console.log(failures.length === 0 ? `${name}: all passed` : `${name}: ${failures.length} failed`);
      process.exit(failures.length === 0 ? 0 : 1);
    },
  };
}

// Serves `root` (which may be changed while it runs: `state.root`); `sent` counts the body
// bytes of every answer since the last reset. `options.port` asks for a port; `options.faults`
// maps a file's path to 'missing' (404), 'cut' (half of it sent, as if the connection broke) or
// 'held' (answered only once `state.release()` is called). Every answer allows any origin, as a
// server of a game for portals' sandboxed frames must, unless `state.cors` is false.
// `options.compressed`: the build's .br copy is sent in place of a file, as the README's
// server does, to a browser that accepts brotli.
export async function serve(root, options = {}) {
  // `log`: every file sent, with the clock's time it was asked for.
  const state = { sent: 0, requests: [], log: [], root, faults: options.faults || {}, cors: true };
  let held = [];
  state.release = () => {
    for (const answer of held) answer();
    held = [];
  };
  const server = createServer((req, res) => {
    let path;
    try {
      path = normalize(decodeURIComponent(new URL(req.url, 'http://x').pathname));
    } catch {
      // A request the URL parser refuses ('//', a broken escape) is the client's fault.
      res.writeHead(400).end();
      return;
    }
    let file = join(state.root, path);
    if (!file.startsWith(state.root)) {
      res.writeHead(403).end();
      return;
    }
    if (existsSync(file) && statSync(file).isDirectory()) file = join(file, 'index.html');
    const fault = state.faults[path];
    const origin = state.cors ? { 'Access-Control-Allow-Origin': '*' } : {};
    if (!existsSync(file) || fault === 'missing') {
      state.requests.push(`404 ${path}`);
      res.writeHead(404, origin).end();
      return;
    }
    if (fault === 'held') {
      held.push(() => answer(req, res, file, path, origin));
      return;
    }
    answer(req, res, file, path, origin, fault);
  });
  function answer(req, res, file, path, origin, fault) {
    const brotli = options.compressed && existsSync(`${file}.br`) &&
                   /\bbr\b/.test(req.headers['accept-encoding'] || '');
    const body = readFileSync(brotli ? `${file}.br` : file);
    state.sent += body.length;
    state.requests.push(`${body.length} ${path}`);
    state.log.push({ at: Date.now(), bytes: body.length, path });
    res.writeHead(200, {
      'Content-Type': TYPES[extname(file)] || 'application/octet-stream',
      'Content-Length': body.length,
      'Cache-Control': 'no-store',
      ...(brotli ? { 'Content-Encoding': 'br' } : {}),
      ...origin,
    });
    if (fault === 'cut') {
      res.write(body.subarray(0, body.length >> 1), () => setTimeout(() => res.destroy(), 100));
      return;
    }
    res.end(body);
  }
  server.keepAliveTimeout = 1;
  await new Promise((resolve) => server.listen(options.port || 0, '127.0.0.1', resolve));
  state.port = server.address().port;
  state.url = `http://127.0.0.1:${state.port}/`;
  state.close = () => new Promise((resolve) => {
    server.close(resolve);
    server.closeAllConnections();
  });
  return state;
}

// Starts Debian's Chromium headless with a fresh profile; resolves to a DevTools session on
// its first tab.
export async function launch({ chromium = '/usr/bin/chromium', width = 1280, height = 800, args: extra = [] } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'keldo-chromium-'));
  const args = [
    '--headless=new', '--no-sandbox', '--no-first-run', '--no-default-browser-check',
    '--disable-extensions', '--disable-background-networking', '--mute-audio',
    '--enable-unsafe-swiftshader', `--window-size=${width},${height}`,
    `--user-data-dir=${profile}`, '--remote-debugging-port=0', ...extra, 'about:blank',
  ];
  const child = spawn(chromium, args, { stdio: ['ignore', 'ignore', 'pipe'] });
  // Heard from the start: a browser that has ended (a crash, or killed) before close() is
  // asked for says so only once.
  const exited = new Promise((resolve) => child.once('exit', resolve));
  let stderr = '';
  child.stderr.on('data', (d) => { stderr += d; });
  const portFile = join(profile, 'DevToolsActivePort');
  // The file may be there before its first line is: the port is read once it is whole.
  const portNow = () => (existsSync(portFile) ? /^(\d+)\n/.exec(readFileSync(portFile, 'utf8')) : null);
  let found = portNow();
  for (let i = 0; i < 600 && !found; i++) {
    if (child.exitCode !== null) throw new Error(`chromium exited: ${stderr}`);
    await sleep(100);
    found = portNow();
  }
  if (!found) {
    child.kill();
    throw new Error('chromium did not open its DevTools port');
  }
  const port = found[1];
  let target;
  for (let i = 0; i < 100 && !target; i++) {
    const list = await (await fetch(`http://127.0.0.1:${port}/json/list`)).json();
    target = list.find((t) => t.type === 'page');
    if (!target) await sleep(100);
  }
  const session = await connect(target.webSocketDebuggerUrl);
  session.pid = child.pid;
  session.close = async () => {
    session.socket.close();
    child.kill('SIGTERM');
    await exited;
    // Chromium's helper processes may still be writing there as it ends.
    try {
      rmSync(profile, { recursive: true, force: true, maxRetries: 50, retryDelay: 100 });
    } catch {
      // Left for the system's temporary-file sweep.
    }
  };
  return session;
}

function connect(url) {
  const socket = new WebSocket(url);
  const pending = new Map();
  const listeners = [];
  let next = 1;
  socket.onmessage = (event) => {
    const message = JSON.parse(event.data);
    if (message.id && pending.has(message.id)) {
      const { resolve, reject } = pending.get(message.id);
      pending.delete(message.id);
      if (message.error) reject(new Error(`${message.error.message} ${message.error.data || ''}`));
      else resolve(message.result);
    } else if (message.method) {
      for (const listener of listeners) listener(message.method, message.params, message.sessionId);
    }
  };
  const session = {
    socket,
    send(method, params = {}, sessionId = undefined) {
      const id = next++;
      socket.send(JSON.stringify({ id, method, params, sessionId }));
      return new Promise((resolve, reject) => pending.set(id, { resolve, reject }));
    },
    on(listener) {
      listeners.push(listener);
    },
    // `sessionId`: in a frame of its own process (see frameSession).
    async evaluate(expression, sessionId = undefined) {
      const result = await session.send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true }, sessionId);
      const thrown = result.exceptionDetails;
      if (thrown) throw new Error(`${expression}: ${(thrown.exception?.description ?? thrown.text).split('\n')[0]}`);
      return result.result.value;
    },
    async waitFor(expression, timeoutMs, what, sessionId = undefined) {
      const until = Date.now() + timeoutMs;
      let lastError = '';
      for (;;) {
        // While a page is being left or loaded, it has nothing to answer with; an expression
        // that still fails at the end (a wrong one) shows its error with the timeout.
        const value = await session.evaluate(expression, sessionId).then((answer) => {
          lastError = '';
          return answer;
        }, (error) => {
          lastError = error.message;
          return undefined;
        });
        if (value) return value;
        if (Date.now() > until) {
          throw new Error(`timed out waiting for ${what}${lastError ? ` (last error: ${lastError})` : ''}`);
        }
        await sleep(50);
      }
    },
    async key(code, key, keyCode, holdMs = 100) {
      const base = { code, key, windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode };
      await session.send('Input.dispatchKeyEvent', { type: 'keyDown', ...base, text: key.length === 1 ? key : undefined });
      await sleep(holdMs);
      await session.send('Input.dispatchKeyEvent', { type: 'keyUp', ...base });
    },
    // Fingers on a touch screen: `type` touchStart, touchMove or touchEnd, `points` every finger
    // down after the change ({ id, x, y } in the page's CSS pixels); a finger missing from the
    // points of a touchMove is lifted.
    async touch(type, points = []) {
      await session.send('Input.dispatchTouchEvent', {
        type,
        touchPoints: points.map(({ id, x, y }) => ({ id, x, y, radiusX: 8, radiusY: 8, force: 1 })),
      });
    },
    // Frames of other sites run in processes of their own: each one that appears is attached to
    // this connection; `frame(prefix)` waits for the one whose address starts with `prefix` and
    // gives its session, for evaluate and waitFor; `frame.forget()` before leaving a page.
    async attachFrames() {
      const frames = new Map();
      session.on((method, params) => {
        if (method === 'Target.attachedToTarget' && params.targetInfo.type === 'iframe') {
          frames.set(params.sessionId, true);
        } else if (method === 'Target.detachedFromTarget') {
          frames.delete(params.sessionId);
        }
      });
      await session.send('Target.setAutoAttach', { autoAttach: true, waitForDebuggerOnStart: false, flatten: true });
      const find = async (prefix, timeoutMs = 30_000) => {
        const until = Date.now() + timeoutMs;
        for (;;) {
          for (const id of frames.keys()) {
            const url = await session.evaluate('location.href', id).catch(() => '');
            if (url.startsWith(prefix)) return id;
          }
          if (Date.now() > until) throw new Error(`no frame of ${prefix} appeared`);
          await sleep(100);
        }
      };
      // Before leaving a page: its frames are not those of the next one.
      find.forget = () => frames.clear();
      return find;
    },
    // The canvas as the page shows it, as PNG bytes.
    async canvasShot() {
      const box = await session.evaluate(
        'JSON.stringify(document.getElementById("canvas").getBoundingClientRect())');
      const r = JSON.parse(box);
      const shot = await session.send('Page.captureScreenshot', {
        format: 'png',
        clip: { x: r.x, y: r.y, width: r.width, height: r.height, scale: 1 },
      });
      return Buffer.from(shot.data, 'base64');
    },
  };
  return new Promise((resolve, reject) => {
    socket.onopen = () => resolve(session);
    socket.onerror = () => reject(new Error(`cannot connect to ${url}`));
  });
}

// The processor time (in seconds) that a process and all of its descendants have used so far,
// in total and by Chromium's kind of process (browser, renderer, gpu-process, ...).
export function processTreeSeconds(pid) {
  const kTicks = 100;  // USER_HZ on Linux
  const parent = new Map();
  const used = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parent.set(Number(name), Number(fields[1]));
      used.set(Number(name), (Number(fields[11]) + Number(fields[12])) / kTicks);
    } catch {
      // Gone meanwhile.
    }
  }
  const byKind = {};
  let total = 0;
  for (const [id, seconds] of used) {
    let at = id;
    while (at > 1 && at !== pid) at = parent.get(at) ?? 0;
    if (at !== pid) continue;
    let kind = 'browser';
    try {
      const type = readFileSync(`/proc/${id}/cmdline`, 'utf8').match(/--type=([a-z-]+)/);
      if (type) kind = type[1];
    } catch {
      // Gone meanwhile.
    }
    byKind[kind] = (byKind[kind] || 0) + seconds;
    total += seconds;
  }
  return { total, byKind };
}

// Console errors, uncaught exceptions and failed loads, as they come.
export function collectErrors(session) {
  const errors = [];
  session.on((method, params) => {
    if (method === 'Runtime.consoleAPICalled' && (params.type === 'error' || params.type === 'assert')) {
      errors.push(`console.${params.type}: ${params.args.map((a) => a.value ?? a.description).join(' ')}`);
    } else if (method === 'Runtime.exceptionThrown') {
      const d = params.exceptionDetails;
      errors.push(`exception: ${d.exception?.description ?? d.text}`);
    } else if (method === 'Log.entryAdded' && params.entry.level === 'error') {
      errors.push(`log: ${params.entry.text} ${params.entry.url ?? ''}`);
    }
  });
  return errors;
}

// A non-interlaced 8-bit RGB or RGBA PNG (what Chromium's screenshots are) as RGB rows.
export function decodePng(bytes) {
  let at = 8;
  let width = 0, height = 0, channels = 0;
  const data = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error('unexpected PNG kind');
      channels = { 2: 3, 6: 4 }[body[9]];
      if (!channels) throw new Error(`unexpected PNG colour type ${body[9]}`);
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const out = Buffer.alloc(width * height * 3);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? line[x - channels] : 0;
      const b = prev[x];
      const c = x >= channels ? prev[x - channels] : 0;
      let add = 0;
      if (filter === 1) add = a;
      else if (filter === 2) add = b;
      else if (filter === 3) add = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        add = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      line[x] = (line[x] + add) & 0xff;
    }
    for (let x = 0; x < width; x++) {
      for (let k = 0; k < 3; k++) out[(y * width + x) * 3 + k] = line[x * channels + k];
    }
    prev = line;
  }
  return { width, height, rgb: out };
}

// The picture averaged into a grid of cells, each cell's mean colour: a coarse look that
// does not care about the scale it was shown at.
export function cells(picture, across = 32, down = 18) {
  const out = new Float64Array(across * down * 3);
  const counts = new Float64Array(across * down);
  for (let y = 0; y < picture.height; y++) {
    const cy = Math.min(down - 1, Math.floor((y * down) / picture.height));
    for (let x = 0; x < picture.width; x++) {
      const cx = Math.min(across - 1, Math.floor((x * across) / picture.width));
      const cell = cy * across + cx;
      counts[cell]++;
      for (let k = 0; k < 3; k++) out[cell * 3 + k] += picture.rgb[(y * picture.width + x) * 3 + k];
    }
  }
  for (let i = 0; i < counts.length; i++) for (let k = 0; k < 3; k++) out[i * 3 + k] /= counts[i] || 1;
  return out;
}

// Mean absolute difference of two cell grids, 0 (same) to 255.
export function difference(a, b) {
  let sum = 0;
  for (let i = 0; i < a.length; i++) sum += Math.abs(a[i] - b[i]);
  return sum / a.length;
}
