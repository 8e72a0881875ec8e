// How sharp the page draws the show: at the canvas's device pixels, so that the picture is
// scaled no more, stepped down while frames come slower than the screen shows them, and back up
// once they are quick again, so that the show never plays slower for being sharp. Pure
// functions and a class with no page around them, so that Node tests them
// (tests/web/drawing_size_test.js) and the page inlines them before page.js.
"use strict";

const kShowWidth = 640, kShowHeight = 480;

// The largest picture of the show's shape within `width` x `height`, as the show's letterbox
// fits it (its height from the width, unless that is too tall).
function fitPicture(width, height) {
  let across = width, down = Math.floor(width * kShowHeight / kShowWidth);
  if (down > height) {
    down = height;
    across = Math.floor(height * kShowWidth / kShowHeight);
  }
  return {width: across, height: down};
}

// The sizes to draw at for a canvas of `width` x `height` device pixels, largest first (at most
// `largest`, a picture size, where given), each about three quarters as wide as the one before
// (half the pixels in two steps), and 640 x 480 last: the show's own size, below which it is
// not drawn (a smaller canvas shows it scaled down).
function drawingSizes(width, height, largest = null) {
  let top = fitPicture(width, height);
  if (largest && largest.width < top.width) top = fitPicture(largest.width, largest.height);
  if (top.width <= kShowWidth || top.height <= kShowHeight)
    return [{width: kShowWidth, height: kShowHeight}];
  const sizes = [top];
  for (let across = Math.round(top.width * 0.75); across > kShowWidth * 1.1;
       across = Math.round(across * 0.75))
    sizes.push({width: across, height: Math.round(across * top.height / top.width)});
  sizes.push({width: kShowWidth, height: kShowHeight});
  return sizes;
}

// Watches the pace of the frames and picks the size to draw at, an index into the sizes (0 the
// sharpest). Frames are judged a second at a time, by the median interval between them against
// the screen's interval (the shortest such median seen, taken as 60 Hz until a quicker one is):
// half as long again is slow, and steps down at once; within a tenth, for two seconds running,
// is quick, and steps up, unless that size was slow lately (it is tried again after 10 s, then
// 20, 40...). The second after a change is not judged: the change itself costs a frame.
class DrawingPace {
  constructor(levels) {
    this.levels = levels;
    this.level = 0;
    this.screen = 1000 / 60;
    this.window = [];
    this.windowStart = null;
    this.last = null;
    this.quickSeconds = 0;
    this.skip = true;
    // For each level found slow: when, and how long to wait before trying it again.
    this.slowAt = new Map();
  }

  // A frame begins at `now` (ms, the animation frame's time); returns the level to draw it at.
  frame(now) {
    if (this.last !== null) this.window.push(now - this.last);
    this.last = now;
    if (this.windowStart === null) this.windowStart = now;
    if (now - this.windowStart < 1000) return this.level;
    const intervals = this.window.sort((a, b) => a - b);
    const median = intervals[Math.floor(intervals.length / 2)];
    this.window = [];
    this.windowStart = now;
    if (this.skip || median === undefined) {
      this.skip = false;
      return this.level;
    }
    this.screen = Math.min(this.screen, median);
    if (median > this.screen * 1.5) {
      this.quickSeconds = 0;
      if (this.level + 1 < this.levels.length) {
        const before = this.slowAt.get(this.level);
        this.slowAt.set(this.level, {at: now, wait: before ? before.wait * 2 : 10000});
        this.change(this.level + 1);
      }
    } else if (median <= this.screen * 1.1) {
      ++this.quickSeconds;
      const above = this.slowAt.get(this.level - 1);
      if (this.level > 0 && this.quickSeconds >= 2 && (!above || now - above.at >= above.wait))
        this.change(this.level - 1);
    } else {
      this.quickSeconds = 0;
    }
    return this.level;
  }

  // New sizes (the canvas changed): the level kept where the new sizes have it, judged anew.
  resize(levels) {
    this.levels = levels;
    this.level = Math.min(this.level, levels.length - 1);
    this.slowAt.clear();
    this.skip = true;
  }

  change(level) {
    this.level = level;
    this.quickSeconds = 0;
    this.skip = true;
  }
}

if (typeof module === "object")
  module.exports = {kShowWidth, kShowHeight, fitPicture, drawingSizes, DrawingPace};
