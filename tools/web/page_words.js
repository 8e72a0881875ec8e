// What the page says and how it reads its address: pure functions, with no page around them, so
// that Node tests them (tests/web/page_words_test.js) and the page inlines them before page.js.
"use strict";

const kShowSeconds = 191;

// One decimal number, as a person types it: digits with at most one point.
const kDecimal = /^(\d+\.?\d*|\.\d+)$/;

// The largest side a drawing size may have: far beyond any screen, within what drivers draw.
const kLargestSide = 16384;

// {still, speed, size} from the address's query, or {problem} saying which parameter is wrong
// and what it takes. `size` ({width, height} or null): the canvas's size for a still, and the
// largest the show is drawn at.
function readParameters(search) {
  const parameters = new URLSearchParams(search);
  const one = name => {
    const values = parameters.getAll(name);
    if (values.length > 1)
      return {problem: `The address gives ${name} ${values.length} times, but`};
    return {value: values.length ? values[0] : null};
  };
  const still = one("still"), speed = one("speed"), size = one("size");
  const stillRule = "still takes one music time in seconds, from 0 to below " +
                    `${kShowSeconds} (for example ?still=40)`;
  const speedRule = "speed takes one number above 0, how many times as fast the music plays " +
                    "(for example ?speed=2)";
  const sizeRule = "size takes the drawing's width and height in pixels, from 640x480 to " +
                   `${kLargestSide}x${kLargestSide} (for example ?size=640x480, the show's own)`;
  if (still.problem) return {problem: `${still.problem} ${stillRule}.`};
  if (speed.problem) return {problem: `${speed.problem} ${speedRule}.`};
  if (size.problem) return {problem: `${size.problem} ${sizeRule}.`};
  const result = {still: null, speed: 1, size: null};
  if (size.value !== null) {
    const match = /^(\d{1,6})x(\d{1,6})$/.exec(size.value);
    const width = match ? Number(match[1]) : 0, height = match ? Number(match[2]) : 0;
    if (!(width >= 640 && height >= 480 && width <= kLargestSide && height <= kLargestSide))
      return {problem: `The address asks for size=${size.value || "(nothing)"}, but ` +
                       `${sizeRule}.`};
    result.size = {width, height};
  }
  if (still.value !== null) {
    const seconds = kDecimal.test(still.value) ? Number(still.value) : NaN;
    if (!(seconds >= 0 && seconds < kShowSeconds))
      return {problem: `The address asks for still=${still.value || "(nothing)"}, but ` +
                       `${stillRule}.`};
    result.still = {text: still.value, seconds};
  }
  if (speed.value !== null) {
    const times = kDecimal.test(speed.value) ? Number(speed.value) : NaN;
    if (!(times > 0 && Number.isFinite(times)))
      return {problem: `The address asks for speed=${speed.value || "(nothing)"}, but ` +
                       `${speedRule}.`};
    result.speed = times;
  }
  return result;
}

// Bytes as megabytes with one decimal: 32068000 is "32.1".
const megabytes = bytes => (bytes / 1e6).toFixed(1);

// The card's line of facts: the running time as minutes:seconds, and the download's size, or
// that it is `kept` from an earlier visit and nothing is downloaded.
function cardFacts(seconds, bytes, kept = false) {
  const minutes = Math.floor(seconds / 60), rest = seconds % 60;
  return `A real-time show with sound, ${minutes}:${String(rest).padStart(2, "0")} long · ` +
         (kept ? "kept from an earlier visit" : `${megabytes(bytes)} MB to download`);
}

// The progress line: how much of the total is in, the share, and the time left at the rate
// measured (bytes a second), once there is one to go by.
function progressLine(done, total, bytesPerSecond) {
  const share = Math.floor(100 * done / total);
  let left = "";
  if (bytesPerSecond > 0 && done < total) {
    const seconds = Math.ceil((total - done) / bytesPerSecond);
    left = seconds < 60 ? ` · about ${seconds} s left`
                        : ` · about ${Math.round(seconds / 60)} min left`;
  }
  return `${megabytes(done)} MB of ${megabytes(total)} MB · ${share} %${left}`;
}

// The sentence for a browser that lacks some of what the show needs, named in a list.
function lacksSentence(missing) {
  const list = missing.length > 1 ? missing.slice(0, -1).join(", ") + " and " +
                                        missing[missing.length - 1]
                                  : missing[0];
  return `This browser cannot play the show: it lacks ${list}. The show needs WebAssembly, ` +
         "WebGL 2 and Web Audio, which current Chrome, Firefox, Safari and Edge all have " +
         "(WebGL 2 may be switched off in the browser's settings, or for this graphics card).";
}

if (typeof module === "object")
  module.exports = {kShowSeconds, readParameters, megabytes, cardFacts, progressLine,
                    lacksSentence};
