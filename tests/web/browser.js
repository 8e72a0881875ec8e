// Chromium (WebGL 2 through SwiftShader), headless or with a window on an X display, spoken to
// through the DevTools protocol on its pipe (fds 3 and 4), for the page's tests and figures.
"use strict";
const {spawn} = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");

const sleep = seconds => new Promise(resolve => setTimeout(resolve, seconds * 1000));

class Browser {
  // `flags`: more of Chromium's switches, such as --disable-webgl2. `screen`: an X server
  // (xserver.js) for a browser with a window there, which takes real input; headless without.
  constructor(flags = [], screen = null) {
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), "show-page-"));
    const mode = screen ? ["--ozone-platform=x11", "--window-position=0,0"] : ["--headless=new"];
    this.process = spawn("chromium", [
      ...mode, "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
      "--autoplay-policy=no-user-gesture-required", "--no-first-run", "--no-default-browser-check",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      "--window-size=640,480", "--remote-debugging-pipe", "--user-data-dir=" + this.profile,
      ...flags, "about:blank",
    ], {stdio: ["ignore", "ignore", "ignore", "pipe", "pipe"], detached: true,
        env: screen ? screen.env : process.env});
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

  // A fresh tab, watched: every console error, uncaught exception or failed load is kept in
  // `errors`, every warning in `warnings`, every other console line in `logs`, and every
  // address it asks the network for in `requests`.
  async open() {
    const {targetId} = await this.send("Target.createTarget", {url: "about:blank"});
    const {sessionId} = await this.send("Target.attachToTarget", {targetId, flatten: true});
    const tab = {
      errors: [], warnings: [], logs: [], requests: [], targetId,
      send: (method, params) => this.send(method, params, sessionId),
    };
    this.listeners.push(message => {
      if (message.sessionId !== sessionId) return;
      const p = message.params;
      const text = () => p.args.map(a => a.value ?? a.description).join(" ");
      if (message.method === "Runtime.consoleAPICalled" && p.type === "error")
        tab.errors.push("console.error: " + text());
      if (message.method === "Runtime.consoleAPICalled" && p.type === "warning")
        tab.warnings.push("console.warn: " + text());
      if (message.method === "Runtime.consoleAPICalled" && p.type === "log") tab.logs.push(text());
      if (message.method === "Runtime.exceptionThrown")
        tab.errors.push("exception: " + (p.exceptionDetails.exception?.description ??
                                         p.exceptionDetails.text));
      if (message.method === "Log.entryAdded" && p.entry.level === "error")
        tab.errors.push("log: " + p.entry.text + (p.entry.url ? " " + p.entry.url : ""));
      if (message.method === "Log.entryAdded" && p.entry.level === "warning")
        tab.warnings.push("log: " + p.entry.text + (p.entry.url ? " " + p.entry.url : ""));
      if (message.method === "Network.requestWillBeSent") tab.requests.push(p.request.url);
    });
    await tab.send("Runtime.enable");
    await tab.send("Log.enable");
    await tab.send("Page.enable");
    await tab.send("Network.enable");
    tab.evaluate = async expression => {
      const {result, exceptionDetails} = await tab.send("Runtime.evaluate",
                                                        {expression, returnByValue: true,
                                                         awaitPromise: true});
      if (exceptionDetails) throw new Error(`${expression}: ${exceptionDetails.text}`);
      return result.value;
    };
    // Waits until `expression` is true, polling; false after `seconds`.
    tab.waitFor = async (expression, seconds) => {
      const until = Date.now() + seconds * 1000;
      while (Date.now() < until) {
        if (await tab.evaluate(expression).catch(() => false)) return true;
        await sleep(0.05);
      }
      return false;
    };
    tab.navigate = url => tab.send("Page.navigate", {url});
    // The line as the DevTools protocol emulates it: {offline, latency (ms), download (bit/s)},
    // or nothing for the unthrottled line.
    tab.line = ({offline = false, latency = 0, download = -1} = {}) =>
      tab.send("Network.emulateNetworkConditions", {
        offline, latency, downloadThroughput: download > 0 ? download / 8 : -1,
        uploadThroughput: -1,
      });
    // A click at the middle of element `id`, as a person makes it.
    tab.click = async id => {
      const box = await tab.evaluate(`(() => { const r = document.getElementById("${id}")
        .getBoundingClientRect(); return {x: r.x + r.width / 2, y: r.y + r.height / 2}; })()`);
      for (const type of ["mousePressed", "mouseReleased"])
        await tab.send("Input.dispatchMouseEvent",
                       {type, x: box.x, y: box.y, button: "left", clickCount: 1});
    };
    // A tap at the middle of element `id`, as a finger makes it (the tab emulating touch).
    tab.tap = async id => {
      const box = await tab.evaluate(`(() => { const r = document.getElementById("${id}")
        .getBoundingClientRect(); return {x: r.x + r.width / 2, y: r.y + r.height / 2}; })()`);
      await tab.send("Input.dispatchTouchEvent", {type: "touchStart", touchPoints: [box]});
      await tab.send("Input.dispatchTouchEvent", {type: "touchEnd", touchPoints: []});
    };
    return tab;
  }

  async close(tab) { await this.send("Target.closeTarget", {targetId: tab.targetId}); }

  // Asks Chromium to close and waits for it, so that no helper is still writing into the
  // profile when it is removed; whatever lingers after a few seconds is killed.
  async quit() {
    const within = (promise, seconds) => Promise.race([promise, sleep(seconds)]);
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

module.exports = {Browser, sleep};
