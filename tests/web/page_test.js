// The browser build in headless Chromium (WebGL 2 through SwiftShader), as a first-time visitor
// meets it and against the native build:
//   - every still the page makes (index.html?still=T) matches the native capture tool's still
//     at the same time within the golden pictures' tolerance, also when the window is small;
//   - the title card, the show started by a click and over by itself, and played again;
//   - each way loading can fail ends in its own message naming the file, with a Retry that
//     works; a bad parameter, a page opened as a file and a browser without WebGL 2 are told
//     so and download nothing;
//   - on a throttled line the progress bar moves; a second visit comes from the cache, and
//     plays with the server gone;
//   - a full-screen request that throws still starts the show, and only one;
//   - the console holds no warning or error on the normal path;
//   - the site is within its download budget; the title card and its poster are painted before
//     the WebGL 2 check, however long that takes; no task holds the page over 200 ms while it
//     loads.
//   node page_test.js SITE CAPTURE [CASE...]
// SITE is build-web/site (tools/web.sh builds it), CAPTURE the native capture tool, run from
// its own folder where the data set is (only for the cases that compare stills); CASE names the
// cases to run (all by default, see kCases), so that the suite can run them side by side.
// Exits 0 when everything holds, 1 otherwise, saying why.
"use strict";
const {execFileSync} = require("child_process");
const zlib = require("zlib");
const fs = require("fs");
const os = require("os");
const path = require("path");
const {Browser, sleep} = require("./browser.js");
const {FaultServer, otherBuildsPage} = require("./fault_server.js");
const {startXServer} = require("./xserver.js");
const {isCompressed} = require("../../tools/web/serve.js");
const {readPng, compare} = require("./png.js");

// A time in each scene (the tube's inside a backward run of its clip, 50.7 to 55.7 s, and late
// in another; the opening clip's as it runs back), the greetings with one over the tunnel, and
// both halves of the close. Each still decodes its clip frames where the frames before it left
// off: jumps forward and back between key frames.
const kStills = ["6", "11", "20", "40", "53", "68", "95", "130", "150", "175"];
const kStillSeconds = 120;
const kShowSeconds = 240;
// The music 32 times as fast: the page's show ends in six seconds.
const kSpeed = 32;
// A loading failure must be told within this long.
const kFailureSeconds = 10;
const kShowFiles = ["show.js", "show.wasm", "show.data"];
// What a first visit may transfer, in bytes (SHOW_PAGE_BUDGET lowers it, to see the test fail).
const kBudgetBytes = Number(process.env.SHOW_PAGE_BUDGET || 10e6);
// The longest a task may hold the page while it loads, in milliseconds.
const kLongestTask = 200;

// Notices a browser may print on the normal path that the page cannot prevent, each with why.
const kAllowedNotices = [
  // Headless Chromium's software WebGL warns once that it fell back to SwiftShader.
  /Automatic fallback to software WebGL has been deprecated/,
  // SwiftShader's own notice about the GPU stall of reading the canvas back (the test's own
  // toDataURL does that, not the page).
  /GPU stall due to ReadPixels/,
];

const failures = [];
const fail = text => { failures.push(text); console.log("FAIL " + text); };
const ok = text => console.log("ok   " + text);

const state = tab => tab.evaluate("document.body?.dataset.state");
const kReady = 'document.body.dataset.state === "ready"';
const kPlaying = 'document.body.dataset.state === "playing"';
const kTitle = "brokwel 11 | glintVAT | dwm2001";
// The page's end card is up.
const kEnded = 'document.body.dataset.state === "ready" && ' +
               'document.getElementById("status").textContent === "The show has ended."';
const text = (tab, id) => tab.evaluate(`document.getElementById("${id}")?.textContent ?? ""`);
const shown = (tab, id) => tab.evaluate(`!(document.getElementById("${id}")?.hidden ?? true)`);

// Fails for every error, and every warning not allowed, that `tab` met.
function checkConsole(tab, what) {
  for (const error of tab.errors) fail(`${what}: ${error}`);
  for (const warning of tab.warnings)
    if (!kAllowedNotices.some(allowed => allowed.test(warning))) fail(`${what}: ${warning}`);
}

// Whether the tab asked the network for any of the show's files.
const askedForShow = tab =>
  tab.requests.some(url => kShowFiles.some(name => new URL(url).pathname.endsWith("/" + name)));

// The canvas as a picture.
async function canvasPicture(tab) {
  const url = await tab.evaluate('document.getElementById("canvas").toDataURL("image/png")');
  return readPng(Buffer.from(url.slice(url.indexOf(",") + 1), "base64"));
}

async function checkStill(tab, url, time, native, what, more = "") {
  const started = Date.now();
  await tab.navigate(`${url}index.html?still=${time}${more}`);
  if (!await tab.waitFor(`document.title === "still ${time}"`, kStillSeconds)) {
    fail(`${what}: not ready after ${kStillSeconds} s (title "${
      await tab.evaluate("document.title")}", the card says "${await text(tab, "card")}")`);
    return;
  }
  const result = compare(await canvasPicture(tab), readPng(fs.readFileSync(native)));
  if (typeof result === "string") fail(`${what} against the native one: ${result}`);
  else ok(`${what} (${((Date.now() - started) / 1000).toFixed(1)} s): ${result.summary}`);
}

