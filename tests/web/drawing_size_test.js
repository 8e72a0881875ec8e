// The page's choice of drawing size (tools/web/drawing_size.js): the sizes a canvas steps
// through, and the pace that steps them, fed frame times as a browser would give them.
"use strict";
const test = require("node:test");
const assert = require("node:assert");
const {fitPicture, drawingSizes, DrawingPace} =
    require("../../tools/web/drawing_size.js");

test("the largest picture of the show's shape in a canvas", () => {
  // Worked out by hand: width-limited unless that is too tall.
  assert.deepStrictEqual(fitPicture(1920, 1080), {width: 1440, height: 1080});
  assert.deepStrictEqual(fitPicture(3840, 2160), {width: 2880, height: 2160});
  assert.deepStrictEqual(fitPicture(2560, 1920), {width: 2560, height: 1920});
  // A phone in portrait at 2.6 device pixels a CSS pixel: 412 x 915 CSS pixels.
  assert.deepStrictEqual(fitPicture(1071, 2379), {width: 1071, height: 803});
  assert.deepStrictEqual(fitPicture(1000, 1000), {width: 1000, height: 750});
});

test("the sizes run from the canvas's down to 640 x 480", () => {
  const sizes = drawingSizes(3840, 2160);
  assert.deepStrictEqual(sizes[0], {width: 2880, height: 2160});
  assert.deepStrictEqual(sizes[sizes.length - 1], {width: 640, height: 480});
  for (let i = 1; i < sizes.length; ++i) {
    assert.ok(sizes[i].width < sizes[i - 1].width, JSON.stringify(sizes));
    assert.ok(Math.abs(sizes[i].width / sizes[i].height - 4 / 3) < 0.01, JSON.stringify(sizes));
  }
  // 2880, 2160, 1620, 1215, 911, then 640: each three quarters of the one before.
  assert.deepStrictEqual(sizes.map(size => size.width), [2880, 2160, 1620, 1215, 911, 640]);
  // A canvas at most 640 x 480 (or one only a little larger) draws at the show's own size.
  assert.deepStrictEqual(drawingSizes(320, 240), [{width: 640, height: 480}]);
  assert.deepStrictEqual(drawingSizes(640, 480), [{width: 640, height: 480}]);
  // A largest size asked for caps the sharpest.
  assert.deepStrictEqual(drawingSizes(3840, 2160, {width: 640, height: 480}),
                         [{width: 640, height: 480}]);
  assert.deepStrictEqual(drawingSizes(3840, 2160, {width: 1920, height: 1080})[0],
                         {width: 1440, height: 1080});
});

// Runs `pace` for `seconds` at frames `interval` ms apart from `start`; the levels it chose,
// one a frame, and where it stopped.
function run(pace, start, seconds, interval) {
  const levels = [];
  let now = start;
  for (; now < start + seconds * 1000; now += interval) levels.push(pace.frame(now));
  return {levels, now};
}

test("frames at the screen's pace keep the sharpest size", () => {
  const pace = new DrawingPace(drawingSizes(3840, 2160));
  const {levels} = run(pace, 0, 30, 1000 / 60);
  assert.ok(levels.every(level => level === 0), "stepped down at the screen's own pace");
  // A screen at 120 Hz too, once it is seen to be one.
  const quick = new DrawingPace(drawingSizes(3840, 2160));
  assert.ok(run(quick, 0, 30, 1000 / 120).levels.every(level => level === 0));
});

test("slow frames step down a size a judged second, to the smallest, and quick ones back", () => {
  const sizes = drawingSizes(3840, 2160);
  const pace = new DrawingPace(sizes);
  let now = run(pace, 0, 5, 1000 / 60).now;
  // Every frame now takes two of the screen's intervals.
  const slow = run(pace, now, 2.5, 2000 / 60);
  assert.ok(slow.levels.includes(1), "not stepped down within 2.5 s of slow frames");
  // On to the smallest: a step each two seconds (the second after a step is not judged).
  now = slow.now;
  let level = slow.levels[slow.levels.length - 1];
  while (level < sizes.length - 1 && now < 60 * 1000) {
    level = pace.frame(now);
    now += 2000 / 60;
  }
  assert.strictEqual(level, sizes.length - 1, "never down to 640 x 480");
  assert.ok(now < 20 * 1000, `down to 640 x 480 only after ${now} ms`);
  // Quick again: back up one size at a time, the first not before 10 s (it was slow just now).
  const reachedBottom = now;
  let firstUp = null;
  while (level > 0 && now < reachedBottom + 120 * 1000) {
    const next = pace.frame(now);
    assert.ok(next >= level - 1, "stepped up more than one size at once");
    if (next < level && firstUp === null) firstUp = now;
    level = next;
    now += 1000 / 60;
  }
  assert.strictEqual(level, 0, "never back to the sharpest");
  assert.ok(firstUp - reachedBottom >= 10000, `stepped up ${firstUp - reachedBottom} ms after`);
});

test("a size slow each time it is tried is tried less and less often", () => {
  const sizes = drawingSizes(1920, 1440);
  const pace = new DrawingPace(sizes);
  // Quick at level 1, slow at level 0: the frame interval depends on the size drawn.
  let now = 0, tries = 0, previous = 0;
  const triedAt = [];
  while (now < 300 * 1000) {
    const level = pace.frame(now);
    if (level === 0 && previous !== 0) triedAt.push(now);
    previous = level;
    now += level === 0 ? 2000 / 60 : 1000 / 60;
    ++tries;
  }
  // Tried after about 10 s, then 20, 40, 80: at most 6 times in 5 minutes, with growing gaps.
  assert.ok(triedAt.length >= 3 && triedAt.length <= 6, JSON.stringify(triedAt));
  for (let i = 2; i < triedAt.length; ++i)
    assert.ok(triedAt[i] - triedAt[i - 1] > triedAt[i - 1] - triedAt[i - 2],
              JSON.stringify(triedAt));
  assert.ok(tries > 0);
});
