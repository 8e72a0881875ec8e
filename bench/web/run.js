// Runs the scene benchmark's page (build-web/bench, which tools/web.sh --bench builds) in
// headless Chromium, WebGL 2 through SwiftShader, and prints each scene's figures: the device's
// own cost a frame (its recorded calls through the device less the plain program, on the wall
// clock: the page has no clock of a thread's own) with its 95 % interval, the scenes' own, the
// ratio of the show's frame time to the plain program's with its interval (every side presents
// into its canvas and is waited for once), and the GL calls and bytes of a frame on each side.
//   node bench/web/run.js [FOLDER] [--frames F] [--rounds R] [--scene N]
"use strict";
const path = require("path");
const {Browser} = require("../../tests/web/browser.js");
const {serve} = require("../../tools/web/serve.js");

const kColumns = ["device_us", "device_us_low", "device_us_high", "logic_us", "ratio",
                  "ratio_low", "ratio_high", "show_ms", "calls_ms", "bare_ms", "gl_calls",
                  "gl_calls_calls", "gl_calls_bare", "upload_bytes", "upload_bytes_bare"];

async function main() {
  const args = process.argv.slice(2);
  const option = name => {
    const at = args.indexOf(name);
    return at >= 0 ? args.splice(at, 2)[1] : null;
  };
  const frames = option("--frames") || "30", rounds = option("--rounds") || "11";
  const scene = option("--scene");
  const folder = path.resolve(args[0] || "build-web/bench");
  let port = 0;
  const server = await new Promise(resolve => {
    const made = serve(folder, 0, chosen => { port = chosen; resolve(made); });
  });
  const browser = new Browser();
  let failed = false;
  try {
    const tab = await browser.open();
    const query = `frames=${frames}&rounds=${rounds}` + (scene !== null ? `&scene=${scene}` : "");
    await tab.navigate(`http://127.0.0.1:${port}/index.html?${query}`);
    console.log(`scene          ${kColumns.map(c => c.padStart(18)).join("")}`);
    let shown = 0, done = false;
    const until = Date.now() + 3600 * 1000;
    for (;;) {
      // The last results may come after the title says the page is done.
      if (done) await new Promise(resolve => setTimeout(resolve, 500));
      while (shown < tab.logs.length) {
        const line = tab.logs[shown++];
        if (!line.startsWith("scene-result ")) continue;
        const result = JSON.parse(line.slice("scene-result ".length));
        if (result.error) {
          failed = true;
          console.log(`${result.scene.padEnd(15)}${result.error}`);
        } else {
          console.log(result.scene.padEnd(15) +
                      kColumns.map(c => String(Number(result[c].toPrecision(4))).padStart(18))
                          .join(""));
        }
      }
      if (done) break;
      done = await tab.evaluate("document.title").catch(() => "") === "done";
      if (done) continue;
      if (tab.errors.length || Date.now() > until) {
        failed = true;
        console.log(tab.errors.join("\n") || "the page did not finish within an hour");
        break;
      }
      await new Promise(resolve => setTimeout(resolve, 500));
    }
  } finally {
    await browser.quit();
    server.close();
  }
  return failed ? 1 : 0;
}

main().then(code => process.exit(code), error => {
  console.log(error.stack);
  process.exit(1);
});