// --- The cases --------------------------------------------------------------------------------

async function stills({browser, url, nativeStill}) {
  for (const time of kStills) {
    const tab = await browser.open();
    await checkStill(tab, url, time, nativeStill(time), `still ${time}`);
    checkConsole(tab, `still ${time}`);
    await browser.close(tab);
  }
  // A window smaller than the still: shown whole and smaller, 4:3, its pixels the same.
  const tab = await browser.open();
  await tab.send("Emulation.setDeviceMetricsOverride",
                 {width: 320, height: 200, deviceScaleFactor: 1, mobile: false});
  await checkStill(tab, url, "40", nativeStill("40"), "still 40 in a 320 x 200 window");
  const box = await tab.evaluate(`(() => { const r = document.getElementById("canvas")
    .getBoundingClientRect(); return {left: r.left, top: r.top, right: r.right,
    bottom: r.bottom}; })()`);
  const width = box.right - box.left, height = box.bottom - box.top;
  if (box.left < 0 || box.top < 0 || box.right > 320.5 || box.bottom > 200.5 ||
      Math.abs(width / height - 4 / 3) > 0.02)
    fail(`still 40 in a 320 x 200 window: the still lies at ${JSON.stringify(box)}`);
  else ok(`still 40 in a 320 x 200 window: shown whole at ${width.toFixed(0)} x ` +
          `${height.toFixed(0)}`);
  checkConsole(tab, "the small still");
  await browser.close(tab);
}

async function theShow({browser, url}) {
  const tab = await browser.open();
  const started = Date.now();
  await tab.navigate(`${url}index.html?speed=${kSpeed}`);
  if (!await tab.waitFor('document.body.dataset.state === "ready"', 60)) {
    fail(`the show: the page never offered to start (the card says "${
      await text(tab, "card")}")`);
    return;
  }
  const facts = await text(tab, "facts");
  if (!/3:11/.test(facts) || !/\d+\.\d MB to download|kept from an earlier visit/.test(facts))
    fail(`the title card does not give the running time and the size: "${facts}"`);
  if (!await tab.evaluate('document.getElementById("poster").naturalWidth === 640'))
    fail("the title card shows no poster");
  const title = await tab.evaluate("document.querySelector('h1').textContent");
  if (title !== "brokwel 11 | glintVAT | dwm2001") fail(`the title card is titled "${title}"`);

  await tab.click("start");
  if (!await tab.waitFor('document.body.dataset.state === "playing"', 10))
    fail(`the show: no frame after the click (state ${await state(tab)})`);
  else if (!await tab.waitFor(kEnded, kShowSeconds))
    fail(`the show: not over by itself after ${kShowSeconds} s`);
  else if (await text(tab, "status") !== "The show has ended." ||
           await text(tab, "start") !== "Play again" || !await shown(tab, "start"))
    fail("the show: at its end the page does not say so and offer to play again");
  else
    ok(`the show ended by itself (${kSpeed} times as fast, ${
      ((Date.now() - started) / 1000).toFixed(1)} s), "Play again" offered`);

  // Again from the start, ended by Escape.
  await tab.click("start");
  if (!await tab.waitFor('document.body.dataset.state === "playing"', 10)) {
    fail(`play again: no frame after the click (state ${await state(tab)})`);
  } else {
    await sleep(1);
    for (const type of ["keyDown", "keyUp"])
      await tab.send("Input.dispatchKeyEvent",
                     {type, key: "Escape", code: "Escape", windowsVirtualKeyCode: 27});
    if (!await tab.waitFor(kEnded, 10))
      fail("play again: Escape did not end the show");
    else ok("played again from the start, and ended by Escape");
  }
  checkConsole(tab, "the show");
  await browser.close(tab);
}

// A bad parameter of each kind, as the page shows it (every case of the reading itself is
// tested in Node, page_words_test.js).
async function badParameters({browser, url}) {
  const cases = [["still=abc", "still"], ["speed=0", "speed"]];
  for (const [query, name] of cases) {
    const tab = await browser.open();
    await tab.navigate(`${url}index.html?${query}`);
    const told = await tab.waitFor('document.body.dataset.state === "problem"', 10);
    const said = await text(tab, "problem-text");
    if (!told || !said.includes(name) || !/for example/.test(said))
      fail(`?${query}: no message naming ${name} and what it takes (the page says "${said}")`);
    else if (askedForShow(tab)) fail(`?${query}: the page downloaded the show all the same`);
    else ok(`?${query}: "${said}"`);
    await browser.close(tab);
  }
}

