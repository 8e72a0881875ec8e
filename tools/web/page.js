// The page around the show: a title card, then the download with its progress, then a click to
// start (browsers allow sound only after one), the show full screen, and the card again at its
// end with "Play again". Everything that can go wrong before the show is said on the card in
// words, with a Retry where trying again can help.
//
// The build writes the manifest into the page (every file's size and SHA-256): the card says
// how much will be downloaded before anything is, each file is checked against it before the
// show may start, and the files are asked for, and kept in Cache Storage, under their hashes
// (show.data?sha256=...), so that a second visit reads them from there and one build's files
// never mix with another's. The service worker (sw.js) keeps the page itself for visits without
// a network.
//
// The show is watched, not operated: it ends when full screen is left (Escape, the browser's own
// control, a phone's gesture), or, where it plays in the page, with an End control that a tap or
// click on the picture shows. Without a sound output it plays on silently, on its own clock.
//
// The show is drawn at the canvas's device pixels, as sharp as the screen shows it, and drawn
// less sharp for as long as frames come slower than the screen's (drawing_size.js).
//
// Parameters: index.html?still=T leaves in the canvas the still at music time T, made as the
// capture tool makes it, and then titles the page "still T"; ?size=WxH draws the still at that
// size, and the show at most at it (?size=640x480: the show's own pixels); ?speed=S plays the
// music, and so the show's clock, S times as fast (for the page's tests).
"use strict";

const kShowFiles = ["show.js", "show.wasm", "show.data"];
const kFileCache = "show-files";
// A download that receives nothing for this long has stalled: short enough that a stalled
// connection is told within ten seconds of its last byte, long enough for a slow line's pauses.
const kStallSeconds = 7;
// The music is prepared in slices of this long: well short of what makes a page feel held up
// (50 ms), also on a phone four times as slow as this machine.
const kSliceMilliseconds = 10;

const manifest = JSON.parse(document.getElementById("manifest").textContent);
const canvas = document.getElementById("canvas");
const element = id => document.getElementById(id);

// --- What the page is asked for -------------------------------------------------------------
// readParameters, and the page's wording (cardFacts, progressLine, lacksSentence, megabytes),
// are in page_words.js, and the drawing size's rules (fitPicture, drawingSizes, DrawingPace) in
// drawing_size.js, both inlined before this script.

// Resolves once the page has been painted as it stands (a frame, then a task after it).
const afterPaint = () => new Promise(resolve => requestAnimationFrame(() => setTimeout(resolve)));

// Resolves once the card and its poster have been painted, as far as the browser tells (the
// poster's largest-contentful-paint entry), at once when the poster cannot be had, and after
// three seconds at most (a browser starting its graphics side can take that long to paint).
function cardPainted() {
  return new Promise(resolve => {
    const timer = setTimeout(resolve, 3000);
    const done = () => {
      clearTimeout(timer);
      resolve();
    };
    const poster = element("poster");
    poster.addEventListener("error", done, {once: true});
    if (poster.complete && !poster.naturalWidth) done();
    try {
      new PerformanceObserver(list => {
        if (list.getEntries().some(entry => entry.element === poster)) done();
      }).observe({type: "largest-contentful-paint", buffered: true});
    } catch {
      // No such entries in this browser: a frame after the poster is in.
      const shown = () => afterPaint().then(done);
      if (poster.complete) shown();
      else poster.addEventListener("load", shown, {once: true});
    }
  });
}

// Resolves at the next task, letting the page paint and answer input in between.
const nextTask = () => new Promise(resolve => {
  const channel = new MessageChannel();
  channel.port1.onmessage = () => resolve();
  channel.port2.postMessage(null);
});

