// The page's folder served as tools/web/serve.js serves it, but able to fail on purpose, file by
// file, the ways a real server or line fails: 404, a connection cut half way through the body,
// a body cut short but sent as whole (status 200), a body of the right size with bytes changed,
// a body that stops half way with the connection left open, a wrong content type, and a file
// that is not WebAssembly although the page's manifest vouches for it. Its page can be another
// build's (`pageEdit`), and sent as a plain static server sends it (`lastModified`: with that
// Last-Modified date and no Cache-Control, answering a revalidation with 304). It notes every
// path asked for.
"use strict";
const crypto = require("crypto");
const http = require("http");
const fs = require("fs");
const path = require("path");
const {answer, fileFor} = require("../../tools/web/serve.js");

class FaultServer {
  constructor(folder) {
    this.root = path.resolve(folder);
    this.faults = new Map();
    this.requests = [];
    // The page's text as served, from the built one, or null for the page as built.
    this.pageEdit = null;
    // A Date: the page is sent as a plain static server sends it, last modified then.
    this.lastModified = null;
    this.sockets = new Set();
    this.server = http.createServer((request, response) => this.handle(request, response));
    this.server.on("connection", socket => {
      this.sockets.add(socket);
      socket.on("close", () => this.sockets.delete(socket));
    });
  }

  // Listens on a free port; resolves to the site's address.
  start() {
    return new Promise(resolve => this.server.listen(0, "127.0.0.1", () => {
      this.url = `http://127.0.0.1:${this.server.address().port}/`;
      resolve(this.url);
    }));
  }

  // Makes `name` (such as "show.data") fail with `fault`, or behave again with null.
  fail(name, fault) {
    if (fault) this.faults.set(name, fault);
    else this.faults.delete(name);
  }

  // How many times a path was asked for.
  asked(name) { return this.requests.filter(asked => asked === name).length; }

  // Stops at once, connections and all: the network is gone.
  stop() {
    for (const socket of this.sockets) socket.destroy();
    return new Promise(resolve => this.server.close(resolve));
  }

  handle(request, response) {
    const name = new URL(request.url, "http://localhost").pathname.replace(/^\//, "") ||
                 "index.html";
    this.requests.push(name);
    const fault = this.faults.get(name);
    const file = fileFor(this.root, request);
    if (name === "index.html" && file && this.faults.get("show.wasm") === "uncompilable")
      return this.answerVouching(file, response);
    if (name === "index.html" && file && (this.pageEdit || this.lastModified))
      return this.answerPage(file, request, response);
    if (!fault || !file) return answer(this.root, request, response);
    const bytes = fs.readFileSync(file);
    const half = bytes.subarray(0, bytes.length >> 1);
    switch (fault) {
    case "404":
      response.writeHead(404, "Not Found").end("not found");
      break;
    case "cut":
      response.writeHead(200, {"Content-Length": bytes.length});
      response.write(half, () => setTimeout(() => request.socket.destroy(), 50));
      break;
    case "truncate":
      response.writeHead(200, {"Content-Length": half.length}).end(half);
      break;
    case "corrupt": {
      const changed = Buffer.from(bytes);
      for (let i = changed.length >> 2; i < changed.length; i += 4099) changed[i] ^= 0x5A;
      response.writeHead(200, {"Content-Length": changed.length}).end(changed);
      break;
    }
    case "stall":
      // Half the body, then nothing, the connection kept open: only a watchdog can notice.
      response.writeHead(200, {"Content-Length": bytes.length});
      response.write(half, () => { this.stalledAt = Date.now(); });
      break;
    case "uncompilable":
      response.writeHead(200, {"Content-Length": bytes.length}).end(notWebAssembly(bytes));
      break;
    case "mime":
      response.writeHead(200, {"Content-Type": "text/plain", "Content-Length": bytes.length})
          .end(bytes);
      break;
    default:
      throw new Error("no such fault: " + fault);
    }
  }

  // The page, edited, or as a static server sends it: Last-Modified and no Cache-Control, which
  // leaves a browser free to keep it for a while (a tenth of its age) without asking.
  answerPage(file, request, response) {
    const page = Buffer.from((this.pageEdit || (text => text))(fs.readFileSync(file, "utf8")));
    const headers = {"Content-Type": "text/html; charset=utf-8"};
    if (!this.lastModified) {
      headers["Cache-Control"] = "no-cache";
    } else {
      const modified = new Date(Math.floor(this.lastModified.getTime() / 1000) * 1000);
      headers["Last-Modified"] = modified.toUTCString();
      const since = Date.parse(request.headers["if-modified-since"] || "");
      if (since >= modified.getTime()) return response.writeHead(304, headers).end();
    }
    response.writeHead(200, {...headers, "Content-Length": page.length}).end(page);
  }

  // The page with the manifest's SHA-256 of show.wasm replaced by that of the broken module, so
  // that the download's checks pass and the browser's compile is what fails.
  answerVouching(file, response) {
    const wasm = fs.readFileSync(path.join(this.root, "show.wasm"));
    const hash = bytes => crypto.createHash("sha256").update(bytes).digest("hex");
    const page = fs.readFileSync(file, "utf8").split(hash(wasm)).join(hash(notWebAssembly(wasm)));
    response.writeHead(200, {"Content-Type": "text/html", "Cache-Control": "no-cache"}).end(page);
  }
}

// Another hash in place of `name`'s in the page's manifest: the page of a build whose `name`
// differs from the one served.
function otherBuildsPage(site, name) {
  const hash = crypto.createHash("sha256").update(fs.readFileSync(path.join(site, name)))
                   .digest("hex");
  return page => page.split(hash).join(hash.replace(/^./, c => (c === "0" ? "1" : "0")));
}

// The bytes with their magic number broken: the same size, no longer a WebAssembly module.
function notWebAssembly(bytes) {
  const changed = Buffer.from(bytes);
  changed[0] ^= 0xFF;
  return changed;
}

module.exports = {FaultServer, otherBuildsPage};