// One loading failure: its message, named and within the time, and its Retry.
async function failure(browser, site, [name, fault, reason, retried]) {
  // A server of its own: a new origin, so nothing an earlier case cached is reused.
  const server = new FaultServer(site);
  const url = await server.start();
  server.fail(name, fault);
  const tab = await browser.open();
  const started = Date.now();
  await tab.navigate(url);
  const told = await tab.waitFor('document.body.dataset.state === "problem"',
                                 kFailureSeconds + 10);
  // A stall fails from the server's last byte, every other fault from the start.
  const seconds = (Date.now() - (server.stalledAt ?? started)) / 1000;
  const said = await text(tab, "problem-text");
  const what = `${name} ${fault}`;
  if (!told || seconds > kFailureSeconds || !said.startsWith(name) || !reason.test(said)) {
    fail(`${what}: no message naming it within ${kFailureSeconds} s (after ${
      seconds.toFixed(1)} s the page says "${said}")`);
  } else if (!await shown(tab, "retry")) {
    fail(`${what}: no Retry offered`);
  } else if (!retried) {
    ok(`${what}: "${said}" after ${seconds.toFixed(1)} s, with a Retry`);
  } else {
    // Retried with the server mended: only the file that failed is asked for again.
    const asked = kShowFiles.map(file => server.asked(file));
    server.fail(name, null);
    await tab.click("retry");
    const ready = await tab.waitFor('document.body.dataset.state === "ready"', 60);
    const again = kShowFiles.filter((file, i) => server.asked(file) > asked[i]);
    if (!ready) fail(`${what}: Retry did not reach Start (the card says "${
      await text(tab, "card")}")`);
    else if (again.join() !== name) fail(`${what}: Retry asked again for ${again.join(", ")}`);
    else ok(`${what}: "${said}" after ${seconds.toFixed(1)} s; Retry asked only for ${name}`);
  }
  await browser.close(tab);
  await server.stop();
}

async function loadingFailures({browser, site}) {
  // Each failure, its message; a Retry with the server mended for two of them (the large file
  // and a small one), each asking again only for what failed.
  const cases = [
    ["show.data", "404", /404/, true],
    ["show.data", "cut", /connection failed/, false],
    ["show.data", "truncate", /ended early/, false],
    ["show.data", "corrupt", /SHA-256/, false],
    ["show.wasm", "truncate", /ended early/, false],
    ["show.wasm", "corrupt", /SHA-256/, true],
    ["show.js", "404", /404/, false],
    ["show.wasm", "uncompilable", /compile/, false],
  ];
  // A stall is told only after seconds of silence: it waits beside the others.
  const stalled = failure(browser, site, ["show.data", "stall", /stalled/, false]).catch(e => e);
  for (const failing of cases) await failure(browser, site, failing);
  const error = await stalled;
  if (error) throw error;
  // A server that labels its files wrongly still serves the show.
  const server = new FaultServer(site);
  const url = await server.start();
  server.fail("show.wasm", "mime");
  server.fail("show.data", "mime");
  const tab = await browser.open();
  await tab.navigate(url);
  if (!await tab.waitFor('document.body.dataset.state === "ready"', 60))
    fail(`files served as text/plain: Start never offered (the card says "${
      await text(tab, "card")}")`);
  else ok("files served as text/plain: the show is offered all the same");
  await browser.close(tab);
  await server.stop();
}

async function pageAsFile({browser, site}) {
  const tab = await browser.open();
  await tab.navigate("file://" + path.join(site, "index.html"));
  const told = await tab.waitFor('document.body.dataset.state === "problem"', 10);
  const said = await text(tab, "problem-text");
  if (!told || !said.includes("tools/web.sh --serve"))
    fail(`the page opened as a file: no message saying how to serve it ("${said}")`);
  else if (askedForShow(tab)) fail("the page opened as a file tried to download the show");
  else ok(`the page opened as a file: "${said.slice(0, 60)}…"`);
  await browser.close(tab);
}

async function noWebGl2({site}) {
  const browser = new Browser(["--disable-webgl2"]);
  const server = new FaultServer(site);
  const url = await server.start();
  try {
    const tab = await browser.open();
    await tab.navigate(url);
    const told = await tab.waitFor('document.body.dataset.state === "problem"', 20);
    const said = await text(tab, "problem-text");
    if (!told || !said.includes("WebGL 2")) fail(`without WebGL 2: no message saying so ("${said}")`);
    else if (kShowFiles.some(name => server.asked(name)))
      fail("without WebGL 2: the page downloaded the show all the same");
    else ok(`without WebGL 2: "${said.slice(0, 60)}…"`);
    await checkCard(tab, "without WebGL 2");
  } finally {
    await browser.quit();
    await server.stop();
  }
}

// A slow line, then the same page again from the cache, then with the server gone.
async function slowLineAndCache({browser, site, nativeStill}) {
  const server = new FaultServer(site);
  const url = await server.start();
  const tab = await browser.open();
  await tab.line({latency: 40, download: 10e6});
  await tab.navigate(url);
  const seen = new Set();
  const until = Date.now() + 120 * 1000;
  let throttled = true;
  while (Date.now() < until && await state(tab) !== "ready") {
    // Asked from the first moment, when the page may not have its bar yet.
    const progress = await tab.evaluate(
      '!(document.getElementById("progress")?.hidden ?? true) && ' +
      'document.getElementById("progress-text").textContent');
    if (progress) seen.add(progress);
    // Once the bar has been seen to move and to give the time left, the rest need not crawl.
    if (throttled && seen.size > 6 && /left/.test(progress)) {
      await tab.line();
      throttled = false;
    }
    await sleep(0.1);
  }
  if (await state(tab) !== "ready") fail(`10 Mbit/s: Start never offered ("${await text(tab, "card")}")`);
  else if (seen.size < 5) fail(`10 Mbit/s: the progress bar moved only ${seen.size} times`);
  else if (![...seen].some(shown => /about \d+ s left/.test(shown)))
    fail("10 Mbit/s: the progress bar never gave the time left");
  else ok(`10 Mbit/s: the progress bar moved ${seen.size} times before Start`);
  checkConsole(tab, "10 Mbit/s");

  const asked = server.asked("show.data");
  await tab.send("Page.reload");
  if (!await tab.waitFor('document.body.dataset.state === "ready"', 60))
    fail("the reload: Start never offered");
  else if (server.asked("show.data") !== asked) fail("the reload downloaded show.data again");
  else ok("the reload came from the cache");
  await tab.line();

  // The network gone: the page, its files and a still all from the cache.
  await server.stop();
  await checkStill(tab, url, "95", nativeStill("95"), "still 95 with the server gone");
  await browser.close(tab);
}