// The first WebGL context a page makes starts the browser's graphics side, which takes seconds
// where drawing is done in software, during which the page could not paint or answer. A worker's
// offscreen canvas pays for that start off the page's thread, after which the page's own check
// takes milliseconds. (The worker's answer itself is not the page's: a browser may give
// workers WebGL 2 and pages not.) Resolves when the worker is done, or at once without workers.
function warmUpWebGl() {
  return new Promise(resolve => {
    let worker;
    try {
      if (typeof OffscreenCanvas !== "function" || typeof Worker !== "function") return resolve();
      const source = 'try { new OffscreenCanvas(1, 1).getContext("webgl2"); } catch {}' +
                     "postMessage(null);";
      worker = new Worker(URL.createObjectURL(new Blob([source], {type: "text/javascript"})));
    } catch {
      return resolve();
    }
    const done = () => {
      clearTimeout(timer);
      worker.terminate();
      resolve();
    };
    const timer = setTimeout(done, 10000);
    worker.onmessage = done;
    worker.onerror = done;
  });
}

// What this browser lacks of what the show needs; a still needs no sound.
function missingFeatures(needsSound) {
  const missing = [];
  if (typeof WebAssembly !== "object" || typeof WebAssembly.instantiate !== "function")
    missing.push("WebAssembly");
  let gl = null;
  try {
    gl = document.createElement("canvas").getContext("webgl2");
  } catch {}
  if (!gl) missing.push("WebGL 2");
  else gl.getExtension("WEBGL_lose_context")?.loseContext();
  if (needsSound && !(window.AudioContext || window.webkitAudioContext)) missing.push("Web Audio");
  return missing;
}

// --- The card -------------------------------------------------------------------------------

const showBytes = kShowFiles.reduce((sum, name) => sum + manifest.files[name].size, 0);

function setState(state) { document.body.dataset.state = state; }

function say(text) { element("status").textContent = text; }

// A problem on the card. `retry` is what the button does, or null for none; `label` its text.
function showProblem(text, retry, label = "Retry") {
  element("problem-text").textContent = text;
  const button = element("retry");
  button.hidden = !retry;
  button.textContent = label;
  button.onclick = retry && (() => {
    element("problem").hidden = true;
    retry();
  });
  element("problem").hidden = false;
  element("progress").hidden = true;
  say("");
  setState("problem");
  if (retry) button.focus();
}

// The card's facts: the download's size, or that there is nothing to download.
function showFacts(kept) { element("facts").textContent = cardFacts(kShowSeconds, showBytes, kept); }

// The card, its facts once it is known whether there is anything to download (a look into the
// cache: milliseconds). Resolves to whether every file is kept.
function showCard() {
  setState("card");
  const kept = allKept();
  kept.then(showFacts);
  return kept;
}

// --- Downloading ----------------------------------------------------------------------------

class LoadError extends Error {
  // `otherBuild`: the file is whole but not this page's, which a retry cannot mend when the
  // server holds another build (a redeploy, or a cache that kept the old page).
  constructor(message, otherBuild = false) {
    super(message);
    this.otherBuild = otherBuild;
  }
}

// Reloads the page past every cache: the page asked for again first (the HTTP cache then holds
// the server's current one), then the reload, which the service worker also revalidates.
function reloadPage() {
  fetch(location.href, {cache: "reload"}).catch(() => {}).finally(() => location.reload());
}

const hashed = name => `${name}?sha256=${manifest.files[name].sha256}`;

async function sha256(bytes) {
  if (window.crypto?.subtle) {
    const digest = new Uint8Array(await crypto.subtle.digest("SHA-256", bytes));
    return Array.from(digest, byte => byte.toString(16).padStart(2, "0")).join("");
  }
  return sha256Hex(bytes);
}

// The files already checked this build, kept in Cache Storage under their hashes (where the
// browser offers it: a secure context, not a private window that refuses it).
let fileCache;
function openFileCache() {
  if (fileCache === undefined)
    fileCache = window.caches && isSecureContext
                    ? caches.open(kFileCache).catch(() => null)
                    : Promise.resolve(null);
  return fileCache;
}

// How far each file has come, for the progress bar.
const received = new Map();

