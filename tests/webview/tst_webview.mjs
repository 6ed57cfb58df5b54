// The view page in a real browser against the real program: every tick in
// step with the program, the threshold colours, blinking, the message, the
// view modes, the settings' colours, and losing and finding the program again.
//   node tst_webview.mjs <path to the vellmark binary>
import { Program, launchBrowser, openView, look, rgb, countColours, until, sleep } from "./vellmark.mjs";

const binary = process.argv[2];
const colours = {
  bgColor: "#000000", timerColorNormal: "#00cc00", timerColorWarning: "#ff8800",
  timerColorCritical: "#ff2200", clockColor: "#ffffff", messageColor: "#ffff00",
};
const program = new Program(binary, { settings: { warningThreshold: 60, blinkEnabled: true, overtimeEnabled: true } });
let browser;
const failures = [];

async function check(name, fn) {
  const t0 = Date.now();
  try {
    await fn();
    console.log(`PASS ${name} (${Date.now() - t0} ms)`);
  } catch (e) {
    failures.push(name);
    console.log(`FAIL ${name}: ${e.stack || e}`);
  }
}
function expect(cond, what) {
  if (!cond) throw new Error(what);
}

// The page has shown the state the program is in now, and shows its time.
async function inStep(page) {
  const s = await program.state();
  const seen = await until(page, (v) => v.lastSeq >= s.seq, 2000, `seq ${s.seq}`);
  return { s, seen };
}

