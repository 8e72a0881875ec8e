// The browser build in headless Chromium (WebGL 2 through SwiftShader), against the native
// build: every still the page makes (index.html?still=T) must match the native capture tool's
// still at the same time within the golden pictures' tolerance, with not one error on the
// console, and the show the page plays must end by itself and say so.
//   node page_test.js SITE CAPTURE [--show-times]
// SITE is build-web/site (tools/web.sh builds it), CAPTURE the native capture tool, run from
// its own folder where the data set is. Exits 0 when everything holds, 1 otherwise, saying why.
"use strict";
const {spawn, execFileSync} = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");
const {serve} = require("../../tools/web/serve.js");

// A time in each scene (the tube's inside a backward run of its clip, 50.7 to 55.7 s), the
// greetings with one over the tunnel, and both halves of the close.
const kStills = ["6", "20", "40", "53", "95", "130", "150", "175"];
const kStillSeconds = 120;
const kShowSeconds = 240;
// The music eight times as fast: the page's show ends in under half a minute.
const kSpeed = 8;

// --- PNG, as the capture tool and the canvas write it: 8-bit RGB or RGBA, not interlaced.
function readPng(bytes) {
  let at = 8, width = 0, height = 0, channels = 0;
  const data = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at), type = bytes.toString("latin1", at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === "IHDR") {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error("not an 8-bit flat PNG");
      channels = {2: 3, 6: 4}[body[9]];
      if (!channels) throw new Error("not an RGB or RGBA PNG");
    } else if (type === "IDAT") {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels, rgb = Buffer.alloc(width * height * 3);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const row = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? row[i - channels] : 0, up = previous[i];
      const corner = i >= channels ? previous[i - channels] : 0;
      let predicted = 0;
      if (filter === 1) predicted = left;
      else if (filter === 2) predicted = up;
      else if (filter === 3) predicted = (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - corner, a = Math.abs(p - left), b = Math.abs(p - up);
        const c = Math.abs(p - corner);
        predicted = a <= b && a <= c ? left : b <= c ? up : corner;
      }
      row[i] = (row[i] + predicted) & 0xFF;
    }
    for (let x = 0; x < width; ++x)
      for (let c = 0; c < 3; ++c) rgb[(y * width + x) * 3 + c] = row[x * channels + c];
    previous = row;
  }
  return {width, height, rgb};
}

// The golden pictures' rule: a mean difference below one level, and fewer than 0.5 % of the
// channels off by more than 12.
function compare(actual, expected) {
  if (actual.width !== expected.width || actual.height !== expected.height)
    return `${actual.width} x ${actual.height}, not ${expected.width} x ${expected.height}`;
  let total = 0, different = 0, largest = 0;
  for (let i = 0; i < actual.rgb.length; ++i) {
    const d = Math.abs(actual.rgb[i] - expected.rgb[i]);
    total += d;
    different += d > 12;
    largest = Math.max(largest, d);
  }
  const mean = total / actual.rgb.length;
  const summary = `mean difference ${mean.toFixed(3)}, ${different} channels off by more than 12,` +
                  ` largest ${largest}`;
  return mean < 1 && different < actual.rgb.length / 200 ? {summary} : summary;
}

// --- Chromium, spoken to through the DevTools protocol on its pipe (fds 3 and 4).
class Browser {
  constructor() {
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), "show-page-"));
    this.process = spawn("chromium", [
      "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
      "--autoplay-policy=no-user-gesture-required", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      "--window-size=640,480", "--remote-debugging-pipe", "--user-data-dir=" + this.profile,
      "about:blank",
    ], {stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"], detached: true});
    // Chromium's helpers (renderer, GPU, crash handler) share its process group; a test that
    // dies early must not leave them behind.
    this.process.stdio[3].on("error", () => {});  // a pipe to a browser that has gone
    this.exited = new Promise(resolve => this.process.once("exit", resolve));
    this.killGroup = () => { try { process.kill(-this.process.pid, "SIGKILL"); } catch {} };
    process.once("exit", this.killGroup);
    this.next = 1;
    this.waiting = new Map();
    this.listeners = [];
    let pending = "";
    this.process.stdio[4].on("data", chunk => {
      pending += chunk.toString("utf8");
      let end;
      while ((end = pending.indexOf("\0")) >= 0) {
        const message = JSON.parse(pending.slice(0, end));
        pending = pending.slice(end + 1);
        if (message.id && this.waiting.has(message.id)) {
          const {resolve, reject} = this.waiting.get(message.id);
          this.waiting.delete(message.id);
          message.error ? reject(new Error(message.error.message)) : resolve(message.result);
        } else if (message.method) {
          for (const listener of this.listeners) listener(message);
        }
      }
    });
  }

  send(method, params = {}, sessionId) {
    const id = this.next++;
    const message = JSON.stringify(sessionId ? {id, method, params, sessionId}
                                             : {id, method, params});
    this.process.stdio[3].write(message + "\0");
    return new Promise((resolve, reject) => this.waiting.set(id, {resolve, reject}));
  }

  // A fresh tab with the console watched: every error, uncaught exception or failed load is
  // kept in `errors`.
  async open() {
    const {targetId} = await this.send("Target.createTarget", {url: "about:blank"});
    const {sessionId} = await this.send("Target.attachToTarget", {targetId, flatten: true});
    const tab = {
      errors: [], targetId,
      send: (method, params) => this.send(method, params, sessionId),
    };
    this.listeners.push(message => {
      if (message.sessionId !== sessionId) return;
      const p = message.params;
      if (message.method === "Runtime.consoleAPICalled" && p.type === "error")
        tab.errors.push("console.error: " + p.args.map(a => a.value ?? a.description).join(" "));
      if (message.method === "Runtime.exceptionThrown")
        tab.errors.push("exception: " + (p.exceptionDetails.exception?.description ??
                                         p.exceptionDetails.text));
      if (message.method === "Log.entryAdded" && p.entry.level === "error")
        tab.errors.push("log: " + p.entry.text + (p.entry.url ? " " + p.entry.url : ""));
    });
    await tab.send("Runtime.enable");
    await tab.send("Log.enable");
    await tab.send("Page.enable");
    tab.evaluate = async expression =>
      (await tab.send("Runtime.evaluate", {expression, returnByValue: true})).result.value;
    // Waits until `expression` is true, polling; false after `seconds`.
    tab.waitFor = async (expression, seconds) => {
      const until = Date.now() + seconds * 1000;
      while (Date.now() < until) {
        if (await tab.evaluate(expression)) return true;
        await new Promise(resolve => setTimeout(resolve, 100));
      }
      return false;
    };
    return tab;
  }

  async close(tab) { await this.send("Target.closeTarget", {targetId: tab.targetId}); }

  // Asks Chromium to close and waits for it, so that no helper is still writing into the
  // profile when it is removed; whatever lingers after a few seconds is killed.
  async quit() {
    const within = (promise, seconds) =>
      Promise.race([promise, new Promise(resolve => setTimeout(resolve, seconds * 1000))]);
    await within(this.send("Browser.close").catch(() => {}), 5);
    await within(this.exited, 10);
    this.killGroup();
    try {
      fs.rmSync(this.profile, {recursive: true, force: true, maxRetries: 10, retryDelay: 200});
    } catch (error) {
      console.log(`note the browser's profile ${this.profile} was not removed: ${error.message}`);
    }
  }
}

