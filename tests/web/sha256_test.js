// The page's own SHA-256 (used where the browser offers no crypto.subtle) against Node's, on
// lengths around the 64-byte block and its 56-byte tail, and on a few megabytes.
//   node sha256_test.js
"use strict";
const crypto = require("crypto");
const {sha256Hex} = require("../../tools/web/sha256.js");

const cases = [Buffer.from(""), Buffer.from("abc")];
for (const length of [1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 1000, 3 << 20])
  cases.push(crypto.randomBytes(length));
let failed = 0;
for (const bytes of cases) {
  const expected = crypto.createHash("sha256").update(bytes).digest("hex");
  const actual = sha256Hex(new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.length));
  if (actual !== expected) {
    console.log(`FAIL ${bytes.length} bytes: ${actual}, not ${expected}`);
    ++failed;
  }
}
// The standard's own example.
if (sha256Hex(new TextEncoder().encode("abc")) !==
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad") {
  console.log("FAIL the standard's example");
  ++failed;
}
console.log(failed ? `${failed} failed` : `ok   ${cases.length + 1} hashes`);
process.exit(failed ? 1 : 0);
