// PNG pictures as the capture tool and the canvas write them, and the golden pictures' rule for
// comparing two of them.
"use strict";
const zlib = require("zlib");

// 8-bit RGB or RGBA, not interlaced, into {width, height, rgb}.
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
// channels off by more than 12. {summary} when they match, else the reason.
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

module.exports = {readPng, compare};
