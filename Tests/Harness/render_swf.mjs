#!/usr/bin/env node
// Plays an SWF file in the Ruffle player inside headless Chromium and records
// the stage at chosen frames (one stage pixel per image pixel), trace text
// and optionally the mixed sound (Tests/Support/SwfPlayer.h reads the result).
//
//   node render_swf.mjs MOVIE.swf --out DIR [--frames 1,2,5] [--click X,Y@F]...
//                       [--png] [--audio] [--renderer R] [--timeout S]
//
// Frame N is the stage once the player ran its N-th frame; a click at stage
// pixel X,Y follows frame F. DIR receives frame-N.rgb (top row first), with
// --png frame-N.png, with --audio audio.f32 (44100 Hz stereo float32), and
// result.txt: size W H | frame N FILE | trace N "json" | console "json" |
// error "json". Exit status: 0 done, 1 not playable, 2 bad arguments,
// 3 a dependency is missing, 4 timed out.
//
// Time is virtual: requestAnimationFrame and Web Audio are replaced so that
// this script alone advances the player, and captures are frame-exact on any
// machine. The page may reach only the local server this script runs.
// MVD_HARNESS_HOME: where setup.sh installed the npm packages (default
// ~/.cache/mvd-harness); CHROMIUM: the browser (default chromium on PATH).

import { createRequire } from "node:module";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import zlib from "node:zlib";

const EXIT_FAILED = 1, EXIT_USAGE = 2, EXIT_MISSING = 3, EXIT_TIMEOUT = 4;

function fail(code, message) {
  console.error("render_swf: " + message);
  process.exit(code);
}

function parseArguments(argv) {
  const args = { frames: [1], clicks: [], png: false, audio: false, renderer: null, timeout: 90 };
  const positional = [];
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    const value = () => {
      if (i + 1 >= argv.length) fail(EXIT_USAGE, "missing value for " + a);
      return argv[++i];
    };
    if (a === "--out") args.out = value();
    else if (a === "--frames") {
      args.frames = value().split(",").map(Number);
      if (args.frames.some((f) => !Number.isInteger(f) || f < 1)) fail(EXIT_USAGE, "frames are whole numbers from 1");
    } else if (a === "--click") {
      const m = /^(\d+),(\d+)@(\d+)$/.exec(value());
      if (!m) fail(EXIT_USAGE, "--click wants X,Y@FRAME");
      args.clicks.push({ x: +m[1], y: +m[2], frame: +m[3] });
    } else if (a === "--png") args.png = true;
    else if (a === "--audio") args.audio = true;
    else if (a === "--renderer") args.renderer = value();
    else if (a === "--timeout") args.timeout = Number(value());
    else if (a.startsWith("--")) fail(EXIT_USAGE, "unknown option " + a);
    else positional.push(a);
  }
  if (positional.length !== 1 || !args.out) fail(EXIT_USAGE, "usage: render_swf.mjs MOVIE.swf --out DIR [options]");
  args.movie = positional[0];
  args.frames = [...new Set(args.frames)].sort((a, b) => a - b);
  return args;
}

// Stage size and frame rate from the header; compressed (CWS) bodies are
// inflated first.
function readHeader(bytes) {
  const signature = bytes.toString("latin1", 0, 3);
  let body;
  if (signature === "FWS") body = bytes.subarray(8);
  else if (signature === "CWS") body = zlib.inflateSync(bytes.subarray(8));
  else throw new Error("not an SWF file this harness reads (" + JSON.stringify(signature) + ")");
  let bit = 0;
  const bits = (n) => {
    let v = 0;
    for (let k = 0; k < n; k++, bit++) {
      if ((bit >> 3) >= body.length) throw new Error("SWF header is truncated");
      v = v * 2 + ((body[bit >> 3] >> (7 - (bit & 7))) & 1);
    }
    return v;
  };
  const signed = (n) => {
    const v = bits(n);
    return n > 0 && v >= 2 ** (n - 1) ? v - 2 ** n : v;
  };
  const n = bits(5);
  const [xmin, xmax, ymin, ymax] = [signed(n), signed(n), signed(n), signed(n)];
  const at = (bit + 7) >> 3;
  if (at + 4 > body.length) throw new Error("SWF header is truncated");
  return {
    version: bytes[3],
    width: Math.round((xmax - xmin) / 20),
    height: Math.round((ymax - ymin) / 20),
    rate: body[at + 1] + body[at] / 256,
    frames: body.readUInt16LE(at + 2),
  };
}

