// The real program and a real browser for the view page: the built vellmark
// binary on the offscreen platform with a private home, a free remote port and
// a known token in its settings store, and views in Debian's Chromium.
import { spawn } from "node:child_process";
import fs from "node:fs";
import net from "node:net";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const token = "00112233445566778899aabbccddeeff";

export class Program {
  constructor(binary, settings = {}) {
    Object.assign(this, { binary, settings, home: fs.mkdtempSync(path.join(os.tmpdir(), "vellmark-view-")) });
  }

  get base() { return `http://127.0.0.1:${this.port}`; }
  get running() { return this.proc?.exitCode === null && this.proc.signalCode === null; }

  // Starts it with this.settings in its store; up to 15 s for it to listen.
  async start() {
    this.port ??= await new Promise((done) => {
      const s = net.createServer().listen(0, "127.0.0.1", () => { const { port } = s.address(); s.close(() => done(port)); });
    });
    const values = { remotePort: this.port, remoteToken: token, ...this.settings };
    fs.mkdirSync(path.join(this.home, "config", "Vellmark"), { recursive: true });
    fs.writeFileSync(path.join(this.home, "config", "Vellmark", "Vellmark.conf"),
      ["[General]", ...Object.entries(values).map(([k, v]) => `${k}=${v}`)].join("\n"));
    const dirs = Object.fromEntries(["config", "data", "cache"].map((d) => [`XDG_${d.toUpperCase()}_HOME`, path.join(this.home, d)]));
    this.output = "";
    this.proc = spawn(this.binary, [], { env: { ...process.env, ...dirs, HOME: this.home, QT_QPA_PLATFORM: "offscreen" } });
    for (const s of [this.proc.stdout, this.proc.stderr]) s.on("data", (d) => (this.output += d));
    this.exited = new Promise((r) => this.proc.once("exit", r));
    for (let i = 0; i < 150 && this.running; ++i, await sleep(100))
      if (await this.state().then(() => true, () => false)) return;
    throw new Error(`the program did not listen on ${this.base}:\n${this.output}`);
  }

  // SIGKILL takes it as a crash or a power cut does: no goodbye on any socket.
  async stop(signal = "SIGTERM") {
    if (!this.running) return;
    this.proc.kill(signal);
    if (!(await Promise.race([this.exited.then(() => true), sleep(5000)]))) await this.stop("SIGKILL");
  }

  async command(verb, args = {}) {
    const r = await fetch(`${this.base}/api/v1/${verb}`, { method: "POST", body: JSON.stringify(args),
      headers: { Authorization: "Bearer " + token, "Content-Type": "application/json" } });
    if (!r.ok) throw new Error(`${verb} ${JSON.stringify(args)}: ${r.status} ${await r.text()}`);
    return r.json();
  }

  cleanUp() { fs.rmSync(this.home, { recursive: true, force: true }); }
  state() { return fetch(this.base + "/api/v1/state").then((r) => r.json()); }
}

// Puppeteer's own defaults keep background timers, throttling and networking off.
export async function launchBrowser() {
  const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), "vellmark-chromium-"));
  const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium", headless: true,
    userDataDir, protocolTimeout: 60000,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--disable-component-update", "--font-render-hinting=none"] });
  const close = browser.close.bind(browser);
  browser.close = () => close().then(() => fs.rmSync(userDataDir, { recursive: true, force: true }));
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
    addEventListener("vellmark:shown", (e) => __shown.push({ ...e.detail, text: document.getElementById("timer").textContent }));
  });
  await page.goto(url);
  return page;
}

// What a viewer sees, read from the page.
export const look = (page) => page.evaluate(() => {
  const $ = (id) => document.getElementById(id), css = (id) => getComputedStyle($(id));
  const shown = (id) => (!$(id).hidden && css(id).visibility !== "hidden" && css(id).display !== "none" ? $(id).textContent : null);
  return { live: !document.body.classList.contains("offline"), status: shown("status") ?? "", timer: shown("timer"),
    clock: shown("clock"), message: shown("message"), timerColor: css("timer").color, messageColor: css("message").color,
    background: getComputedStyle(document.body).backgroundColor, progressColor: css("bar").backgroundColor,
    progress: $("bar").getBoundingClientRect().width / $("progress").getBoundingClientRect().width, lastSeq: __shown.at(-1)?.seq ?? -1 };
});

export const rgb = (hex) => `rgb(${[1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16)).join(", ")})`;

// The share of the screenshot's pixels in each colour (#rrggbb), give or take
// anti-aliasing; the browser itself decodes the PNG.
export async function countColours(page, hexes) {
  return page.evaluate(async (png, hexes) => {
    const img = new Image();
    img.src = "data:image/png;base64," + png;
    await img.decode();
    const g = new OffscreenCanvas(img.width, img.height).getContext("2d");
    g.drawImage(img, 0, 0);
    const d = g.getImageData(0, 0, img.width, img.height).data, n = hexes.map(() => 0);
    const want = hexes.map((h) => [1, 3, 5].map((i) => parseInt(h.slice(i, i + 2), 16)));
    for (let i = 0; i < d.length; i += 4) want.forEach((w, k) => w.every((c, j) => Math.abs(d[i + j] - c) < 6) && ++n[k]);
    return Object.fromEntries(hexes.map((h, k) => [h, (4 * n[k]) / d.length]));
  }, await page.screenshot({ encoding: "base64" }), hexes);
}

// Waits, up to `ms`, for what the page shows to satisfy `pred`.
export async function until(page, pred, ms = 5000, what = "") {
  for (const end = Date.now() + ms; ; await sleep(20)) {
    const seen = await look(page);
    if (pred(seen)) return seen;
    if (Date.now() > end) throw new Error(`waited ${ms} ms for ${what}; the page showed ${JSON.stringify(seen)}`);
  }
}