async function startUpPaths({browser, url}) {
  const tab = await browser.open();
  // A browser whose full-screen request throws instead of refusing.
  await tab.send("Page.addScriptToEvaluateOnNewDocument", {
    source: "Element.prototype.requestFullscreen = function() { throw new TypeError('no'); };",
  });
  await tab.navigate(`${url}index.html?speed=${kSpeed}`);
  if (!await tab.waitFor('document.body.dataset.state === "ready"', 60)) {
    fail("a throwing full-screen request: the page never offered to start");
  } else {
    await tab.evaluate(`(() => { const ccall = Module.ccall; window.shows = 0;
      Module.ccall = function(name) { if (name === "ShowStart") ++window.shows;
                                      return ccall.apply(this, arguments); }; })()`);
    await tab.click("start");
    await tab.evaluate('document.getElementById("start").click()');
    if (!await tab.waitFor('document.body.dataset.state === "playing"', 10))
      fail(`a throwing full-screen request: the show did not start (state ${await state(tab)})`);
    else if (await tab.evaluate("window.shows") !== 1)
      fail(`two clicks started ${await tab.evaluate("window.shows")} shows`);
    else ok("a throwing full-screen request: the show started in the window, once for two clicks");
    for (const type of ["keyDown", "keyUp"])
      await tab.send("Input.dispatchKeyEvent",
                     {type, key: "Escape", code: "Escape", windowsVirtualKeyCode: 27});
    await tab.waitFor(kEnded, 10);
  }
  await browser.close(tab);
}

// Every file a first visit transfers, as a static server sends it: gzip where such servers
// compress (at zlib's default level, which servers use), the rest as it is.
async function budget({site}) {
  let total = 0;
  const lines = [];
  for (const name of fs.readdirSync(site).sort()) {
    const bytes = fs.readFileSync(path.join(site, name));
    const sent = isCompressed(name) ? zlib.gzipSync(bytes).length : bytes.length;
    total += sent;
    lines.push(`${name} ${(sent / 1e6).toFixed(3)}`);
  }
  const summary = `${(total / 1e6).toFixed(2)} MB (${lines.join(", ")})`;
  if (total > kBudgetBytes)
    fail(`the site transfers ${summary}, over its budget of ${(kBudgetBytes / 1e6).toFixed(2)} MB`);
  else ok(`the site transfers ${summary}, within ${(kBudgetBytes / 1e6).toFixed(2)} MB`);
}

// The paint entries, the poster's largest-contentful-paint entries, the WebGL 2 check's mark and
// when the page's HTML had arrived, all in the page's milliseconds.
const kPaintTimes = `new Promise(resolve => new PerformanceObserver(list => resolve({
    poster: list.getEntries().filter(e => e.element?.id === "poster").map(e => e.startTime),
    painted: performance.getEntriesByName("first-contentful-paint")[0]?.startTime,
    check: performance.getEntriesByName("show-webgl2-check")[0]?.startTime,
    arrived: performance.getEntriesByType("navigation")[0].responseEnd,
  })).observe({type: "largest-contentful-paint", buffered: true}))`;

// A WebGL 2 check that takes 1.5 s (the page's own, on its thread, with no worker to start the
// browser's graphics side first): the card and its poster are painted before it begins, and
// within half a second of the page's arrival in a browser already running (whose first paint
// of all waits for its graphics side to start).
async function paintBeforeCheck({browser, url}) {
  const warm = await browser.open();
  await warm.navigate("data:text/html,<p>warm</p>");
  await warm.waitFor('performance.getEntriesByName("first-contentful-paint").length > 0', 10);
  await browser.close(warm);
  const tab = await browser.open();
  await tab.send("Page.addScriptToEvaluateOnNewDocument", {source: `
    delete window.OffscreenCanvas;
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function(kind, ...rest) {
      if (kind === "webgl2") for (const until = performance.now() + 1500; performance.now() < until;);
      return getContext.call(this, kind, ...rest);
    };`});
  await tab.navigate(url);
  if (!await tab.waitFor('performance.getEntriesByName("show-webgl2-check").length > 0', 20)) {
    fail("a slow WebGL 2 check: the page never made it");
  } else {
    const times = await tab.evaluate(kPaintTimes);
    const poster = Math.min(...times.poster);
    if (!(times.painted < times.check) || !(poster < times.check))
      fail(`a slow WebGL 2 check: it began at ${times.check.toFixed(0)} ms, before the card ` +
           `(${times.painted?.toFixed(0)} ms) or its poster (${poster.toFixed(0)} ms) was painted`);
    else if (poster - times.arrived > 500)
      fail(`the poster was painted ${(poster - times.arrived).toFixed(0)} ms after the page ` +
           "arrived, not within 500 ms");
    else ok(`the card painted at ${times.painted.toFixed(0)} ms and its poster at ` +
            `${poster.toFixed(0)} ms, the page having arrived at ${times.arrived.toFixed(0)} ms; ` +
            `the slow WebGL 2 check began at ${times.check.toFixed(0)} ms`);
  }
  await browser.close(tab);
}

