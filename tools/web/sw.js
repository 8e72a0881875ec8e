// The page's service worker: the page itself comes from the browser's cache when the server
// cannot be reached, so that a visit without a network still plays. The page (its folder or
// index.html, whatever the query) comes from the server when it answers within a few seconds,
// asked for past the HTTP cache (revalidated: a static server that sends only Last-Modified
// would otherwise let the browser keep an old page for days), so a new build is seen at once,
// and is kept; it is kept from the moment this worker is installed. The poster, asked for under its hash, is kept the same way, and served from the
// cache first (a file under a hash never changes). The show's files need nothing here: the page
// keeps them in Cache Storage itself, under their hashes, once it has checked them against its
// manifest (page.js).
"use strict";

const kPageCache = "show-page";
const kPageWaitSeconds = 4;

// The one page, whatever the address that asked for it: "./", "index.html?still=40".
const kPage = new URL("index.html", self.registration.scope).href;

function isThePage(url) {
  const scope = new URL(self.registration.scope);
  return url.pathname === scope.pathname || url.pathname === scope.pathname + "index.html";
}

self.addEventListener("install", event => {
  self.skipWaiting();
  event.waitUntil(caches.open(kPageCache)
                      .then(cache => cache.add(new Request(kPage, {cache: "no-cache"})))
                      .catch(() => {}));
});
self.addEventListener("activate", event => event.waitUntil(self.clients.claim()));

async function page(request) {
  const cache = await caches.open(kPageCache);
  let timer;
  const late = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error("no answer")), kPageWaitSeconds * 1000);
  });
  try {
    const response = await Promise.race([fetch(new Request(request, {cache: "no-cache"})), late]);
    if (response.ok) await cache.put(kPage, response.clone());
    return response;
  } catch (error) {
    const kept = await cache.match(kPage);
    if (kept) return kept;
    throw error;
  } finally {
    clearTimeout(timer);
  }
}

async function poster(request) {
  const cache = await caches.open(kPageCache);
  const kept = await cache.match(request);
  if (kept) return kept;
  const response = await fetch(request);
  if (response.ok) {
    // This build's poster only: the others go.
    for (const old of await cache.keys())
      if (new URL(old.url).pathname.endsWith("/poster.jpg")) await cache.delete(old);
    await cache.put(request, response.clone());
  }
  return response;
}

self.addEventListener("fetch", event => {
  const request = event.request;
  const url = new URL(request.url);
  if (request.method !== "GET" || url.origin !== self.location.origin) return;
  if (request.mode === "navigate" && isThePage(url)) event.respondWith(page(request));
  else if (url.pathname.endsWith("/poster.jpg") && url.searchParams.has("sha256"))
    event.respondWith(poster(request));
});
