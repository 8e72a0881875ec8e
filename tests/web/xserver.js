// A virtual X screen (Xvfb) for the page's tests that need a real window: a browser to be sent
// real key presses (xdotool), or one whose WebGL 2 needs a display (Firefox has none headless).
"use strict";
const {execFile, spawn} = require("child_process");

// Starts Xvfb on a free display; resolves to {display, env, key(name), stop()}.
function startXServer(size = "1280x960") {
  return new Promise((resolve, reject) => {
    const server = spawn("Xvfb", ["-displayfd", "3", "-screen", "0", `${size}x24`, "-nolisten",
                                  "tcp", "-noreset"],
                         {stdio: ["ignore", "ignore", "pipe", "pipe"]});
    let said = "", complaint = "";
    const timer = setTimeout(() => fail("no display after 10 s"), 10000);
    const fail = why => {
      clearTimeout(timer);
      server.kill("SIGKILL");
      reject(new Error(`Xvfb: ${why}${complaint ? ` (${complaint.trim().split("\n").pop()})` : ""}`));
    };
    server.on("error", error => fail(error.message));
    server.on("exit", code => fail(`exited with ${code}`));
    server.stdio[2].on("data", chunk => { complaint += chunk; });
    server.stdio[3].on("data", chunk => {
      said += chunk;
      if (!said.includes("\n")) return;
      clearTimeout(timer);
      server.removeAllListeners("exit");
      const display = ":" + said.trim();
      const env = {...process.env, DISPLAY: display};
      const stop = () => new Promise(done => {
        if (server.exitCode !== null) return done();
        server.once("exit", done);
        server.kill("SIGTERM");
      });
      process.once("exit", () => server.kill("SIGKILL"));
      // A key pressed and released on the real keyboard, as xdotool types it, at whatever
      // window has the focus.
      const key = name => new Promise((done, failed) =>
        execFile("xdotool", ["key", name], {env}, error => (error ? failed(error) : done())));
      resolve({display, env, key, stop});
    });
  });
}

module.exports = {startXServer};