// A first visit, from the link to Start: no task holds the page longer than kLongestTask.
async function longTasks({browser, site}) {
  const server = new FaultServer(site);
  const url = await server.start();
  const tab = await browser.open();
  await tab.send("Page.addScriptToEvaluateOnNewDocument", {source: `
    window.longTasks = [];
    new PerformanceObserver(list => {
      for (const task of list.getEntries())
        window.longTasks.push({at: Math.round(task.startTime), ms: Math.round(task.duration)});
    }).observe({type: "longtask", buffered: true});`});
  await tab.navigate(url);
  if (!await tab.waitFor('document.body.dataset.state === "ready"', 60)) {
    fail(`long tasks: Start never offered (the card says "${await text(tab, "card")}")`);
  } else {
    const tasks = await tab.evaluate("window.longTasks");
    const longest = tasks.reduce((most, task) => Math.max(most, task.ms), 0);
    const shown = JSON.stringify(tasks);
    if (longest > kLongestTask) fail(`long tasks: the page was held for ${longest} ms (${shown})`);
    else ok(`long tasks: none over ${kLongestTask} ms before Start (${tasks.length} over 50 ms, ` +
            `the longest ${longest} ms)`);
  }
  await browser.close(tab);
  await server.stop();
}

// --- In people's hands ------------------------------------------------------------------------

// Whether the card's poster is in and shown.
const posterShown = tab => tab.evaluate(`(() => { const poster = document.getElementById("poster");
  return poster.complete && poster.naturalWidth === 640 && !poster.hidden &&
         poster.getBoundingClientRect().width > 0; })()`);

// Checks that the card shows its poster (given a few seconds to arrive) and keeps the show's
// title, where `what` names the card.
async function checkCard(tab, what) {
  if (!await tab.waitFor(`(() => { const poster = document.getElementById("poster");
        return poster.complete && poster.naturalWidth > 0; })()`, 10) ||
      !await posterShown(tab))
    fail(`${what}: the card shows no poster`);
  const title = await tab.evaluate("document.title");
  if (title !== kTitle) fail(`${what}: the tab is titled "${title}"`);
}

// A real Escape, pressed on the keyboard of a browser with a window: in full screen the browser
// keeps it for itself and only leaves full screen, and leaving full screen ends the show.
async function realKeys({site}) {
  const screen = await startXServer();
  const browser = new Browser([], screen);
  const server = new FaultServer(site);
  const url = await server.start();
  try {
    const tab = await browser.open();
    await tab.navigate(url);
    if (!await tab.waitFor(kReady, 90)) {
      fail(`a real Escape: Start never offered (the card says "${await text(tab, "card")}")`);
      return;
    }
    await tab.click("start");
    if (!await tab.waitFor(`${kPlaying} && !!document.fullscreenElement`, 20)) {
      fail(`a real Escape: the show is not playing full screen (state ${await state(tab)})`);
      return;
    }
    await sleep(1);
    const pressed = Date.now();
    await screen.key("Escape");
    if (!await tab.waitFor(kEnded, 10))
      fail(`a real Escape in full screen: the show goes on (state ${await state(tab)}, full ` +
           `screen ${await tab.evaluate("!!document.fullscreenElement")})`);
    else ok(`a real Escape in full screen ended the show: the end card ${Date.now() - pressed} ms ` +
            "after the key");
    checkConsole(tab, "a real Escape");
  } finally {
    await browser.quit();
    await server.stop();
    await screen.stop();
  }
}

