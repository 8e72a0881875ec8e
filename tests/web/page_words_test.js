// The page's reading of its address and its wording, in Node: every case a visitor could type,
// and the lines the card shows.
//   node page_words_test.js
"use strict";
const test = require("node:test");
const assert = require("node:assert");
const words = require("../../tools/web/page_words.js");

test("a still and a speed as people type them", () => {
  assert.deepStrictEqual(words.readParameters(""), {still: null, speed: 1, size: null});
  assert.deepStrictEqual(words.readParameters("?still=40"),
                         {still: {text: "40", seconds: 40}, speed: 1, size: null});
  assert.deepStrictEqual(words.readParameters("?still=0&speed=2.5"),
                         {still: {text: "0", seconds: 0}, speed: 2.5, size: null});
  assert.deepStrictEqual(words.readParameters("?still=.5&speed=32"),
                         {still: {text: ".5", seconds: 0.5}, speed: 32, size: null});
  assert.deepStrictEqual(words.readParameters("?still=40&size=3840x2160").size,
                         {width: 3840, height: 2160});
  assert.deepStrictEqual(words.readParameters("?size=640x480").size, {width: 640, height: 480});
  assert.deepStrictEqual(words.readParameters("?size=16384x16384").size,
                         {width: 16384, height: 16384});
  assert.deepStrictEqual(words.readParameters("?still=190.999").still.seconds, 190.999);
  // Other parameters are not the page's business.
  assert.deepStrictEqual(words.readParameters("?utm_source=x"),
                         {still: null, speed: 1, size: null});
});

test("each bad value is named with what it takes", () => {
  const cases = [
    ["still=abc", "still=abc"], ["still=-5", "still=-5"], ["still=NaN", "still=NaN"],
    ["still=1e9", "still=1e9"], ["still=191", "still=191"], ["still=Infinity", "still=Inf"],
    ["still=", "still=(nothing)"], ["still=4&still=5", "gives still 2 times"],
    ["still=0x10", "still=0x10"], ["still= 4", "still= 4"], ["speed=-1", "speed=-1"],
    ["speed=0", "speed=0"], ["speed=Infinity", "speed=Infinity"], ["speed=fast", "speed=fast"],
    ["speed=", "speed=(nothing)"], ["speed=1&speed=2", "gives speed 2 times"],
    ["size=639x480", "size=639x480"], ["size=640x479", "size=640x479"],
    ["size=16385x480", "size=16385x480"], ["size=1920", "size=1920"],
    ["size=1920X1080", "size=1920X1080"], ["size=-1920x1080", "size=-1920x1080"],
    ["size=1920x1080x1", "size=1920x1080x1"], ["size=", "size=(nothing)"],
    ["size=1e4x1e4", "size=1e4x1e4"], ["size=1x1&size=2x2", "gives size 2 times"],
  ];
  for (const [query, named] of cases) {
    const {problem} = words.readParameters("?" + query);
    assert.ok(problem, `?${query} was taken`);
    assert.ok(problem.includes(named), `?${query}: "${problem}"`);
    const parameter = query.slice(0, query.indexOf("="));
    assert.ok(problem.includes(`${parameter} takes`) && problem.includes("for example"),
              `?${query}: "${problem}" does not say what ${parameter} takes`);
  }
});

test("the card's facts and the progress line", () => {
  assert.strictEqual(words.cardFacts(191, 9714000),
                     "A real-time show with sound, 3:11 long · 9.7 MB to download");
  assert.strictEqual(words.cardFacts(60, 50000), "A real-time show with sound, 1:00 long · " +
                                                 "0.1 MB to download");
  assert.strictEqual(words.cardFacts(191, 9714000, true),
                     "A real-time show with sound, 3:11 long · kept from an earlier visit");
  assert.strictEqual(words.progressLine(0, 9700000, 0), "0.0 MB of 9.7 MB · 0 %");
  // 4.84 MB left at 1.25 MB/s: 3.87 s, said as 4.
  assert.strictEqual(words.progressLine(4860000, 9700000, 1250000),
                     "4.9 MB of 9.7 MB · 50 % · about 4 s left");
  // 90 s and more are said in minutes.
  assert.strictEqual(words.progressLine(0, 9000000, 100000),
                     "0.0 MB of 9.0 MB · 0 % · about 2 min left");
  assert.strictEqual(words.progressLine(9700000, 9700000, 1e6), "9.7 MB of 9.7 MB · 100 %");
});

test("what a browser lacks, in a list", () => {
  assert.match(words.lacksSentence(["WebGL 2"]), /^This browser cannot play the show: it lacks WebGL 2\. /);
  assert.match(words.lacksSentence(["WebAssembly", "WebGL 2", "Web Audio"]),
               /it lacks WebAssembly, WebGL 2 and Web Audio\. /);
});