// Reads `response`'s body into one buffer of the manifest's size, counting into `received`.
async function readBody(name, response, controller) {
  const expected = manifest.files[name].size;
  const bytes = new Uint8Array(expected);
  let at = 0, stall;
  const watch = () => {
    clearTimeout(stall);
    stall = setTimeout(() => controller.abort(), kStallSeconds * 1000);
  };
  const reader = response.body.getReader();
  try {
    watch();
    for (;;) {
      let chunk;
      try {
        chunk = await reader.read();
      } catch (error) {
        throw new LoadError(controller.signal.aborted
                                ? `${name}: nothing arrived for ${kStallSeconds} s after ` +
                                      `${megabytes(at)} of ${megabytes(expected)} MB; the ` +
                                      "connection has stalled"
                                : `${name}: the connection failed after ${megabytes(at)} of ` +
                                      `${megabytes(expected)} MB (${error.message})`);
      }
      if (chunk.done) break;
      if (at + chunk.value.length > expected) {
        reader.cancel().catch(() => {});
        throw new LoadError(`${name}: larger than the ${megabytes(expected)} MB this page ` +
                            "was built with; the server holds another build's file");
      }
      bytes.set(chunk.value, at);
      at += chunk.value.length;
      received.set(name, at);
      watch();
    }
  } finally {
    clearTimeout(stall);
  }
  if (at < expected)
    throw new LoadError(`${name}: the download ended early, at ${megabytes(at)} of ` +
                        `${megabytes(expected)} MB`);
  return bytes;
}

// The file, checked against the manifest: from the cache when it holds it, else from the
// server (`fresh` past every HTTP cache, for a retry).
async function loadFile(name, fresh) {
  const url = hashed(name);
  const cache = await openFileCache();
  const cached = cache && !fresh ? await cache.match(url).catch(() => null) : null;
  let bytes = null;
  if (cached) {
    const controller = new AbortController();
    bytes = await readBody(name, cached, controller).catch(() => null);
    if (bytes && await sha256(bytes) !== manifest.files[name].sha256) bytes = null;
    // A damaged copy goes, and the server is asked instead.
    if (!bytes) await cache.delete(url).catch(() => {});
  }
  if (!bytes) {
    received.set(name, 0);
    const controller = new AbortController();
    const connecting = setTimeout(() => controller.abort(), kStallSeconds * 1000);
    let response;
    try {
      response = await fetch(url, {cache: fresh ? "reload" : "default",
                                   signal: controller.signal});
    } catch (error) {
      throw new LoadError(controller.signal.aborted
                              ? `${name}: the server did not answer within ${kStallSeconds} s`
                              : `${name}: the server cannot be reached (${error.message})`);
    } finally {
      clearTimeout(connecting);
    }
    if (!response.ok)
      throw new LoadError(`${name}: the server answered ${response.status}` +
                          `${response.statusText ? " " + response.statusText : ""}`);
    bytes = await readBody(name, response, controller);
    if (await sha256(bytes) !== manifest.files[name].sha256)
      throw new LoadError(`${name}: the file differs from the one this page was built with ` +
                          "(its SHA-256 does not match): damaged on the way, or another " +
                          "build's", true);
    if (cache) {
      const type = {".js": "text/javascript", ".wasm": "application/wasm",
                    ".jpg": "image/jpeg"}[name.slice(name.lastIndexOf("."))];
      cache.put(url, new Response(bytes, {headers: {"Content-Type": type ||
                                                    "application/octet-stream"}}))
          .catch(() => {});
    }
  }
  received.set(name, bytes.length);
  return bytes;
}

// Whether every file of this build is kept from an earlier visit (checked again when read).
async function allKept() {
  const cache = await openFileCache();
  if (!cache) return false;
  const found =
      await Promise.all(kShowFiles.map(name => cache.match(hashed(name)).catch(() => null)));
  return found.every(Boolean);
}

// The previous builds' files go once this build's are all in.
async function forgetOtherBuilds() {
  const cache = await openFileCache();
  if (!cache) return;
  const current = new Set(kShowFiles.map(name => new URL(hashed(name), location.href).href));
  for (const request of await cache.keys().catch(() => []))
    if (!current.has(request.url)) cache.delete(request).catch(() => {});
}

