// Debian's Firefox ESR for the page's test and figures: puppeteer-core (from SHOW_PUPPETEER, or
// the folder tools/test.sh installs it into) driving it over WebDriver BiDi, in a window on the
// X server given (headless Firefox offers no WebGL 2 without a graphics card).
"use strict";
const os = require("os");
const path = require("path");

const kPuppeteer = process.env.SHOW_PUPPETEER ||
                   path.join(process.env.XDG_CACHE_HOME || path.join(os.homedir(), ".cache"),
                             "show-web/puppeteer-core-24.43.1/node_modules/puppeteer-core");

// puppeteer-core, or null where it is not installed.
function puppeteer() {
  try {
    return require(kPuppeteer);
  } catch {
    return null;
  }
}

// Firefox in an 800 x 600 window on `screen` (xserver.js), playing sound without asking, as the
// Chromium tests do.
function launchFirefox(screen) {
  return puppeteer().launch({
    browser: "firefox", executablePath: "/usr/bin/firefox-esr", protocol: "webDriverBiDi",
    headless: false, env: screen.env, args: ["--width=800", "--height=600"],
    extraPrefsFirefox: {"media.autoplay.default": 0, "media.autoplay.block-webaudio": false},
  });
}

const sleep = seconds => new Promise(resolve => setTimeout(resolve, seconds * 1000));

// Waits until `test` (run in the page: a function or an expression) is true, polling; false
// after `seconds`.
async function waitFor(page, test, seconds) {
  const until = Date.now() + seconds * 1000;
  while (Date.now() < until) {
    if (await page.evaluate(test).catch(() => false)) return true;
    await sleep(0.02);
  }
  return false;
}

module.exports = {kPuppeteer, puppeteer, launchFirefox, waitFor, sleep};