async function main() {
  const [site, capture] = process.argv.slice(2).map(p => path.resolve(p));
  const failures = [];
  const fail = text => { failures.push(text); console.log("FAIL " + text); };
  if (!site || !fs.existsSync(path.join(site, "index.html")) ||
      !fs.existsSync(path.join(site, "show.wasm"))) {
    console.log(`FAIL the browser build is missing from ${site} (tools/web.sh builds it)`);
    return 1;
  }
  // The native stills, from the capture tool in its own folder.
  const stills = fs.mkdtempSync(path.join(os.tmpdir(), "show-stills-"));
  execFileSync(capture, ["--out", stills].concat(...kStills.map(t => ["--still", t])),
               {cwd: path.dirname(capture), stdio: "ignore"});

  let port = 0;
  const server = await new Promise(resolve => {
    const made = serve(site, 0, chosen => { port = chosen; resolve(made); });
  });
  const browser = new Browser();
  try {
    for (const time of kStills) {
      const tab = await browser.open();
      const started = Date.now();
      await tab.send("Page.navigate", {url: `http://127.0.0.1:${port}/index.html?still=${time}`});
      if (!await tab.waitFor(`document.title === "still ${time}"`, kStillSeconds)) {
        fail(`still ${time}: not ready after ${kStillSeconds} s (title "${
          await tab.evaluate("document.title")}")`);
      } else {
        const url = await tab.evaluate('document.getElementById("canvas").toDataURL("image/png")');
        const page = readPng(Buffer.from(url.slice(url.indexOf(",") + 1), "base64"));
        const native = readPng(fs.readFileSync(
          path.join(stills, `still-${Number(time).toFixed(3)}.png`)));
        const result = compare(page, native);
        if (typeof result === "string") fail(`still ${time} against the native one: ${result}`);
        else console.log(`ok   still ${time} (${((Date.now() - started) / 1000).toFixed(1)} s): ` +
                         result.summary);
      }
      for (const error of tab.errors) fail(`still ${time}: ${error}`);
      await browser.close(tab);
    }

    // The show itself: started by a click, over by itself at the music's end.
    const tab = await browser.open();
    const started = Date.now();
    await tab.send("Page.navigate", {url: `http://127.0.0.1:${port}/index.html?speed=${kSpeed}`});
    if (!await tab.waitFor('document.getElementById("notice").className === "start"', 60)) {
      fail("the show: the page never offered to start");
    } else {
      for (const type of ["mousePressed", "mouseReleased"])
        await tab.send("Input.dispatchMouseEvent",
                       {type, x: 320, y: 240, button: "left", clickCount: 1});
      if (!await tab.waitFor('document.title === "ended"', kShowSeconds))
        fail(`the show: not over by itself after ${kShowSeconds} s`);
      else if (await tab.evaluate('document.getElementById("notice").textContent') !==
               "The show has ended.")
        fail("the show: the page does not say that it ended");
      else
        console.log(`ok   the show ended by itself (${kSpeed} times as fast, ${
          ((Date.now() - started) / 1000).toFixed(1)} s)`);
    }
    for (const error of tab.errors) fail(`the show: ${error}`);
  } finally {
    await browser.quit();
    server.close();
    fs.rmSync(stills, {recursive: true, force: true});
  }
  return failures.length ? 1 : 0;
}

main().then(code => process.exit(code), error => {
  console.log("FAIL " + error.stack);
  process.exit(1);
});
