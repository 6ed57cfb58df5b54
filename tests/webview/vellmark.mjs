// The real program and a real browser for the view page: starts the built
// vellmark binary on the offscreen platform with a private home and a free
// remote port, drives it through its HTTP interface with the token from its
// own settings store, and opens views in Debian's Chromium.
import { spawn } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

export function freePort() {
  return new Promise((resolve, reject) => {
    const s = net.createServer();
    s.on("error", reject);
    s.listen(0, "127.0.0.1", () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}

export class Program {
  constructor(binary, { settings = {} } = {}) {
    this.binary = binary;
    this.home = fs.mkdtempSync(path.join(os.tmpdir(), "vellmark-view-"));
    for (const d of ["config", "data", "cache"]) fs.mkdirSync(path.join(this.home, d));
    this.storeFile = path.join(this.home, "config", "Vellmark", "Vellmark.conf");
    this.settings = settings;
    this.proc = null;
  }

  // Writes keys into the [General] group of the program's settings store
  // (QSettings' INI text), keeping what the program stored, such as its token.
  writeSettings(values) {
    const lines = fs.existsSync(this.storeFile) ? fs.readFileSync(this.storeFile, "utf8").split("\n") : ["[General]"];
    if (!lines.includes("[General]")) lines.unshift("[General]");
    for (const [k, v] of Object.entries(values)) {
      const at = lines.findIndex((l) => l.startsWith(k + "="));
      const line = `${k}=${v}`;
      if (at >= 0) lines[at] = line;
      else lines.splice(lines.indexOf("[General]") + 1, 0, line);
    }
    fs.mkdirSync(path.dirname(this.storeFile), { recursive: true });
    fs.writeFileSync(this.storeFile, lines.join("\n"));
  }

  readSetting(key) {
    const text = fs.readFileSync(this.storeFile, "utf8");
    const m = new RegExp("^" + key + "=(.*)$", "m").exec(text);
    return m ? m[1].trim() : null;
  }

  get base() { return `http://127.0.0.1:${this.port}`; }

  async start() {
    if (!this.port) this.port = await freePort();
    this.writeSettings({ remotePort: this.port, ...this.settings });
    const env = {
      ...process.env,
      HOME: this.home,
      XDG_CONFIG_HOME: path.join(this.home, "config"),
      XDG_DATA_HOME: path.join(this.home, "data"),
      XDG_CACHE_HOME: path.join(this.home, "cache"),
      QT_QPA_PLATFORM: "offscreen",
    };
    this.output = "";
    this.proc = spawn(this.binary, [], { env, stdio: ["ignore", "pipe", "pipe"] });
    this.proc.stdout.on("data", (d) => (this.output += d));
    this.proc.stderr.on("data", (d) => (this.output += d));
    const exited = new Promise((r) => this.proc.once("exit", r));
    this.exited = exited;
    // Up to 15 s for the program to start listening, asked every 100 ms.
    for (let i = 0; i < 150; ++i) {
      if (this.proc.exitCode !== null) break;
      try {
        const r = await fetch(this.base + "/api/v1/state");
        if (r.ok) {
          this.token = this.readSetting("remoteToken");
          return;
        }
      } catch (e) { /* not listening yet */ }
      await sleep(100);
    }
    throw new Error("the program did not start listening on " + this.base + ":\n" + this.output);
  }

  // Gone as a crash or a power cut takes it: no goodbye on any socket.
  async kill() {
    if (!this.proc || this.proc.exitCode !== null) return;
    this.proc.kill("SIGKILL");
    await this.exited;
  }

  async stop() {
    if (!this.proc || this.proc.exitCode !== null) return;
    this.proc.kill("SIGTERM");
    const done = await Promise.race([this.exited.then(() => true), sleep(5000).then(() => false)]);
    if (!done) await this.kill();
  }

  cleanUp() { fs.rmSync(this.home, { recursive: true, force: true }); }

  async command(verb, args = {}) {
    const r = await fetch(`${this.base}/api/v1/${verb}`, {
      method: "POST",
      headers: { Authorization: "Bearer " + this.token, "Content-Type": "application/json" },
      body: JSON.stringify(args),
    });
    const body = await r.json();
    if (!r.ok) throw new Error(`${verb} ${JSON.stringify(args)}: ${r.status} ${JSON.stringify(body)}`);
    return body;
  }

  async state() {
    return (await fetch(this.base + "/api/v1/state")).json();
  }
}

export async function launchBrowser() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "vellmark-chromium-"));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    userDataDir: profile,
    protocolTimeout: 60000,
    args: [
      "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
      "--disable-backgrounding-occluded-windows", "--font-render-hinting=none",
    ],
  });
  browser.profile = profile;
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return browser;
}