// Decodes the 8-bit, non-interlaced RGB or RGBA PNGs that Chromium's
// screenshots are, into packed RGB rows.
function pngToRgb(png) {
  let pos = 8, width = 0, height = 0, channels = 0;
  const idat = [];
  while (pos + 8 <= png.length) {
    const length = png.readUInt32BE(pos);
    const type = png.toString("latin1", pos + 4, pos + 8);
    const data = png.subarray(pos + 8, pos + 8 + length);
    if (type === "IHDR") {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      const depth = data[8], colour = data[9], interlace = data[12];
      if (depth !== 8 || interlace !== 0 || (colour !== 2 && colour !== 6)) {
        throw new Error(`screenshot PNG of an unexpected kind (depth ${depth}, colour ${colour})`);
      }
      channels = colour === 6 ? 4 : 3;
    } else if (type === "IDAT") idat.push(data);
    else if (type === "IEND") break;
    pos += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const rgb = Buffer.alloc(width * height * 3);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? line[i - channels] : 0;
      const b = previous[i];
      const c = i >= channels ? previous[i - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = a;
      else if (filter === 2) predictor = b;
      else if (filter === 3) predictor = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      line[i] = (line[i] + predictor) & 0xff;
    }
    for (let x = 0; x < width; x++) {
      line.copy(rgb, (y * width + x) * 3, x * channels, x * channels + 3);
    }
    previous = line;
  }
  return { width, height, rgb };
}

// Runs in the page before any of its scripts: a manual animation-frame
// queue and a Web Audio stand-in driven by the same virtual clock.
function installVirtualTime() {
  const callbacks = new Map();
  let nextId = 1;
  window.requestAnimationFrame = (cb) => {
    callbacks.set(nextId, cb);
    return nextId++;
  };
  window.cancelAnimationFrame = (id) => callbacks.delete(id);

  const contexts = [];
  class VirtualBuffer {
    constructor(channels, length, sampleRate) {
      Object.assign(this, { numberOfChannels: channels, length, sampleRate, duration: length / sampleRate });
      this.channels = Array.from({ length: channels }, () => new Float32Array(length));
    }
    getChannelData(c) { return this.channels[c]; }
    copyToChannel(source, c, offset = 0) { this.channels[c].set(source, offset); }
    copyFromChannel(target, c, offset = 0) { target.set(this.channels[c].subarray(offset, offset + target.length)); }
  }
  class VirtualSource {
    constructor(context) { Object.assign(this, { context, buffer: null, onended: null, endsAt: 0 }); }
    connect(node) { return node; }
    disconnect() {}
    addEventListener(type, cb) { if (type === "ended") this.onended = cb; }
    removeEventListener() {}
    start(when = 0) {
      const ctx = this.context;
      const at = Math.max(when, ctx.now);
      const b = this.buffer;
      this.endsAt = at + (b ? b.length / b.sampleRate : 0);
      if (b) ctx.mixed.push({ at, channels: b.channels.map((d) => d.slice()) });
      ctx.playing.add(this);
    }
    stop() { this.context.playing.delete(this); }
  }
  class VirtualAudioContext {
    constructor(options) {
      Object.assign(this, {
        sampleRate: (options && options.sampleRate) || 44100, state: "running",
        destination: { channelCount: 2 }, baseLatency: 0, now: 0, playing: new Set(), mixed: [],
      });
      contexts.push(this);
    }
    get currentTime() { return this.now; }
    createBuffer(channels, length, rate) { return new VirtualBuffer(channels, length, rate); }
    createBufferSource() { return new VirtualSource(this); }
    createGain() { return { gain: { value: 1, setValueAtTime() {} }, connect: (n) => n, disconnect() {} }; }
    resume() { this.state = "running"; return Promise.resolve(); }
    suspend() { return Promise.resolve(); }
    close() { this.state = "closed"; this.playing.clear(); return Promise.resolve(); }
    addEventListener() {}
    removeEventListener() {}
    // Ends, in time order, every buffer that has played out by `t`; the
    // player refills from those events, as with a real audio device.
    advanceTo(t) {
      for (;;) {
        let first = null;
        for (const s of this.playing) if (s.endsAt <= t && (!first || s.endsAt < first.endsAt)) first = s;
        if (!first) break;
        this.playing.delete(first);
        this.now = Math.max(this.now, first.endsAt);
        if (first.onended) first.onended({ target: first });
      }
      this.now = Math.max(this.now, t);
    }
  }
  window.AudioContext = window.webkitAudioContext = VirtualAudioContext;
  window.__harness = {
    contexts,
    traces: [],
    tick(ms) {
      for (const c of contexts) if (c.state === "running") c.advanceTo(ms / 1000);
      const due = [...callbacks.values()];
      callbacks.clear();
      for (const cb of due) cb(ms);
    },
    // Everything mixed until `seconds`, as interleaved stereo float32 in base64.
    mixedAudio(seconds) {
      const c = contexts[0];
      if (!c) return null;
      const frames = Math.round(seconds * c.sampleRate);
      const out = new Float32Array(2 * frames);
      for (const chunk of c.mixed) {
        const start = Math.round(chunk.at * c.sampleRate);
        const [left, right = left] = chunk.channels;
        for (let i = 0; i < left.length && start + i < frames; i++) {
          out[2 * (start + i)] = left[i];
          out[2 * (start + i) + 1] = right[i];
        }
      }
      const bytes = new Uint8Array(out.buffer);
      let text = "";
      for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
      return btoa(text);
    },
  };
}

