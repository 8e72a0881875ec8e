// Serves a folder over HTTP on 127.0.0.1, for tools/web.sh --serve and the page's tests:
//   node serve.js FOLDER PORT     (PORT 0 picks a free one; the address is printed)
"use strict";
const http = require("http");
const fs = require("fs");
const path = require("path");

const types = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".wasm": "application/wasm",
  ".data": "application/octet-stream", ".png": "image/png", ".jpg": "image/jpeg",
  ".json": "application/json",
};

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
  response.writeHead(200, {
    "Content-Type": types[path.extname(file)] || "application/octet-stream",
    "Content-Length": fs.statSync(file).size,
    "Cache-Control": "no-cache",
  });
  fs.createReadStream(file).pipe(response);
}

function serve(folder, port, onListening) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => answer(root, request, response));
  server.listen(port, "127.0.0.1", () => onListening(server.address().port));
  return server;
}

module.exports = {serve, answer, fileFor, types};

if (require.main === module) {
  const [folder, port] = process.argv.slice(2);
  if (!folder || !fs.existsSync(path.join(folder, "index.html"))) {
    console.error("serve.js: no page in " + folder + " (tools/web.sh builds it)");
    process.exit(2);
  }
  serve(folder, Number(port || 8000), chosen => console.log("http://127.0.0.1:" + chosen + "/"));
}
