// The page in a second browser engine: Debian's Firefox ESR, driven over WebDriver BiDi by
// puppeteer-core, in a window on a virtual X screen (headless Firefox offers no WebGL 2 on a
// machine without a graphics card; with a display it draws through Mesa's llvmpipe). As a
// visitor meets it: the title card, the download to Start, a still against the native capture
// tool's, a click that starts the show, and its end.
//   node firefox_test.js SITE CAPTURE
// SITE is build-web/site, CAPTURE the native capture tool (run from its own folder, where the
// data set is). puppeteer-core comes from SHOW_PUPPETEER, or the folder tools/test.sh installs it
// into. Exits 0 when everything holds, 1 otherwise, saying why.
"use strict";
const {execFileSync} = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const {FaultServer} = require("./fault_server.js");
const {readPng, compare} = require("./png.js");
const {startXServer} = require("./xserver.js");
const {kPuppeteer, puppeteer, launchFirefox, waitFor, sleep} = require("./firefox.js");
const kTitle = "brokwel 11 | glintVAT | dwm2001";
const kStill = "40";
// The music 32 times as fast: the show ends in six seconds.
const kSpeed = 32;

const failures = [];
const fail = text => { failures.push(text); console.log("FAIL " + text); };
const ok = text => console.log("ok   " + text);
const state = page => page.evaluate(() => document.body?.dataset.state);
const card = page => page.evaluate(() => document.getElementById("card")?.textContent.trim());

async function theCardAndTheDownload(page, url) {
  await page.goto(url);
  if (!await waitFor(page, () => document.getElementById("poster").naturalWidth === 640, 20))
    fail("the title card shows no poster");
  const facts = await page.evaluate(() => document.getElementById("facts").textContent);
  const title = await page.title();
  if (title !== kTitle) fail(`the tab is titled "${title}"`);
  else if (!/3:11 long · \d+\.\d MB to download/.test(facts))
    fail(`the title card does not give the running time and the size: "${facts}"`);
  else ok(`the title card: "${facts}", with its poster`);
  let progressShown = false;
  const started = Date.now();
  while (Date.now() - started < 120 * 1000 && await state(page) !== "ready") {
    progressShown ||= await page.evaluate(() => !document.getElementById("progress").hidden);
    await sleep(0.05);
  }
  if (await state(page) !== "ready") fail(`the download: Start never offered ("${await card(page)}")`);
  else ok(`the download: Start offered after ${((Date.now() - started) / 1000).toFixed(1)} s` +
          (progressShown ? ", the progress shown" : ""));
}

async function aStill(page, url, native) {
  const started = Date.now();
  await page.goto(`${url}index.html?still=${kStill}`);
  if (!await waitFor(page, `document.title === "still ${kStill}"`, 120)) {
    fail(`the still at ${kStill} s: not ready ("${await page.title()}", "${await card(page)}")`);
    return;
  }
  const data = await page.evaluate(() =>
    document.getElementById("canvas").toDataURL("image/png"));
  const result = compare(readPng(Buffer.from(data.slice(data.indexOf(",") + 1), "base64")),
                         readPng(fs.readFileSync(native)));
  if (typeof result === "string") fail(`the still at ${kStill} s against the native one: ${result}`);
  else ok(`the still at ${kStill} s (${((Date.now() - started) / 1000).toFixed(1)} s) against ` +
          `the native one: ${result.summary}`);
}

async function theShow(page, url) {
  await page.goto(`${url}index.html?speed=${kSpeed}`);
  if (!await waitFor(page, () => document.body.dataset.state === "ready", 60)) {
    fail(`the show: Start never offered ("${await card(page)}")`);
    return;
  }
  const clicked = Date.now();
  await page.click("#start");
  if (!await waitFor(page, () => document.body.dataset.state === "playing", 20)) {
    fail(`the show: no frame after the click (state ${await state(page)})`);
    return;
  }
  const firstFrame = Date.now() - clicked;
  const ended = () => document.body.dataset.state === "ready" &&
                      document.getElementById("status").textContent === "The show has ended.";
  if (!await waitFor(page, ended, 120)) fail(`the show: not over by itself (state ${await state(page)})`);
  else if (await page.title() !== kTitle) fail(`after the show the tab is titled "${await page.title()}"`);
  else ok(`the show: the first frame ${firstFrame} ms after the click, over by itself ` +
          `(${kSpeed} times as fast) after ${((Date.now() - clicked) / 1000).toFixed(1)} s, ` +
          "\"Play again\" offered");
}

async function main() {
  const [site, capture] = process.argv.slice(2, 4).map(p => path.resolve(p));
  if (!site || !fs.existsSync(path.join(site, "show.wasm"))) {
    console.log(`FAIL the browser build is missing from ${site} (tools/web.sh builds it)`);
    return 1;
  }
  if (!puppeteer()) {
    console.log(`FAIL no puppeteer-core in ${kPuppeteer} (tools/test.sh installs it)`);
    return 1;
  }
  const stills = fs.mkdtempSync(path.join(os.tmpdir(), "show-firefox-"));
  execFileSync(capture, ["--out", stills, "--still", kStill],
               {cwd: path.dirname(capture), stdio: "ignore"});
  const screen = await startXServer();
  const server = new FaultServer(site);
  const url = await server.start();
  let browser;
  try {
    browser = await launchFirefox(screen);
    const page = await browser.newPage();
    const errors = [];
    page.on("console", message => {
      if (message.type() === "error") errors.push(message.text());
    });
    page.on("pageerror", error => errors.push(error.message));
    const version = await browser.version();
    const renderer = await page.evaluate(() => {
      const gl = document.createElement("canvas").getContext("webgl2");
      return gl ? gl.getParameter(gl.RENDERER) : "no WebGL 2";
    });
    ok(`${version}, WebGL 2 on ${renderer}`);
    await theCardAndTheDownload(page, url);
    await aStill(page, url, path.join(stills, `still-${Number(kStill).toFixed(3)}.png`));
    await theShow(page, url);
    for (const error of errors) fail(`the console: ${error}`);
  } catch (error) {
    fail(error.stack);
  } finally {
    await browser?.close().catch(() => {});
    await server.stop();
    await screen.stop();
    fs.rmSync(stills, {recursive: true, force: true});
  }
  return failures.length ? 1 : 0;
}

main().then(code => process.exit(code), error => {
  console.log("FAIL " + error.stack);
  process.exit(1);
});