function pageHtml(width, height, config) {
  return `<!doctype html><html><head><meta charset="utf-8"><style>
html,body{margin:0;padding:0;overflow:hidden;background:#000}
#stage{position:absolute;left:0;top:0;width:${width}px;height:${height}px}
#stage ruffle-player{display:block;width:${width}px;height:${height}px}
</style><script>window.RufflePlayer = {config: ${JSON.stringify(config)}};</script>
<script src="/ruffle/ruffle.js"></script></head><body><div id="stage"></div></body></html>`;
}

const args = parseArguments(process.argv.slice(2));
if (!fs.existsSync(args.movie)) fail(EXIT_USAGE, "no such file: " + args.movie);
const movie = fs.readFileSync(args.movie);
let header;
try {
  header = readHeader(movie);
} catch (e) {
  fail(EXIT_FAILED, e.message);
}
if (header.width < 1 || header.height < 1) fail(EXIT_FAILED, "the stage is empty");
fs.mkdirSync(args.out, { recursive: true });

const home = process.env.MVD_HARNESS_HOME || path.join(os.homedir(), ".cache", "mvd-harness");
const requireFromHome = createRequire(path.join(home, "package.json"));
let chromium, ruffleDir;
try {
  ({ chromium } = requireFromHome("playwright-core"));
  ruffleDir = path.dirname(requireFromHome.resolve("@ruffle-rs/ruffle/package.json"));
} catch (e) {
  fail(EXIT_MISSING, `the harness packages are not installed in ${home} (run Tests/Harness/setup.sh)`);
}
function chromiumPath() {
  if (process.env.CHROMIUM) return process.env.CHROMIUM;
  for (const name of ["chromium", "chromium-browser"]) {
    try {
      return execFileSync("sh", ["-c", `command -v ${name}`]).toString().trim();
    } catch {}
  }
  fail(EXIT_MISSING, "chromium is not installed (or set CHROMIUM)");
}

const result = [`size ${header.width} ${header.height}`];
const note = (kind, text) => result.push(`${kind} ${JSON.stringify(String(text))}`);
const writeResult = () => fs.writeFileSync(path.join(args.out, "result.txt"), result.join("\n") + "\n");

const playerConfig = {
  publicPath: "/ruffle/", polyfills: false, autoplay: "on", unmuteOverlay: "hidden",
  splashScreen: false, letterbox: "off", contextMenu: "off", showSwfDownload: false,
  warnOnUnsupportedContent: false, allowNetworking: "none", openUrlMode: "deny",
  upgradeToHttps: false, scale: "noScale", forceScale: true, salign: "TL", forceAlign: true,
  logLevel: "warn", ...(args.renderer ? { preferredRenderer: args.renderer } : {}),
};
// The player does not keep a very small stage at the top left of an element
// of its own size; it gets an element of at least 64 x 64 pixels, with the
// stage aligned top left and not scaled, and captures are clipped to it.
const playerWidth = Math.max(header.width, 64);
const playerHeight = Math.max(header.height, 64);
const contentTypes = { ".js": "text/javascript", ".wasm": "application/wasm", ".map": "application/json" };
const server = http.createServer((request, response) => {
  const url = new URL(request.url, "http://127.0.0.1");
  let body = null, type = "application/octet-stream";
  if (url.pathname === "/") {
    body = pageHtml(playerWidth, playerHeight, playerConfig);
    type = "text/html";
  } else if (url.pathname === "/movie.swf") {
    body = movie;
  } else if (url.pathname.startsWith("/ruffle/")) {
    const file = path.join(ruffleDir, path.basename(url.pathname));
    if (path.basename(url.pathname) && fs.existsSync(file)) {
      body = fs.readFileSync(file);
      type = contentTypes[path.extname(file)] || type;
    }
  }
  response.writeHead(body === null ? 404 : 200, { "Content-Type": type, "Cache-Control": "no-store" });
  response.end(body === null ? undefined : body);
});
await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
const origin = `http://127.0.0.1:${server.address().port}`;
const profile = fs.mkdtempSync(path.join(os.tmpdir(), "mvd-harness-"));
let browser = null;

