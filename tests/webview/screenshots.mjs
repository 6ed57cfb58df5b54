// Screenshots of the view page for the README: a phone upright and a 4K
// television, from the real program in Debian's Chromium.
//   node screenshots.mjs <path to the vellmark binary> <output folder>
import path from "node:path";
import { Program, launchBrowser, openView, until, sleep } from "./vellmark.mjs";

const [binary, out] = process.argv.slice(2);
const program = new Program(binary);
const browser = await launchBrowser();
try {
  await program.start();
  await program.command("duration", { time: "12:34" });
  await program.command("message", { text: "Q&A after this talk" });
  for (const [name, width, height] of [["view-phone.png", 390, 844], ["view-4k.png", 3840, 2160]]) {
    const page = await openView(browser, program.base + "/", width, height);
    await until(page, (v) => v.live && v.timer === "12:34", 5000, "the state");
    await sleep(300);
    await page.screenshot({ path: path.join(out, name) });
    await page.close();
    console.log("wrote", path.join(out, name));
  }
} finally {
  await browser.close();
  await program.stop();
  program.cleanUp();
}
