// The view page in a real browser against the real program: ticks, threshold colours, blinking,
// the message, the view modes, the settings' colours, losing and finding the program again.
//   node tst_webview.mjs <vellmark binary> [folder for the README's screenshots instead]
import path from "node:path";
import { Program, launchBrowser, openView, look, rgb, countColours, until, sleep } from "./vellmark.mjs";

const [binary, screenshots] = process.argv.slice(2);
const colours = { bgColor: "#000000", timerColorNormal: "#00cc00", timerColorWarning: "#ff8800",
  timerColorCritical: "#ff2200", clockColor: "#ffffff", messageColor: "#ffff00" };
const program = new Program(binary, { warningThreshold: 60, blinkEnabled: true, overtimeEnabled: true });
const failures = [];
let browser;

const check = (name, fn, t0 = Date.now()) => fn().then(() => console.log(`PASS ${name} (${Date.now() - t0} ms)`),
  (e) => failures.push(name) && console.log(`FAIL ${name}: ${e.stack || e}`));
const expect = (cond, what) => { if (!cond) throw new Error(typeof what === "string" ? what : JSON.stringify(what)); };
// The page has shown the state the program is in now.
const inStep = async (page) => until(page, (v) => v.lastSeq >= program.seq, 2000, `seq ${program.seq}`);
const command = async (verb, args) => (program.seq = (await program.command(verb, args)).seq);
// Over 1 % of the screen in each colour of `some`, no pixel in those of `none`.
const pixels = (page, some, none = []) => countColours(page, [...some, ...none])
  .then((px) => expect(some.every((h) => px[h] > 0.01) && none.every((h) => px[h] === 0), px));

try {
  await program.start();
  browser = await launchBrowser();
  if (screenshots) {
    await command("duration", { time: "12:34" });
    await command("message", { text: "Q&A after this talk" });
    for (const [name, width, height] of [["view-phone.png", 390, 844], ["view-4k.png", 3840, 2160]]) {
      const page = await openView(browser, program.base + "/", width, height);
      await until(page, (v) => v.live && v.timer === "12:34", 5000, "the state");
      await sleep(300);
      await page.screenshot({ path: path.join(screenshots, name) });
      console.log("wrote", path.join(screenshots, name));
    }
  } else {
    await runChecks(await openView(browser, program.base + "/"));
  }
} catch (e) {
  failures.push("set-up: " + (e.stack || e));
} finally {
  await browser?.close();
  await program.stop();
  program.cleanUp();
}
if (failures.length) console.log(`${failures.length} failed:\n  ${failures.join("\n  ")}`);
process.exit(failures.length ? 1 : 0);

