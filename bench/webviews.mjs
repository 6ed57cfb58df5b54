// The browser side of bench_webview: opens N views of the program's view
// page in one headless Chromium and, in each page, measures every new time
// against the serverTime of the tick that carried it (same machine, same
// clock): when the page's text changed, and when the next frame was drawn.
//   node webviews.mjs <view address> <number of views>
// Prints "ready" once every view shows the live state; on a line "stop" on
// stdin, prints the samples of all views as one JSON array and exits.
import readline from "node:readline";
import { launchBrowser } from "./vellmark.mjs";

const [url, count] = [process.argv[2], +process.argv[3]];
const browser = await launchBrowser();
const pages = [];
for (let i = 0; i < count; ++i) {
  const page = await browser.newPage();
  await page.setViewport({ width: 480, height: 270, deviceScaleFactor: 1 });
  await page.evaluateOnNewDocument(() => {
    // [serverTime, text on the page, next frame drawn], wall-clock ms.
    window.__lag = [];
    let last = "";
    window.addEventListener("vellmark:shown", (e) => {
      const text = document.getElementById("timer").textContent;
      if (text === last) return;
      last = text;
      const sample = [e.detail.serverTime, e.detail.shownAt, 0];
      window.__lag.push(sample);
      requestAnimationFrame(() => { sample[2] = performance.timeOrigin + performance.now(); });
    });
  });
  await page.goto(url);
  pages.push(page);
}
for (const page of pages)
  await page.waitForFunction(() => !document.body.classList.contains("offline"), { timeout: 120000 });
// The first text each page showed came with its connection, not with a tick.
for (const page of pages) await page.evaluate(() => { window.__lag = []; });
console.log("ready");

const rl = readline.createInterface({ input: process.stdin });
for await (const line of rl) {
  if (line.trim() !== "stop") continue;
  const all = [];
  for (const page of pages) all.push(...(await page.evaluate(() => window.__lag)));
  console.log(JSON.stringify(all));
  break;
}
await browser.close();
process.exit(0);
