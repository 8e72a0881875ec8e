// The page's figures in headless Chromium (SwiftShader), on a line throttled as a visitor's might
// be (10 Mbit/s, 40 ms): the time from opening the page to its title card and to Start (median
// of 5 first visits, each in a new browser with nothing cached); a reload from the cache to
// Start; from the click to the first frame (median and 90th percentile
// of 10 tries); and the frames a second in each scene over the whole show at its own pace.
//   node bench/page_figures.js [SITE] [--no-show] [--show-only] [--window WxH]
// SITE is build-web/site by default (tools/web.sh builds it); --no-show leaves out the 191 s of
// the whole show, --show-only all but it; --window plays the show in a window of that size (CSS
// pixels at 1 device pixel each; 640x480 by default), the drawing sizes noted per scene.
"use strict";
const path = require("path");
const {Browser, sleep} = require("../tests/web/browser.js");
const {FaultServer} = require("../tests/web/fault_server.js");

const kScenes = [["LogoScene", 0], ["BallScene", 11.5], ["BarsScene", 34.4],
                 ["GroupScene", 45.7], ["GreetingsScene", 71.2], ["PhotoScene", 116.2],
                 ["FinaleScene", 141.6]];
const kLine = {latency: 40, download: 10e6};

// The end card is up.
const kEnded = 'document.body.dataset.state === "ready" && ' +
               'document.getElementById("status").textContent === "The show has ended."';
// Counts the frames the page draws, in window.framesShown, run before the page's own scripts.
const kCountFrames = `
  window.framesShown = 0;
  const ask = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = f => ask(t => { ++window.framesShown; f(t); });`;
// Frames shown so far (counted by the page's requestAnimationFrame, wrapped) and the music time.
const kSample = "({frames: window.framesShown, time: Module.audio ? Module.audio.heard : 0, " +
                "drawing: document.getElementById('canvas').dataset.drawing})";

// Frames a second in each scene from samples taken every second, a second into each scene.
function sceneRates(samples) {
  const lines = [];
  for (let s = 0; s < kScenes.length; ++s) {
    const from = kScenes[s][1] + 1, to = s + 1 < kScenes.length ? kScenes[s + 1][1] : 191;
    const inside = samples.filter(sample => sample.time >= from && sample.time < to);
    if (inside.length < 2) continue;
    const first = inside[0], last = inside[inside.length - 1];
    // The drawing sizes the scene was drawn at, the most seen first.
    const seen = new Map();
    for (const sample of inside) seen.set(sample.drawing, (seen.get(sample.drawing) || 0) + 1);
    const sizes = [...seen].sort((a, b) => b[1] - a[1]).map(([size, n]) => `${size} ${n} s`);
    lines.push(`${kScenes[s][0].padEnd(15)} ${((last.frames - first.frames) /
               (last.time - first.time)).toFixed(1)} frames a second, drawn at ` +
               sizes.join(", "));
  }
  return lines;
}

const seconds = since => (performance.now() - since) / 1000;
const percentile = (values, p) => {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.ceil(p * sorted.length) - 1)];
};

// Waits for `expression`, polling often; the seconds since `since`, or NaN after `limit`.
async function when(tab, expression, since, limit = 120) {
  return await tab.waitFor(expression, limit) ? seconds(since) : NaN;
}

async function main() {
  const args = process.argv.slice(2);
  const site = path.resolve(args.find(a => !a.startsWith("--") && !/^\d+x\d+$/.test(a)) ||
                            "build-web/site");
  const server = new FaultServer(site);
  const url = await server.start();
  const firsts = [];
  const window = args.find(a => /^\d+x\d+$/.test(a));
  const showOnly = args.includes("--show-only");
  for (let visit = 0; visit < (showOnly ? 0 : 5); ++visit) {
    const fresh = new Browser();
    try {
      const tab = await fresh.open();
      await tab.line(kLine);
      const since = performance.now();
      await tab.navigate(url);
      const card = await when(tab, 'document.getElementById("facts")?.textContent !== ""', since);
      const start = await when(tab, 'document.body.dataset.state === "ready"', since);
      firsts.push({card, start});
    } finally {
      await fresh.quit();
    }
  }
  const median = key => percentile(firsts.map(visit => visit[key]), 0.5);
  if (!showOnly) console.log(`10 Mbit/s, 40 ms, first visits: title card after ${median("card").toFixed(2)} s, ` +
              `Start after ${median("start").toFixed(2)} s (medians of 5; Start after ` +
              `${firsts.map(visit => visit.start.toFixed(2)).join(" ")} s)`);

  const browser = new Browser();
  try {
    const tab = await browser.open();
    await tab.line(kLine);
    await tab.navigate(url);
    await tab.waitFor('document.body.dataset.state === "ready"', 120);
    let since = performance.now();
    if (!showOnly) {
    await tab.send("Page.reload");
    await sleep(0.05);
    const again = await when(tab, 'document.body.dataset.state === "ready"', since);
    console.log(`second visit (a reload, from the cache): Start after ${again.toFixed(2)} s`);

    const firstFrames = [];
    for (let i = 0; i < 10; ++i) {
      await tab.navigate(url);
      await tab.waitFor('document.body.dataset.state === "ready"', 60);
      since = performance.now();
      await tab.click("start");
      firstFrames.push(await when(tab, 'document.body.dataset.state === "playing"', since, 20));
      for (const type of ["keyDown", "keyUp"])
        await tab.send("Input.dispatchKeyEvent",
                       {type, key: "Escape", code: "Escape", windowsVirtualKeyCode: 27});
      await tab.waitFor(kEnded, 10);
    }
    console.log(`click to first frame: median ${percentile(firstFrames, 0.5).toFixed(3)} s, ` +
                `90th percentile ${percentile(firstFrames, 0.9).toFixed(3)} s ` +
                `(${firstFrames.map(s => s.toFixed(2)).join(" ")})`);
    }

    if (!args.includes("--no-show")) {
      await tab.line();
      if (window) {
        const [width, height] = window.split("x").map(Number);
        await tab.send("Emulation.setDeviceMetricsOverride",
                       {width, height, deviceScaleFactor: 1, mobile: false});
      }
      await tab.send("Page.addScriptToEvaluateOnNewDocument", {source: kCountFrames});
      await tab.navigate(url);
      await tab.waitFor('document.body.dataset.state === "ready"', 60);
      await tab.click("start");
      await tab.waitFor('document.body.dataset.state === "playing"', 20);
      const samples = [];
      while (!await tab.evaluate(kEnded)) {
        samples.push(await tab.evaluate(kSample));
        await sleep(1);
      }
      for (const line of sceneRates(samples)) console.log(line);
    }
  } finally {
    await browser.quit();
    await server.stop();
  }
}

module.exports = {kEnded, kSample, kCountFrames, sceneRates};

if (require.main === module) {
  main().then(() => process.exit(0), error => {
    console.log(error.stack);
    process.exit(1);
  });
}