// A phone (412 x 915 at 2.6 device pixels a CSS pixel, touch): leaving full screen ends the show;
// where full screen is refused, a tap on the picture shows End for a while, and End ends it.
async function touch({browser, url}) {
  const phone = async (refuseFullscreen) => {
    const tab = await browser.open();
    await tab.send("Emulation.setDeviceMetricsOverride",
                   {width: 412, height: 915, deviceScaleFactor: 2.6, mobile: true});
    await tab.send("Emulation.setTouchEmulationEnabled", {enabled: true, maxTouchPoints: 5});
    if (refuseFullscreen)
      await tab.send("Page.addScriptToEvaluateOnNewDocument", {source: `
        Element.prototype.requestFullscreen = function() {
          return Promise.reject(new TypeError("full screen refused"));
        };`});
    await tab.navigate(url);
    if (!await tab.waitFor(kReady, 90)) {
      fail(`a phone: Start never offered (the card says "${await text(tab, "card")}")`);
      return null;
    }
    await tab.tap("start");
    if (!await tab.waitFor(kPlaying, 20)) {
      fail(`a phone: a tap on Start did not start the show (state ${await state(tab)})`);
      return null;
    }
    return tab;
  };

  let tab = await phone(false);
  if (tab) {
    if (!await tab.waitFor("!!document.fullscreenElement", 5))
      fail("a phone: the show did not go full screen");
    await sleep(0.5);
    await tab.evaluate("document.exitFullscreen()");
    if (!await tab.waitFor(kEnded, 10)) fail(`a phone: leaving full screen did not end the show`);
    else ok("a phone: leaving full screen ended the show");
    checkConsole(tab, "a phone");
    await browser.close(tab);
  }

  tab = await phone(true);
  if (!tab) return;
  const endBox = `(() => { const r = document.getElementById("end").getBoundingClientRect();
    return {width: r.width, height: r.height}; })()`;
  await sleep(0.5);
  if (await shown(tab, "end")) fail("full screen refused: End is shown before any tap");
  await tab.tap("canvas");
  if (!await tab.waitFor('!document.getElementById("end").hidden', 5)) {
    fail("full screen refused: a tap on the picture shows no End");
  } else if (!await tab.waitFor('document.getElementById("end").hidden', 8)) {
    fail("full screen refused: End stays over the picture");
  } else {
    await tab.tap("canvas");
    await tab.waitFor('!document.getElementById("end").hidden', 5);
    const box = await tab.evaluate(endBox);
    if (box.width < 44 || box.height < 44)
      fail(`full screen refused: End is ${box.width} x ${box.height} CSS pixels, too small for ` +
           "a finger");
    await tab.tap("end");
    if (!await tab.waitFor(kEnded, 10)) fail("full screen refused: End did not end the show");
    else ok(`full screen refused: a tap shows End (${box.width.toFixed(0)} x ` +
            `${box.height.toFixed(0)} CSS pixels) for a while, and End ends the show`);
  }
  checkConsole(tab, "full screen refused");
  await browser.close(tab);
}

// A browser whose audio context never runs (no sound output), whether it says so or says it runs
// while its time stands still: the show plays on, on a silent clock, and says so; sound that
// comes back later does not take the picture back.
async function noSound({browser, url}) {
  for (const claimed of ["suspended", "running"]) await silentContext(browser, url, claimed);
}

async function silentContext(browser, url, claimed) {
  const tab = await browser.open();
  await tab.send("Page.addScriptToEvaluateOnNewDocument", {source: `(() => {
    const Real = window.AudioContext;
    window.soundBack = () => {
      window.soundIsBack = true;
      return Real.prototype.resume.call(window.theContext);
    };
    window.AudioContext = function(...rest) {
      const context = new Real(...rest);
      context.suspend();
      Object.defineProperty(context, "state",
                            {get: () => (window.soundIsBack ? "running" : "${claimed}")});
      context.resume = () => Promise.resolve();
      return window.theContext = context;
    };
    window.AudioContext.prototype = Real.prototype;
  })();`});
  await tab.navigate(url);
  if (!await tab.waitFor(kReady, 90)) {
    fail(`no sound (${claimed}): Start never offered (the card says "${await text(tab, "card")}")`);
    return;
  }
  await tab.click("start");
  const heard = () => tab.evaluate("Module.audio ? Module.audio.heard : -1");
  // Samples the music time for `seconds`: the first and last, and whether it ever went back.
  const follow = async seconds => {
    const times = [];
    for (const until = Date.now() + seconds * 1000; Date.now() < until; await sleep(0.1))
      times.push(await heard());
    return {first: times[0], last: times[times.length - 1],
            back: times.some((time, i) => i && time < times[i - 1])};
  };
  if (!await tab.waitFor(`${kPlaying} && !document.getElementById("note").hidden`, 10)) {
    fail(`no sound (${claimed}): the page does not say so (state ${await state(tab)}, the music at ${
      await heard()} s)`);
  } else {
    const note = await text(tab, "note");
    const silent = await follow(2);
    await tab.evaluate("window.soundBack()");
    const back = await follow(2);
    // The music time is taken once a frame, and a loaded machine draws few: it need not keep
    // pace to the frame, only go on (without the silent clock it stays at 0).
    if (!(silent.last - silent.first > 1) || silent.back)
      fail(`no sound (${claimed}): in 2 s the music time went from ${silent.first} s to ${
        silent.last} s`);
    else if (back.back || !(back.last - back.first > 1) || back.first < silent.last)
      fail(`no sound (${claimed}), then sound: in 2 s the music time went from ${back.first} s to ${
        back.last} s${back.back ? ", and back" : ""}`);
    else ok(`no sound (a context ${claimed}): "${note}"; the music time went on from ` +
            `${silent.first.toFixed(2)} s to ` +
            `${silent.last.toFixed(2)} s in 2 s, and with the sound back on to ` +
            `${back.last.toFixed(2)} s`);
  }
  await tab.evaluate("document.exitFullscreen().catch(() => {})");
  for (const type of ["keyDown", "keyUp"])
    await tab.send("Input.dispatchKeyEvent",
                   {type, key: "Escape", code: "Escape", windowsVirtualKeyCode: 27});
  await tab.waitFor(kEnded, 10);
  checkConsole(tab, "no sound");
  await browser.close(tab);
}