// The progress bar: MB of MB, the share, and once it can be told, the time left.
function watchProgress() {
  const samples = [];
  const bar = element("bar");
  const update = () => {
    const done = kShowFiles.reduce((sum, name) => sum + (received.get(name) || 0), 0);
    const now = performance.now();
    samples.push({now, done});
    while (samples.length > 2 && now - samples[0].now > 5000) samples.shift();
    const first = samples[0], elapsed = (now - first.now) / 1000;
    const rate = elapsed >= 1 && done > first.done ? (done - first.done) / elapsed : 0;
    element("filled").style.width = `${100 * done / showBytes}%`;
    bar.setAttribute("aria-valuenow", String(Math.floor(100 * done / showBytes)));
    element("progress-text").textContent = progressLine(done, showBytes, rate);
  };
  element("progress").hidden = false;
  update();
  const timer = setInterval(update, 250);
  return () => {
    clearInterval(timer);
    update();
  };
}

// --- The show -------------------------------------------------------------------------------

// The drawing buffer is the canvas's size on the screen in device pixels, so the picture is
// scaled only once, if at all. A still is the capture tool's 640 x 480, or the size asked for,
// and is only shown smaller where the window is.
function fitCanvas(still, size) {
  const ratio = still ? 1 : window.devicePixelRatio || 1;
  canvas.width = still ? size?.width ?? 640 : Math.max(1, Math.round(canvas.clientWidth * ratio));
  canvas.height = still ? size?.height ?? 480
                        : Math.max(1, Math.round(canvas.clientHeight * ratio));
}

// The size the show is drawn at, noted on the canvas for whoever wants to know.
function noteDrawingSize(size) { canvas.dataset.drawing = `${size.width}x${size.height}`; }

// What ends the show's runtime once it has started (an abort), shown on the card.
let runtimeStopped = what => showProblem(`The show stopped: ${what}`, reloadPage,
                                         "Reload the page");

// Runs the checked script with the checked WebAssembly and data, and resolves once the show's
// runtime is ready. `module` is the compiled WebAssembly.
function startRuntime(script, module, data, speed) {
  return new Promise((resolve, reject) => {
    window.Module = {
      canvas,
      musicSpeed: speed,
      print: text => console.log(text),
      printErr: text => console.warn(text),
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then(instance => receive(instance), error =>
          reject(new LoadError(`show.wasm cannot start in this browser (${error.message})`)));
        return {};
      },
      getPreloadedPackage: () => data.buffer,
      locateFile: name => manifest.files[name] ? hashed(name) : name,
      onRuntimeInitialized: () => resolve(window.Module),
      onAbort: what => runtimeStopped(what),
      showMessage: (caption, text) => {
        element("message-caption").textContent = caption;
        element("message-text").textContent = text;
        element("message").hidden = false;
      },
      onFramePresented: () => {
        if (document.body.dataset.state === "starting") setState("playing");
      },
    };
    const tag = document.createElement("script");
    tag.src = URL.createObjectURL(new Blob([script], {type: "text/javascript"}));
    tag.onerror = () => reject(new LoadError("show.js cannot run in this browser"));
    document.body.appendChild(tag);
  });
}

// The three files in, checked, compiled and started. A retry asks again only for what failed
// (past the HTTP caches) and waits for what is still on its way. `kept`: every file is in the
// cache, so there is no download to show.
function load(parameters, kept) {
  const loading = new Map();
  const file = (name, fresh) => {
    if (!loading.has(name))
      loading.set(name, loadFile(name, fresh).catch(error => {
        loading.delete(name);
        throw error;
      }));
    return loading.get(name);
  };
  // The WebAssembly is compiled (off the page's thread) as soon as it is in and checked, while
  // the data still downloads.
  let compiled = null;
  const compile = fresh => {
    compiled ||= file("show.wasm", fresh).then(wasm => WebAssembly.compile(wasm).catch(error => {
      loading.delete("show.wasm");
      throw new LoadError(`show.wasm: not WebAssembly this browser can compile ` +
                          `(${error.message})`);
    })).catch(error => {
      compiled = null;
      throw error;
    });
    return compiled;
  };
  const stop = kept ? () => {} : watchProgress();
  const attempt = async fresh => {
    element("progress").hidden = kept && !fresh;
    setState("loading");
    say(kept && !fresh ? "Preparing…" : "Downloading…");
    const [script, module, data] =
        await Promise.all([file("show.js", fresh), compile(fresh), file("show.data", fresh)]);
    say("Preparing…");
    return startRuntime(script, module, data, parameters.speed);
  };
  return new Promise(resolve => {
    const run = fresh => attempt(fresh).then(module => {
      stop();
      forgetOtherBuilds();
      resolve(module);
    }, error => {
      if (!(error instanceof LoadError)) runtimeStopped(error?.message || String(error));
      // Asked for again past the caches and still another build's: the page itself is out of
      // date (or the server's files are), and only a fresh page can tell which build to get.
      else if (fresh && error.otherBuild)
        showProblem(`${error.message}. Asked for again, it is still not this page's: the ` +
                    "server holds another build. Reloading the page gets the one it holds.",
                    reloadPage, "Reload the page");
      else showProblem(error.message, () => run(true));
    });
    runtimeStopped = what => showProblem(`The show could not start: ${what}`, reloadPage,
                                         "Reload the page");
    run(false);
  }).then(module => {
    runtimeStopped = what => showProblem(`The show stopped: ${what}`, reloadPage,
                                         "Reload the page");
    return module;
  });
}