// Opens the view and records, in the page, every state it has put on screen.
export async function openView(browser, url, width = 800, height = 500) {
  const page = await browser.newPage();
  await page.setViewport({ width, height, deviceScaleFactor: 1 });
  page.errors = [];
  page.on("pageerror", (e) => page.errors.push(e.message));
  await page.evaluateOnNewDocument(() => {
    window.__shown = [];
    window.addEventListener("vellmark:shown", (e) => {
      window.__shown.push({ ...e.detail, text: document.getElementById("timer").textContent });
    });
  });
  await page.goto(url);
  return page;
}

// What a viewer sees, read from the page.
export function look(page) {
  return page.evaluate(() => {
    const vis = (el) => !el.hidden && getComputedStyle(el).visibility !== "hidden" && getComputedStyle(el).display !== "none";
    const $ = (id) => document.getElementById(id);
    return {
      live: !document.body.classList.contains("offline"),
      status: vis($("status")) ? $("status").textContent : "",
      timer: vis($("timer")) ? $("timer").textContent : null,
      timerColor: getComputedStyle($("timer")).color,
      clock: vis($("clock")) ? $("clock").textContent : null,
      message: vis($("message")) ? $("message").textContent : null,
      messageColor: getComputedStyle($("message")).color,
      background: getComputedStyle(document.body).backgroundColor,
      // The progress bar: the share of its groove it fills, and its colour.
      progress: $("bar").getBoundingClientRect().width / $("progress").getBoundingClientRect().width,
      progressColor: getComputedStyle($("bar")).backgroundColor,
      lastSeq: window.__shown.length ? window.__shown[window.__shown.length - 1].seq : -1,
    };
  });
}

export function rgb(hex) {
  const n = parseInt(hex.slice(1), 16);
  return `rgb(${(n >> 16) & 255}, ${(n >> 8) & 255}, ${n & 255})`;
}

// Counts the screenshot's pixels of each of the given colours (#rrggbb),
// within a small tolerance for anti-aliasing. Decoded by the browser itself.
export async function countColours(page, hexes) {
  const png = await page.screenshot({ encoding: "base64" });
  return page.evaluate(async (png, hexes) => {
    const img = new Image();
    img.src = "data:image/png;base64," + png;
    await img.decode();
    const c = new OffscreenCanvas(img.width, img.height);
    const g = c.getContext("2d");
    g.drawImage(img, 0, 0);
    const d = g.getImageData(0, 0, img.width, img.height).data;
    const want = hexes.map((h) => [parseInt(h.slice(1, 3), 16), parseInt(h.slice(3, 5), 16), parseInt(h.slice(5, 7), 16)]);
    const counts = hexes.map(() => 0);
    for (let i = 0; i < d.length; i += 4)
      want.forEach(([r, gg, b], k) => {
        if (Math.abs(d[i] - r) < 6 && Math.abs(d[i + 1] - gg) < 6 && Math.abs(d[i + 2] - b) < 6) counts[k]++;
      });
    return Object.fromEntries(hexes.map((h, k) => [h, counts[k] / (img.width * img.height)]));
  }, png, hexes);
}

// Waits, up to `ms`, for what the page shows to satisfy `pred`.
export async function until(page, pred, ms = 5000, what = "") {
  const end = Date.now() + ms;
  let seen;
  while (Date.now() < end) {
    seen = await look(page);
    if (pred(seen)) return seen;
    await sleep(20);
  }
  throw new Error(`waited ${ms} ms for ${what}; the page showed ${JSON.stringify(seen)}`);
}