try {
  await program.start();
  browser = await launchBrowser();
  const page = await openView(browser, program.base + "/");
  await until(page, (v) => v.live, 5000, "the first state");

  await check("every tick shows the program's time, in the threshold colours", async () => {
    // 61 s is above the 60 s threshold; the first tick reaches it.
    await program.command("duration", { time: "1:01" });
    let { seen } = await inStep(page);
    expect(seen.timer === "01:01" && seen.timerColor === rgb(colours.timerColorNormal), `normal: ${JSON.stringify(seen)}`);
    expect(Math.abs(seen.progress - 1) < 0.01 && seen.progressColor === rgb(colours.timerColorNormal), `full bar: ${JSON.stringify(seen)}`);
    const shares = await countColours(page, [colours.timerColorNormal, colours.timerColorWarning]);
    expect(shares[colours.timerColorNormal] > 0.01 && shares[colours.timerColorWarning] === 0, `normal pixels ${JSON.stringify(shares)}`);

    await program.command("start");
    seen = await until(page, (v) => v.timer === "01:00", 2500, "the tick to 01:00");
    await program.command("pause");
    expect(seen.timerColor === rgb(colours.timerColorWarning), `warning at the threshold: ${seen.timerColor}`);
    expect(Math.abs(seen.progress - 60 / 61) < 0.01 && seen.progressColor === rgb(colours.timerColorWarning),
      `bar at 60 of 61 s: ${JSON.stringify(seen)}`);
    const warn = await countColours(page, [colours.timerColorNormal, colours.timerColorWarning]);
    expect(warn[colours.timerColorWarning] > 0.01 && warn[colours.timerColorNormal] === 0, `warning pixels ${JSON.stringify(warn)}`);

    // Every state the program sent while running was shown with the text
    // the program reported for it, in order, none skipped.
    const shown = await page.evaluate(() => window.__shown);
    const seqs = shown.map((x) => x.seq);
    expect(seqs.every((q, i) => i === 0 || q > seqs[i - 1]), `states out of order: ${seqs}`);
    const s = await program.state();
    expect(s.timer.display === "01:00" && shown[shown.length - 1].text === s.timer.display,
      `page ${shown[shown.length - 1].text}, program ${s.timer.display}`);
  });

  await check("zero blinks in the critical colour with the program's half-second phase, on into overtime", async () => {
    await program.command("duration", { time: "0:01" });
    await program.command("start");
    await until(page, (v) => v.timer === "00:00", 2500, "zero");
    // The readout, frame by frame for 1.6 s, sampled in the page so that a
    // slow test machine cannot blur the halves: drawn in red, then in the
    // background colour, each for about half a second.
    const samples = await page.evaluate(() => new Promise((done) => {
      const el = document.getElementById("timer");
      const out = [];
      const t0 = performance.now();
      const frame = (t) => {
        out.push([t - t0, el.textContent, getComputedStyle(el).color]);
        if (t - t0 < 1600) requestAnimationFrame(frame);
        else done(out);
      };
      requestAnimationFrame(frame);
    }));
    await program.command("pause");
    const red = samples.filter((x) => x[2] === rgb(colours.timerColorCritical));
    const hidden = samples.filter((x) => x[2] === rgb(colours.bgColor));
    expect(red.length > 4 && hidden.length > 4, `no blink: ${JSON.stringify(samples)}`);
    expect(samples.some((x) => x[1] === "-00:01"), `no overtime tick: ${JSON.stringify(samples)}`);
    // Hidden and shown halves alternate, each about 500 ms long.
    const runs = [];
    for (const [t, , c] of samples) {
      if (!runs.length || runs[runs.length - 1].c !== c) runs.push({ c, from: t, to: t });
      else runs[runs.length - 1].to = t;
    }
    const inner = runs.slice(1, -1);
    expect(inner.length >= 1 && inner.every((r) => r.to - r.from > 300 && r.to - r.from < 700),
      `blink halves: ${JSON.stringify(runs)}`);
    // Pixels: the visible half has red on screen; the hidden half none.
    await until(page, (v) => v.timerColor === rgb(colours.timerColorCritical), 1000, "the visible half");
    const on = await countColours(page, [colours.timerColorCritical]);
    await until(page, (v) => v.timerColor === rgb(colours.bgColor), 1000, "the hidden half");
    const readout = await page.evaluate(() => document.getElementById("timer").textContent);
    expect((await look(page)).progress < 0.001, "the bar is empty in overtime");
    const off = await countColours(page, [colours.timerColorCritical]);
    expect(readout.startsWith("-") && on[colours.timerColorCritical] > 0.01, `red readout ${JSON.stringify(on)}`);
    // The progress bar is empty in overtime, so nothing red is left.
    expect(off[colours.timerColorCritical] === 0, `red during the hidden half ${JSON.stringify(off)}`);
    // A new time ends the blink.
    await program.command("duration", { time: "2:00" });
    const seen = await until(page, (v) => v.timer === "02:00", 2000, "02:00");
    await sleep(700);
    const later = await look(page);
    expect(later.timerColor === rgb(colours.timerColorNormal), `still blinking: ${JSON.stringify([seen, later])}`);
  });

  await check("the message appears and clears", async () => {
    await program.command("message", { text: "  Five minutes — wrap up  " });
    let seen = await until(page, (v) => v.message !== null, 2000, "the message");
    expect(seen.message === "Five minutes — wrap up" && seen.messageColor === rgb(colours.messageColor), JSON.stringify(seen));
    await program.command("message", { text: "<b>not bold</b>" });
    seen = await until(page, (v) => v.message === "<b>not bold</b>", 2000, "markup shown as text");
    await program.command("message/clear");
    seen = await until(page, (v) => v.message === null, 2000, "the message cleared");
  });

  await check("the view follows the output's view mode unless the address fixes it", async () => {
    const pinned = await openView(browser, program.base + "/view?view=timer");
    try {
      for (const [mode, timer, clock] of [["clock", false, true], ["timer", true, false], ["both", true, true]]) {
        await program.command("view", { view: mode });
        const { seen } = await inStep(page);
        expect((seen.timer !== null) === timer && (seen.clock !== null) === clock, `${mode}: ${JSON.stringify(seen)}`);
        const p = await until(pinned, (v) => v.live, 3000, "the pinned view");
        expect(p.timer !== null && p.clock === null, `pinned in ${mode}: ${JSON.stringify(p)}`);
      }
      // The clock: the settings' 24-hour format with seconds, the program's time of day.
      const seen = await look(page);
      const now = new Date();
      const m = /^(\d\d):(\d\d):(\d\d)$/.exec(seen.clock);
      expect(m, `clock ${seen.clock}`);
      const diff = Math.abs((+m[1] * 3600 + +m[2] * 60 + +m[3]) - (now.getHours() * 3600 + now.getMinutes() * 60 + now.getSeconds()));
      expect(diff <= 2 || diff >= 86398, `clock ${seen.clock} at ${now.toTimeString()}`);
    } finally {
      await pinned.close();
    }
  });

  await check("the program going away is shown at once, and the view comes back with the new settings", async () => {
    await until(page, (v) => v.live && v.status === "", 2000, "live");
    await program.kill();
    const lost = await until(page, (v) => !v.live, 1000, "the notice within a second");
    expect(/lost/.test(lost.status) && lost.status !== "", `notice: ${JSON.stringify(lost)}`);
    const blank = await countColours(page, [colours.timerColorNormal]);
    expect(blank[colours.timerColorNormal] === 0, `stale time still on screen ${JSON.stringify(blank)}`);
    await sleep(3000); // a few retries grow the back-off while nobody answers

    const changed = {
      bgColor: "#203040", timerColorNormal: "#3366ff", clockColor: "#aabbcc",
      clock24hr: "false", clockShowSeconds: "false",
    };
    program.settings = { ...program.settings, ...changed };
    const back = Date.now();
    await program.start();
    const seen = await until(page, (v) => v.live && v.status === "", 10000, "the view live again");
    console.log(`  live again ${Date.now() - back} ms after the program was started again`);
    expect(seen.background === rgb(changed.bgColor) && seen.timerColor === rgb(changed.timerColorNormal), JSON.stringify(seen));
    expect(/^\d\d:\d\d (AM|PM)$/.test(seen.clock), `12-hour clock without seconds: ${seen.clock}`);
    const px = await countColours(page, [changed.bgColor, changed.timerColorNormal, changed.clockColor]);
    expect(px[changed.bgColor] > 0.5 && px[changed.timerColorNormal] > 0.01 && px[changed.clockColor] > 0.002, JSON.stringify(px));
  });

  if (page.errors.length) failures.push("page errors: " + page.errors.join("; "));
} catch (e) {
  failures.push("set-up: " + (e.stack || e));
} finally {
  if (browser) await browser.close();
  await program.stop();
  program.cleanUp();
}

if (failures.length) {
  console.log(`${failures.length} failed:\n  ${failures.join("\n  ")}`);
  process.exit(1);
}
console.log("all passed");