// How long the End control stays after a tap or click on the picture.
const kEndShownSeconds = 4;
// How long the line saying the show plays without sound stays over the picture.
const kNoteSeconds = 8;

// A line over the playing show, for a while.
let noteTimer;
function showNote(text) {
  const note = element("note");
  note.textContent = text;
  note.hidden = false;
  clearTimeout(noteTimer);
  noteTimer = setTimeout(() => { note.hidden = true; }, kNoteSeconds * 1000);
}

function hideNote() {
  clearTimeout(noteTimer);
  element("note").hidden = true;
}

const fullscreenElement = () => document.fullscreenElement || document.webkitFullscreenElement;

function askFullscreen() {
  const root = document.documentElement;
  const ask = root.requestFullscreen || root.webkitRequestFullscreen;
  try {
    ask?.call(root, {navigationUI: "hide"})?.catch?.(() => {});
  } catch {}
}

function leaveFullscreen() {
  if (!fullscreenElement()) return;
  try {
    (document.exitFullscreen || document.webkitExitFullscreen)?.call(document)?.catch?.(() => {});
  } catch {}
}

function offerStart(module, parameters, kept) {
  let audioContext = null;
  const button = element("start");
  const endButton = element("end");
  // The show playing now: what ends it, or null.
  let endShow = null;
  let endTimer;
  const hideEnd = () => {
    clearTimeout(endTimer);
    endButton.hidden = true;
  };
  // Leaving full screen ends the show, however it was left: the browser keeps Escape for
  // itself there, and on a phone a gesture or another app leaves it.
  let wasFullscreen = false;
  const fullscreenChanged = () => {
    if (fullscreenElement()) {
      wasFullscreen = true;
      hideEnd();
    } else if (wasFullscreen) {
      endShow?.();
    }
  };
  document.addEventListener("fullscreenchange", fullscreenChanged);
  document.addEventListener("webkitfullscreenchange", fullscreenChanged);
  // Where the show plays in the page, a tap or click on the picture offers to end it.
  canvas.addEventListener("pointerup", () => {
    if (!endShow || fullscreenElement()) return;
    endButton.hidden = false;
    clearTimeout(endTimer);
    endTimer = setTimeout(hideEnd, kEndShownSeconds * 1000);
  });
  endButton.onclick = () => endShow?.();

  const start = () => {
    if (document.body.dataset.state !== "ready") return; // one show at a time
    setState("starting");
    say("Starting…");
    button.hidden = true;
    element("message").hidden = true;
    // The sound may start only inside the click; the one context serves every run.
    try {
      audioContext ||= new (window.AudioContext || window.webkitAudioContext)();
      audioContext.resume().catch(() => {});
    } catch {}
    module.audioContext = audioContext;
    // Full screen if the browser allows it; the show starts in the window whatever it answers.
    wasFullscreen = false;
    askFullscreen();
    canvas.focus();
    let frameRequest = 0;
    // Drawn at the canvas's device pixels (or at most the size asked for), stepped down while
    // frames come slowly and back up when they are quick again.
    const sizes = () => drawingSizes(canvas.width, canvas.height, parameters.size);
    let pace = null, drawing = null;
    const drawAt = size => {
      if (drawing && size.width === drawing.width && size.height === drawing.height) return;
      drawing = size;
      module.ccall("ShowSetDrawingSize", null, ["number", "number"], [size.width, size.height]);
      noteDrawingSize(size);
    };
    const resized = () => {
      if (!pace) return;
      fitCanvas(false);
      pace.resize(sizes());
    };
    window.addEventListener("resize", resized);
    endShow = () => {
      window.removeEventListener("resize", resized);
      endShow = null;
      cancelAnimationFrame(frameRequest);
      module.ccall("ShowStop", null, [], []);
      hideEnd();
      hideNote();
      leaveFullscreen();
      say("The show has ended.");
      button.textContent = "Play again";
      button.hidden = false;
      setState("ready");
      button.focus();
    };
    // One frame of the show each time the browser draws the page.
    const frame = now => {
      drawAt(pace.levels[pace.frame(now)]);
      if (module.ccall("ShowFrame", "number", [], [])) frameRequest = requestAnimationFrame(frame);
      else endShow?.();
    };
    // One frame for the card to say so before the show's start-up holds the page.
    afterPaint().then(() => {
      if (!endShow) return; // ended before it began
      fitCanvas(false);
      pace = new DrawingPace(sizes());
      drawing = pace.levels[0];
      noteDrawingSize(drawing);
      module.ccall("ShowStart", null, ["number", "number"], [drawing.width, drawing.height]);
      frameRequest = requestAnimationFrame(frame);
    });
  };
  module.onSilentClock = () =>
    showNote("No sound output: the show plays on silently, on its own clock.");
  // Those who asked for a size have what the link offers.
  element("original").hidden = !!parameters.size;
  button.onclick = start;
  button.textContent = "Start the show";
  button.hidden = false;
  element("progress").hidden = true;
  say(kept ? "Ready: kept from an earlier visit" : "");
  setState("ready");
  button.focus();
}

