// The page's figures in Firefox ESR (Debian's), in a window on a virtual screen (Xvfb, WebGL 2
// through Mesa's llvmpipe), driven by puppeteer-core as the page's Firefox test drives it: from
// the click to the first frame (median of 5 tries), and the frames a second in each scene over
// the whole show at its own pace, measured as bench/page_figures.js measures them in Chromium.
//   node bench/firefox_figures.js [SITE]
// SITE is build-web/site by default (tools/web.sh builds it); puppeteer-core is where
// tools/test.sh installs it (or SHOW_PUPPETEER).
"use strict";
const path = require("path");
const {FaultServer} = require("../tests/web/fault_server.js");
const {startXServer} = require("../tests/web/xserver.js");
const {launchFirefox, waitFor, sleep} = require("../tests/web/firefox.js");
const {kEnded, kSample, kCountFrames, sceneRates} = require("./page_figures.js");

async function main() {
  const site = path.resolve(process.argv[2] || "build-web/site");
  const screen = await startXServer();
  const server = new FaultServer(site);
  const url = await server.start();
  const browser = await launchFirefox(screen);
  try {
    const page = await browser.newPage();
    const firstFrames = [];
    for (let i = 0; i < 5; ++i) {
      await page.goto(url);
      await waitFor(page, 'document.body.dataset.state === "ready"', 120);
      const since = performance.now();
      await page.click("#start");
      await waitFor(page, 'document.body.dataset.state === "playing"', 20);
      firstFrames.push((performance.now() - since) / 1000);
      await page.keyboard.press("Escape");
      await page.evaluate("document.fullscreenElement && document.exitFullscreen()");
      await waitFor(page, kEnded, 10);
    }
    firstFrames.sort((a, b) => a - b);
    console.log(`${await browser.version()}: click to first frame, median ` +
                `${firstFrames[2].toFixed(3)} s (${firstFrames.map(s => s.toFixed(2)).join(" ")})`);
    await page.evaluateOnNewDocument(kCountFrames);
    await page.goto(url);
    await waitFor(page, 'document.body.dataset.state === "ready"', 60);
    await page.click("#start");
    await waitFor(page, 'document.body.dataset.state === "playing"', 20);
    const samples = [];
    while (!await page.evaluate(kEnded)) {
      samples.push(await page.evaluate(kSample));
      await sleep(1);
    }
    for (const line of sceneRates(samples)) console.log(line);
  } finally {
    await browser.close().catch(() => {});
    await server.stop();
    await screen.stop();
  }
}

main().then(() => process.exit(0), error => {
  console.log(error.stack);
  process.exit(1);
});