// A page of another build than the server's files: Retry cannot mend it, so after one the page
// offers to reload itself, which gets the server's page. Behind a static server that sends
// Last-Modified and no Cache-Control, a redeploy is seen on the next visit.
async function redeploy({browser, site}) {
  let server = new FaultServer(site);
  let url = await server.start();
  server.pageEdit = otherBuildsPage(site, "show.js");
  let tab = await browser.open();
  await tab.navigate(url);
  const problem = async label => await tab.waitFor('document.body.dataset.state === "problem"', 20) &&
                                 await text(tab, "retry") === label && await shown(tab, "retry");
  if (!await problem("Retry")) {
    fail(`another build's show.js: no Retry (the card says "${await text(tab, "card")}")`);
  } else {
    await tab.click("retry");
    await tab.waitFor('document.body.dataset.state !== "problem"', 5);
    if (!await problem("Reload the page")) {
      fail(`another build's show.js, retried: no Reload offered (the card says "${
        await text(tab, "card")}")`);
    } else {
      const said = await text(tab, "problem-text");
      server.pageEdit = null;
      await tab.click("retry");
      if (!await tab.waitFor(kReady, 60))
        fail(`another build's show.js: the reloaded page did not reach Start ("${
          await text(tab, "card")}")`);
      else ok(`another build's show.js: Retry, then "${said.slice(-60)}", and the reloaded ` +
              "page plays");
    }
  }
  await browser.close(tab);
  await server.stop();

  server = new FaultServer(site);
  url = await server.start();
  server.lastModified = new Date(Date.now() - 30 * 24 * 3600 * 1000);
  tab = await browser.open();
  await tab.navigate(url);
  if (!await tab.waitFor(`${kReady} && !!navigator.serviceWorker.controller`, 60)) {
    fail("a static server: the first visit did not reach Start under its service worker");
  } else {
    await browser.close(tab);
    server.pageEdit = page => page.replace("<head>", '<head><meta name="build" content="new">');
    server.lastModified = new Date();
    tab = await browser.open();
    await tab.navigate(url);
    if (!await tab.waitFor('!!document.querySelector("meta[name=build]")', 20))
      fail("a static server sending Last-Modified only: the visit after a redeploy got the " +
           "old page");
    else ok("a static server sending Last-Modified only: the visit after a redeploy got the " +
            "new page");
  }
  await browser.close(tab);
  await server.stop();
}

// The tab keeps the show's title, every card shows the poster, and a visit that has every file
// from an earlier one says so and shows no download.
async function trueWords({browser, site}) {
  const failed = failures.length;
  const server = new FaultServer(site);
  const url = await server.start();
  let tab = await browser.open();
  await tab.navigate(`${url}index.html?speed=${kSpeed}`);
  await checkCard(tab, "the title card");
  if (!await tab.waitFor(kReady, 90)) {
    fail(`true words: Start never offered (the card says "${await text(tab, "card")}")`);
    return;
  }
  if (!/MB to download/.test(await text(tab, "facts")))
    fail(`the first visit's card does not give the download: "${await text(tab, "facts")}"`);
  await tab.click("start");
  if (!await tab.waitFor(kPlaying, 10)) fail("true words: the show did not start");
  else if (await tab.evaluate("document.title") !== kTitle)
    fail(`while the show plays the tab is titled "${await tab.evaluate("document.title")}"`);
  if (!await tab.waitFor(kEnded, kShowSeconds)) fail("true words: the show did not end");
  else await checkCard(tab, "the end card");
  await browser.close(tab);

  // A second visit: everything from the cache.
  tab = await browser.open();
  await tab.navigate(url);
  const seen = new Set();
  const until = Date.now() + 60 * 1000;
  while (Date.now() < until && await state(tab) !== "ready") {
    seen.add(await tab.evaluate(`[document.getElementById("progress").hidden ? "" : "progress",
      document.getElementById("status").textContent, document.getElementById("facts")
      .textContent].join(" | ")`));
    await sleep(0.02);
  }
  const status = await text(tab, "status"), facts = await text(tab, "facts");
  const told = [...seen].filter(line => /progress|Downloading|MB to download/.test(line));
  if (await state(tab) !== "ready") fail("a second visit: Start never offered");
  else if (status !== "Ready: kept from an earlier visit" || !/kept from an earlier visit/.test(facts))
    fail(`a second visit: the card says "${facts}" and "${status}"`);
  else if (told.length) fail(`a second visit spoke of a download: ${JSON.stringify(told)}`);
  else ok(`a second visit: "${facts}", "${status}", no download shown`);
  await checkCard(tab, "the second visit's card");
  await browser.close(tab);

  // Failure cards: a bad parameter, and a file the server has not.
  tab = await browser.open();
  await tab.navigate(`${url}index.html?still=abc`);
  await tab.waitFor('document.body.dataset.state === "problem"', 10);
  await checkCard(tab, "a bad parameter's card");
  await browser.close(tab);
  const failing = new FaultServer(site);
  tab = await browser.open();
  failing.fail("show.data", "404");
  await tab.navigate(await failing.start());
  await tab.waitFor('document.body.dataset.state === "problem"', 30);
  await checkCard(tab, "a loading failure's card");
  await browser.close(tab);
  await failing.stop();
  await server.stop();
  if (failures.length === failed)
    ok("the title, the end, the second visit's and the failures' cards keep the title and " +
       "show the poster");
}

