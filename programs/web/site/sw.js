// The page's service worker: a visit starts with no network at all once one
// visit has been made. The site's build writes the two lines below: the
// cache's name, from a hash of every file the build made, so that a new
// deployment is a new cache and the old one is dropped whole once the new
// one is complete; and the files a visit needs before the click, fetched
// into it when the worker is installed.
//
// - The site's own files are served from the cache; what the cache lacks
//   (the full General MIDI set, fetched only for a tune of a person's own;
//   the licences) is fetched and then kept too.
// - The picture and the tune in "[]" are the host's to replace: they are
//   served from the cache at once and fetched again behind it, so that a
//   file replaced on the host is shown by the visit after the one that found
//   it: the next visit but one at the latest (one gone from the host, 404, is
//   dropped from the cache). With no cached copy they come from the network.
'use strict';

const kCache = 'flicker-show-@SITE_HASH@';
const kFiles = [@SITE_FILES@];
// The data files' folder, as the program names it.
const kFolder = @SITE_FOLDER@;

self.addEventListener('install', (event) => {
    event.waitUntil((async () => {
        const cache = await caches.open(kCache);
        // (revalidated, so that no copy of an older deployment's file in the
        // browser's HTTP cache gets in)
        await cache.addAll(kFiles.map((name) => new Request(name, {cache: 'no-cache'})));
    })());
});

self.addEventListener('activate', (event) => {
    event.waitUntil((async () => {
        for (const name of await caches.keys()) {
            if (name.startsWith('flicker-show-') && name !== kCache) await caches.delete(name);
        }
    })());
});

const kScope = new URL(self.registration.scope).pathname;

function InFolder(url) {
    return decodeURIComponent(url.pathname).startsWith(decodeURIComponent(kScope) + kFolder + '/');
}

// From the network into the cache: a good answer is kept, a file the host no
// longer has is dropped.
async function Refresh(cache, request) {
    const response = await fetch(request, {cache: 'no-cache'});
    if (response.ok) {
        await cache.put(request, response.clone());
    } else if (response.status === 404 || response.status === 410) {
        await cache.delete(request);
    }
    return response;
}

self.addEventListener('fetch', (event) => {
    const request = event.request;
    const url = new URL(request.url);
    if (request.method !== 'GET' || url.origin !== self.location.origin) return;
    if (request.headers.has('range')) return;
    event.respondWith((async () => {
        const cache = await caches.open(kCache);
        // The page, under either of its addresses.
        if (request.mode === 'navigate' && (url.pathname === kScope || url.pathname === kScope + 'index.html')) {
            const page = await cache.match('index.html');
            if (page !== undefined) return page;
            return fetch(request);
        }
        const cached = await cache.match(request, {ignoreSearch: true});
        if (InFolder(url)) {
            const refreshed = Refresh(cache, request);
            if (cached !== undefined) {
                event.waitUntil(refreshed.catch(() => {}));
                return cached;
            }
            return refreshed;
        }
        if (cached !== undefined) return cached;
        const response = await fetch(request);
        if (response.ok && response.type === 'basic') await cache.put(request, response.clone());
        return response;
    })());
});