async function runChecks(page) {
  expect(await page.title() === "Vellmark — View", "the page's title");
  await until(page, (v) => v.live, 5000, "the first state");

  await check("every tick shows the program's time, in the threshold colours", async () => {
    // 61 s is above the 60 s threshold; the first tick reaches it.
    await command("duration", { time: "1:01" });
    let seen = await inStep(page);
    expect(seen.timer === "01:01" && seen.timerColor === rgb(colours.timerColorNormal), seen);
    expect(Math.abs(seen.progress - 1) < 0.01 && seen.progressColor === rgb(colours.timerColorNormal), seen);
    await pixels(page, [colours.timerColorNormal], [colours.timerColorWarning]);
    await command("start");
    seen = await until(page, (v) => v.timer === "01:00", 2500, "the tick to 01:00");
    await command("pause");
    expect(seen.timerColor === rgb(colours.timerColorWarning) && seen.progressColor === seen.timerColor, seen);
    expect(Math.abs(seen.progress - 60 / 61) < 0.01, `bar at 60 of 61 s: ${seen.progress}`);
    await pixels(page, [colours.timerColorWarning], [colours.timerColorNormal]);
    // Every state the program sent was shown with the program's text, in order.
    const shown = await page.evaluate(() => window.__shown);
    expect(shown.every((x, i) => i === 0 || x.seq > shown[i - 1].seq), shown);
    expect(shown.at(-1).text === (await program.state()).timer.display && shown.at(-1).text === "01:00", shown.at(-1));
  });

  await check("zero blinks in the critical colour with a half-second phase, on into overtime", async () => {
    await command("duration", { time: "0:01" });
    await command("start");
    await until(page, (v) => v.timer === "00:00", 2500, "zero");
    // The readout frame by frame for 1.6 s, sampled in the page so that a
    // slow machine cannot blur the halves.
    const samples = await page.evaluate(() => new Promise((done) => {
      const el = document.getElementById("timer"), out = [], t0 = performance.now();
      requestAnimationFrame(function frame(t) {
        out.push([t - t0, el.textContent, getComputedStyle(el).color]);
        t - t0 < 1600 ? requestAnimationFrame(frame) : done(out);
      });
    }));
    await command("pause");
    expect(samples.some((x) => x[1] === "-00:01"), "no overtime tick");
    const runs = [];
    for (const [t, , c] of samples)
      runs.at(-1)?.c === c ? (runs.at(-1).to = t) : runs.push({ c, from: t, to: t });
    expect(runs.every((r) => [rgb(colours.timerColorCritical), rgb(colours.bgColor)].includes(r.c)), runs);
    expect(runs.length >= 3 && runs.slice(1, -1).every((r) => r.to - r.from > 300 && r.to - r.from < 700), runs);
    // Pixels: red on screen in the visible half; none in the hidden one, the bar being empty in overtime.
    await until(page, (v) => v.timerColor === rgb(colours.timerColorCritical), 1000, "the visible half");
    await pixels(page, [colours.timerColorCritical]);
    await until(page, (v) => v.timerColor === rgb(colours.bgColor), 1000, "the hidden half");
    await pixels(page, [], [colours.timerColorCritical]);
    expect((await look(page)).progress < 0.001, "the bar is empty in overtime");
    // A new time ends the blink.
    await command("duration", { time: "2:00" });
    await until(page, (v) => v.timer === "02:00", 2000, "02:00");
    await sleep(700);
    expect((await look(page)).timerColor === rgb(colours.timerColorNormal), "still blinking");
  });

  await check("the message appears and clears", async () => {
    await command("message", { text: "  Five minutes — wrap up  " });
    const seen = await until(page, (v) => v.message !== null, 2000, "the message");
    expect(seen.message === "Five minutes — wrap up" && seen.messageColor === rgb(colours.messageColor), seen);
    await command("message", { text: "<b>not bold</b>" });
    await until(page, (v) => v.message === "<b>not bold</b>", 2000, "markup shown as text");
    await command("message/clear");
    await until(page, (v) => v.message === null, 2000, "the message cleared");
  });

  await check("the view follows the output's view mode unless the address fixes it", async () => {
    const pinned = await openView(browser, program.base + "/view?view=timer");
    for (const [mode, timer, clock] of [["clock", false, true], ["timer", true, false], ["both", true, true]]) {
      await command("view", { view: mode });
      const seen = await inStep(page);
      expect((seen.timer !== null) === timer && (seen.clock !== null) === clock, seen);
      const p = await until(pinned, (v) => v.live, 3000, "the pinned view");
      expect(p.timer !== null && p.clock === null, p);
    }
    await pinned.close();
    // The clock: 24 hours with seconds, the program's time of day.
    const m = /^(\d\d):(\d\d):(\d\d)$/.exec((await look(page)).clock), now = new Date();
    const diff = m && Math.abs(m[1] * 3600 + m[2] * 60 + +m[3] - (now.getHours() * 3600 + now.getMinutes() * 60 + now.getSeconds()));
    expect(m && (diff <= 2 || diff >= 86398), `clock ${m} at ${now.toTimeString()}`);
  });

  await check("the program going away is shown at once, and the view comes back with the new settings", async () => {
    await until(page, (v) => v.live && v.status === "", 2000, "live");
    await program.stop("SIGKILL");
    const lost = await until(page, (v) => !v.live, 1000, "the notice within a second");
    expect(/lost/.test(lost.status) && lost.timer === null && lost.message === null, lost);
    await pixels(page, [], [colours.timerColorNormal]); // no stale time on screen
    await sleep(3000); // a few retries grow the back-off while nobody answers
    const changed = { bgColor: "#203040", timerColorNormal: "#3366ff", clockColor: "#aabbcc", clock24hr: false, clockShowSeconds: false };
    Object.assign(program.settings, changed);
    const back = Date.now();
    await program.start();
    const seen = await until(page, (v) => v.live && v.status === "", 10000, "the view live again");
    console.log(`  live again ${Date.now() - back} ms after the program was started again`);
    expect(seen.background === rgb(changed.bgColor) && seen.timerColor === rgb(changed.timerColorNormal), seen);
    expect(/^\d\d:\d\d (AM|PM)$/.test(seen.clock), `12-hour clock without seconds: ${seen.clock}`);
    const px = await countColours(page, [changed.bgColor, changed.timerColorNormal, changed.clockColor]);
    expect(px[changed.bgColor] > 0.5 && px[changed.timerColorNormal] > 0.01 && px[changed.clockColor] > 0.002, px);
  });
  if (page.errors.length) failures.push("page errors: " + page.errors.join("; "));
}
