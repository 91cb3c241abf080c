// Keeps the page's files for playing offline: after one visit the game starts without a
// network. Everything is kept under this build's version; the page itself is asked of the
// network first, so that a new build is found when there is one, and that build's worker
// replaces this one's files.
'use strict';

const VERSION = '@VERSION@';
const CACHE = `keldo-${VERSION}`;
const FILES = @FILES@;

// What the page put in the copy itself (the large files it had loaded) is not fetched again.
self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(CACHE)
    .then((cache) => Promise.all(FILES.map((file) => cache.match(file).then((kept) => kept || cache.add(file)))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('keldo-') && name !== CACHE)
                                      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  if (request.mode === 'navigate') {
    event.respondWith(fetch(request).catch(() => caches.match('./', { cacheName: CACHE })));
    return;
  }
  event.respondWith(caches.match(request, { cacheName: CACHE }).then((kept) => kept || fetch(request)));
});