function showStill(module, still, size) {
  document.body.classList.add("still");
  fitCanvas(true, size);
  noteDrawingSize(fitPicture(canvas.width, canvas.height));
  setState("drawing");
  say(`Drawing the still at ${still.text} s…`);
  afterPaint().then(() => {
    if (module.ccall("ShowStill", "number", ["number", "number", "number"],
                     [still.seconds, canvas.width, canvas.height])) {
      setState("still");
      document.title = "still " + still.text;
    } else {
      showProblem(`The still at ${still.text} s could not be made.`, null);
    }
  });
}

// Prepares the music a slice at a time, the page answering between slices; then offers the show.
async function prepareMusic(module, parameters, kept) {
  say("Preparing the music…");
  await afterPaint();
  if (module.ccall("ShowPrepare", "number", [], []))
    while (!module.ccall("ShowPrepareMore", "number", ["number"], [kSliceMilliseconds]))
      await nextTask();
  offerStart(module, parameters, kept);
}

function main() {
  const parameters = readParameters(location.search);
  // A visit that has every file from an earlier one says so, rather than a download's size.
  const kept = showCard();
  if (parameters.problem) {
    showProblem(parameters.problem, null);
    return;
  }
  if (location.protocol === "file:") {
    showProblem("This page was opened as a file, and browsers do not let such a page load the " +
                "show's WebAssembly and data. Serve its folder over HTTP instead: from the " +
                "show's source folder, tools/web.sh --serve serves it at " +
                "http://127.0.0.1:8000/ (any static web server will do).", null);
    return;
  }
  // The card is painted first; the checks, which can hold the page, come after.
  Promise.all([cardPainted(), warmUpWebGl()]).then(async () => {
    performance.mark("show-webgl2-check");
    const missing = missingFeatures(parameters.still === null);
    if (missing.length) {
      showProblem(lacksSentence(missing), null);
      return;
    }
    if ("serviceWorker" in navigator && isSecureContext)
      navigator.serviceWorker.register("sw.js").catch(() => {});
    const everyFileKept = await kept;
    load(parameters, everyFileKept).then(module => {
      if (parameters.still) showStill(module, parameters.still, parameters.size);
      else prepareMusic(module, parameters, everyFileKept);
    });
  });
}

main();