// The show drawn at the canvas's device pixels, stepped down when frames come slowly; a still
// at a size asked for, as the capture tool draws it at that size; the show's own pixels asked
// for.
async function sharpness({browser, url, capture}) {
  const start = async (tab, address) => {
    await tab.navigate(address);
    if (!await tab.waitFor(kReady, 90)) return false;
    await tab.click("start");
    return tab.waitFor(kPlaying, 20);
  };
  const drawing = tab => tab.evaluate(
    'document.getElementById("canvas").width + "x" + document.getElementById("canvas").height + ' +
    '" " + document.getElementById("canvas").dataset.drawing');
  // At 2 device pixels a CSS pixel, in an 800 x 600 window, with every frame held 60 ms.
  let tab = await browser.open();
  await tab.send("Emulation.setDeviceMetricsOverride",
                 {width: 800, height: 600, deviceScaleFactor: 2, mobile: false});
  await tab.send("Page.addScriptToEvaluateOnNewDocument", {source: `
    const ask = window.requestAnimationFrame.bind(window);
    window.slowFrames = false;
    window.requestAnimationFrame = f => ask(t => {
      if (window.slowFrames) for (const until = performance.now() + 60; performance.now() < until;);
      f(t);
    });`});
  if (!await start(tab, url)) {
    fail(`sharpness: the show did not start (state ${await state(tab)})`);
  } else {
    const first = await drawing(tab);
    await tab.evaluate("window.slowFrames = true");
    const stepped = await tab.waitFor(
      'document.getElementById("canvas").dataset.drawing !== "1600x1200"', 6);
    const after = await drawing(tab);
    if (first !== "1600x1200 1600x1200")
      fail(`sharpness: at 2 device pixels a CSS pixel in 800 x 600 the canvas and the drawing ` +
           `are ${first}, not 1600x1200 both`);
    else if (!stepped) fail(`sharpness: slow frames did not step the drawing down (${after})`);
    else ok(`sharpness: drawn at the canvas's ${first.split(" ")[0]} device pixels, stepped ` +
            `down to ${after.split(" ")[1]} when every frame took 60 ms`);
  }
  await tab.evaluate("window.slowFrames = false");
  await browser.close(tab);

  // The show's own pixels, asked for.
  tab = await browser.open();
  await tab.send("Emulation.setDeviceMetricsOverride",
                 {width: 800, height: 600, deviceScaleFactor: 2, mobile: false});
  if (!await start(tab, `${url}index.html?size=640x480`)) {
    fail("?size=640x480: the show did not start");
  } else {
    const shown = await drawing(tab);
    if (!shown.endsWith(" 640x480")) fail(`?size=640x480: the show is drawn at ${shown}`);
    else ok(`?size=640x480: the show is drawn at 640 x 480 in a ${shown.split(" ")[0]} canvas`);
  }
  await browser.close(tab);

  // A still at 1920 x 1080 against the capture tool's.
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "show-sized-"));
  try {
    execFileSync(capture, ["--out", folder, "--still", "40", "--size", "1920x1080"],
                 {cwd: path.dirname(capture), stdio: "ignore"});
    tab = await browser.open();
    await checkStill(tab, url, "40", path.join(folder, "still-40.000.png"),
                     "still 40 at 1920 x 1080", "&size=1920x1080");
    const size = await tab.evaluate('document.getElementById("canvas").width + "x" + ' +
                                    'document.getElementById("canvas").height');
    if (size !== "1920x1080") fail(`still 40 at 1920 x 1080: the canvas is ${size}`);
    checkConsole(tab, "sharpness");
    await browser.close(tab);
  } finally {
    fs.rmSync(folder, {recursive: true, force: true});
  }
}

const kCases = [stills, theShow, badParameters, loadingFailures, pageAsFile, noWebGl2,
                slowLineAndCache, startUpPaths, budget, paintBeforeCheck, longTasks, realKeys,
                touch, noSound, redeploy, trueWords, sharpness];

async function main() {
  const [site, capture] = process.argv.slice(2, 4).map(p => path.resolve(p));
  const chosen = process.argv.slice(4);
  const cases = chosen.length ? kCases.filter(test => chosen.includes(test.name)) : kCases;
  for (const name of chosen)
    if (!kCases.some(test => test.name === name)) {
      console.log(`FAIL no case named ${name}`);
      return 1;
    }
  if (!site || !fs.existsSync(path.join(site, "index.html")) ||
      !fs.existsSync(path.join(site, "show.wasm"))) {
    console.log(`FAIL the browser build is missing from ${site} (tools/web.sh builds it)`);
    return 1;
  }
  // The native stills, from the capture tool in its own folder, made when a case first asks.
  const stillsFolder = fs.mkdtempSync(path.join(os.tmpdir(), "show-stills-"));
  let captured = false;
  const nativeStill = time => {
    if (!captured)
      execFileSync(capture, ["--out", stillsFolder].concat(...kStills.map(t => ["--still", t])),
                   {cwd: path.dirname(capture), stdio: "ignore"});
    captured = true;
    return path.join(stillsFolder, `still-${Number(time).toFixed(3)}.png`);
  };

  const server = new FaultServer(site);
  const url = await server.start();
  const browser = new Browser();
  const context = {browser, site, url, nativeStill, capture};
  try {
    for (const test of cases) {
      try {
        await test(context);
      } catch (error) {
        fail(`${test.name}: ${error.stack}`);
      }
    }
  } finally {
    await browser.quit();
    await server.stop();
    fs.rmSync(stillsFolder, {recursive: true, force: true});
  }
  return failures.length ? 1 : 0;
}

main().then(code => process.exit(code), error => {
  console.log("FAIL " + error.stack);
  process.exit(1);
});