async function shutdown() {
  if (browser) await browser.close().catch(() => {});
  browser = null;
  server.close();
  fs.rmSync(profile, { recursive: true, force: true, maxRetries: 3 });
}
const watchdog = setTimeout(async () => {
  note("error", `timed out after ${args.timeout} s`);
  writeResult();
  setTimeout(() => process.exit(EXIT_TIMEOUT), 5000).unref();
  await shutdown();
  process.exit(EXIT_TIMEOUT);
}, args.timeout * 1000);

async function play() {
  browser = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath(),
    headless: true,
    viewport: { width: playerWidth, height: playerHeight },
    deviceScaleFactor: 1,
    // Software WebGL, sRGB output so that screenshot bytes are the colours
    // drawn, and nothing that reaches the network.
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--use-angle=swiftshader",
      "--enable-unsafe-swiftshader", "--force-color-profile=srgb", "--disable-quic",
      "--no-first-run", "--disable-background-networking", "--disable-component-update",
      "--disable-sync"],
  });
  await browser.route("**/*", (route) =>
    route.request().url().startsWith(origin + "/") ? route.continue() : route.abort());
  const page = browser.pages()[0] || (await browser.newPage());
  page.on("console", (m) => note("console", `[${m.type()}] ${m.text()}`));
  page.on("pageerror", (e) => note("error", e));
  await page.addInitScript(installVirtualTime);
  await page.goto(origin + "/");
  await page.waitForFunction(() => window.RufflePlayer.newest && window.RufflePlayer.newest());
  await page.evaluate(async () => {
    const player = window.RufflePlayer.newest().createPlayer();
    player.id = "player";
    document.getElementById("stage").appendChild(player);
    // Loading needs animation frames, but none may advance the movie: dt 0.
    const pump = setInterval(() => window.__harness.tick(0), 20);
    try {
      await player.ruffle().load({ url: "/movie.swf" });
    } finally {
      clearInterval(pump);
    }
    // On a CPU renderer the player offers a hint about hardware
    // acceleration on the first mouse-over; it would swallow clicks.
    const style = document.createElement("style");
    style.textContent = "#hardware-acceleration-modal{display:none !important}";
    player.shadowRoot.appendChild(style);
    player.ruffle().traceObserver = (text) => window.__harness.traces.push(String(text));
  });
  for (let attempt = 0; ; attempt++) {
    const loaded = await page.evaluate(() => {
      window.__harness.tick(0);
      return document.getElementById("player").ruffle().readyState === 2;
    });
    if (loaded) break;
    if (attempt > 400) throw new Error("the movie never finished loading");
    await new Promise((resolve) => setTimeout(resolve, 25));
  }

  const period = 1000 / (header.rate || 12);
  const takeTraces = async (frame) => {
    for (const text of await page.evaluate(() => window.__harness.traces.splice(0))) note(`trace ${frame}`, text);
  };
  const last = args.frames[args.frames.length - 1];
  for (let frame = 1; frame <= last; frame++) {
    // The player runs its first frame one period after start; ticking in
    // the middle of each period keeps frame boundaries clear of rounding.
    await page.evaluate((ms) => window.__harness.tick(ms), (frame + 0.5) * period);
    await takeTraces(frame);
    for (const click of args.clicks.filter((c) => c.frame === frame)) {
      await page.mouse.move(click.x, click.y);
      await page.mouse.down();
      await page.mouse.up();
      await takeTraces(frame);
    }
    if (!args.frames.includes(frame)) continue;
    const png = await page.screenshot({ clip: { x: 0, y: 0, width: header.width, height: header.height } });
    const { width, height, rgb } = pngToRgb(png);
    if (width !== header.width || height !== header.height) throw new Error("screenshot has the wrong size");
    const file = path.join(args.out, `frame-${frame}.rgb`);
    fs.writeFileSync(file, rgb);
    if (args.png) fs.writeFileSync(path.join(args.out, `frame-${frame}.png`), png);
    result.push(`frame ${frame} ${file}`);
  }
  if (args.audio) {
    const base64 = await page.evaluate((s) => window.__harness.mixedAudio(s), ((last + 0.5) * period) / 1000);
    if (base64 === null) throw new Error("the movie made no sound");
    fs.writeFileSync(path.join(args.out, "audio.f32"), Buffer.from(base64, "base64"));
  }
}

let status = 0;
try {
  await play();
} catch (e) {
  note("error", e && e.message ? e.message : e);
  console.error("render_swf: " + (e && e.stack ? e.stack : e));
  status = EXIT_FAILED;
}
clearTimeout(watchdog);
writeResult();
await shutdown();
process.exit(status);
