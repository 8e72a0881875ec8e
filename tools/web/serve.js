// Serves a folder over HTTP on 127.0.0.1, for tools/web.sh --serve and the page's tests:
//   node serve.js FOLDER PORT     (PORT 0 picks a free one; the address is printed)
"use strict";
const http = require("http");
const fs = require("fs");
const path = require("path");
const zlib = require("zlib");

const types = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".wasm": "application/wasm",
  ".data": "application/octet-stream", ".png": "image/png", ".jpg": "image/jpeg",
  ".json": "application/json",
};

// What static servers are set to compress: the page, its scripts, the manifest and the
// WebAssembly. The pictures, the clips and the music in show.data are compressed already.
const compressed = new Set([".html", ".js", ".wasm", ".json"]);
function isCompressed(file) { return compressed.has(path.extname(file)); }

// Each file's gzip form, made once per version of the file.
const gzipped = new Map();
function gzipOf(file) {
  const stat = fs.statSync(file);
  const key = `${file} ${stat.size} ${stat.mtimeMs}`;
  if (!gzipped.has(key)) gzipped.set(key, zlib.gzipSync(fs.readFileSync(file), {level: 9}));
  return gzipped.get(key);
}

// The file under `root` that `request` asks for (its query left aside), or null for none.
function fileFor(root, request) {
  let wanted;
  try {
    wanted = decodeURIComponent(new URL(request.url, "http://localhost").pathname);
  } catch {
    return null;
  }
  const file = path.join(root, wanted.endsWith("/") ? wanted + "index.html" : wanted);
  if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile())
    return null;
  return file;
}

// Answers `request` with the file it names, or 404.
function answer(root, request, response) {
  const file = fileFor(root, request);
  if (!file) {
    response.writeHead(404).end("not found");
    return;
  }
  const headers = {
    "Content-Type": types[path.extname(file)] || "application/octet-stream",
    "Cache-Control": "no-cache",
  };
  if (isCompressed(file)) {
    headers["Vary"] = "Accept-Encoding";
    if (/\bgzip\b/.test(request.headers["accept-encoding"] || "")) {
      const body = gzipOf(file);
      response.writeHead(200, {...headers, "Content-Encoding": "gzip",
                               "Content-Length": body.length});
      response.end(body);
      return;
    }
  }
  response.writeHead(200, {...headers, "Content-Length": fs.statSync(file).size});
  fs.createReadStream(file).pipe(response);
}

function serve(folder, port, onListening) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => answer(root, request, response));
  server.listen(port, "127.0.0.1", () => onListening(server.address().port));
  return server;
}

module.exports = {serve, answer, fileFor, types, isCompressed};

if (require.main === module) {
  const [folder, port] = process.argv.slice(2);
  if (!folder || !fs.existsSync(path.join(folder, "index.html"))) {
    console.error("serve.js: no page in " + folder + " (tools/web.sh builds it)");
    process.exit(2);
  }
  serve(folder, Number(port || 8000), chosen => console.log("http://127.0.0.1:" + chosen + "/"));
}
