// The page kept for visits with no network (its service worker) and offered
// for installing (its manifest), in headless Chromium on 127.0.0.1.
import assert from 'node:assert';
import {cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {after, test} from 'node:test';

import {FlickerPeriod, OpenBrowser, Serve, Visit, dataFiles, site} from './support.mjs';

const kPicture = path.join(dataFiles.folder, dataFiles.picture);
const work = mkdtempSync(path.join(tmpdir(), 'show-offline-'));
after(() => rmSync(work, {recursive: true, force: true}));

// A copy of the built site that a test may change.
function SiteCopy(name) {
    const dir = path.join(work, name);
    cpSync(site, dir, {recursive: true});
    return dir;
}

// A 24-bit bitmap of one colour, 40 x 40.
function Plain(r, g, b) {
    const side = 40;
    const stride = side * 3;
    const file = Buffer.alloc(54 + stride * side);
    file.write('BM', 0);
    file.writeUInt32LE(file.length, 2);
    file.writeUInt32LE(54, 10);
    file.writeUInt32LE(40, 14);
    file.writeInt32LE(side, 18);
    file.writeInt32LE(side, 22);
    file.writeUInt16LE(1, 26);
    file.writeUInt16LE(24, 28);
    for (let i = 54; i < file.length; i += 3) file.set([b, g, r], i);
    return file;
}

// The colour in the middle of the canvas, in its high four bits (the
// flicker changes the low ones).
function Middle(page) {
    return page.evaluate(() => {
        const c = document.getElementById('picture');
        const d = c.getContext('2d').getImageData(c.width >> 1, c.height >> 1, 1, 1).data;
        return Array.from(d.subarray(0, 3), (v) => v >> 4);
    });
}

// The service worker has cached the site (its install done) and is active.
const Kept = (page) => page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    return (await caches.keys()).filter((k) => k.startsWith('flicker-show-'));
});

test('a second visit with the server gone: the picture painted, a click starts the show and the tune', async () => {
    const dir = SiteCopy('offline');
    const server = await Serve(dir);
    const chromium = await OpenBrowser();
    try {
        const {page} = chromium;
        await Visit(page, server.origin + '/');
        const first = await page.evaluate(() => document.getElementById('picture').toDataURL());
        assert.strictEqual((await Kept(page)).length, 1, 'one cache');
        await server.stop();

        await Visit(page, server.origin + '/');
        assert.ok(await page.evaluate(() => navigator.serviceWorker.controller !== null), 'not from the worker');
        // (the idle flicker changes the low bits only; the size and most bytes agree)
        const [width, height] = await page.evaluate(() => [document.getElementById('picture').width,
                                                           document.getElementById('picture').height]);
        assert.deepStrictEqual([width, height], [400, 400]);
        const again = await page.evaluate(() => document.getElementById('picture').toDataURL());
        assert.ok(again.length > 100000 && first.length > 100000, 'no picture painted');
        assert.strictEqual(await page.evaluate(() => document.querySelectorAll('dialog[open]').length), 0,
                           'an error box');
        assert.ok(await page.evaluate(() => window.flickerShow.musicReady()), 'the synthesizer failed offline');
        await page.mouse.click(200, 200);
        await page.waitForFunction(() => window.flickerShow.level() > -60, null, {timeout: 10000});
        // The show has started: the flicker at 30 ms.
        const before = (await page.evaluate(() => window.flickerShow.ticks())).handled[1];
        const period = await FlickerPeriod(page, before);
        assert.ok(period < 150, `the flicker at 30 ms: its ticks ${period.toFixed(0)} ms apart`);
        assert.strictEqual(await page.evaluate(() => window.flickerShow.tunePlays()), 1);
        assert.deepStrictEqual(chromium.errors, []);
    } finally {
        await chromium.close();
        await server.stop();
    }
});

test('a picture replaced on the host is the one shown by the next visit but one; a new deployment is a new cache', async () => {
    const dir = SiteCopy('replaced');
    writeFileSync(path.join(dir, kPicture), Plain(255, 0, 0));
    const server = await Serve(dir);
    const chromium = await OpenBrowser();
    try {
        const {page} = chromium;
        const url = server.origin + '/';
        await Visit(page, url);
        assert.deepStrictEqual(await Middle(page), [15, 0, 0]);
        const [cache] = await Kept(page);
        writeFileSync(path.join(dir, kPicture), Plain(0, 0, 255));
        await Visit(page, url);
        // (the cached one at once, or the new one; the new one in the cache behind it)
        assert.ok([0, 15].includes((await Middle(page))[0]));
        await page.waitForFunction(async () => {
            const r = await caches.match('%5B%5D/%2C%2C%2C%2C%3B%2C%2C.bmp');
            return r !== undefined && new Uint8Array(await r.arrayBuffer())[54] === 255;
        }, null, {polling: 100, timeout: 5000});
        await Visit(page, url);
        assert.deepStrictEqual(await Middle(page), [0, 0, 15]);

        // A new deployment: another worker, whose cache takes the old one's
        // place once it is active, on the visit after the one that found it.
        const worker = path.join(dir, 'sw.js');
        writeFileSync(worker, readFileSync(worker, 'utf8').replace(/flicker-show-[0-9a-f]+/, 'flicker-show-0123456789abcdef'));
        await Visit(page, url);
        await page.waitForFunction(async () => (await navigator.serviceWorker.getRegistration()).waiting !== null ||
                                               (await caches.keys()).includes('flicker-show-0123456789abcdef'),
                                   null, {polling: 100, timeout: 10000});
        await page.goto('about:blank');
        await Visit(page, url);
        await page.waitForFunction(async () => {
            const keys = (await caches.keys()).filter((k) => k.startsWith('flicker-show-'));
            return keys.length === 1 && keys[0] === 'flicker-show-0123456789abcdef';
        }, null, {polling: 100, timeout: 10000});
        assert.notStrictEqual(cache, 'flicker-show-0123456789abcdef');
        assert.deepStrictEqual(chromium.errors, []);
    } finally {
        await chromium.close();
        await server.stop();
    }
});

test('installable: the manifest names the show, starts at the page, and has icons made from the picture', async () => {
    const manifest = JSON.parse(readFileSync(path.join(site, 'manifest.webmanifest'), 'utf8'));
    assert.strictEqual(manifest.name, 'Flicker Show');
    assert.strictEqual(manifest.start_url, './');
    assert.strictEqual(manifest.display, 'standalone');
    const server = await Serve(site);
    const chromium = await OpenBrowser();
    try {
        const {page} = chromium;
        await Visit(page, server.origin + '/');
        await Kept(page);
        const cdp = await page.context().newCDPSession(page);
        const {errors} = await cdp.send('Page.getAppManifest');
        assert.deepStrictEqual(errors, [], 'the manifest has errors');
        const {installabilityErrors} = await cdp.send('Page.getInstallabilityErrors');
        assert.deepStrictEqual(installabilityErrors, [], 'Chromium would not offer to install it');
        // Each icon is the picture scaled: its middle the picture's middle.
        const icons = await page.evaluate(async (icons) => Promise.all(icons.map(async ({src, sizes}) => {
            const image = await createImageBitmap(await (await fetch(src)).blob());
            const c = new OffscreenCanvas(image.width, image.height).getContext('2d');
            c.drawImage(image, 0, 0);
            return [sizes, image.width, Array.from(c.getImageData(image.width >> 1, image.height >> 1, 1, 1).data)];
        })), manifest.icons);
        const middle = await page.evaluate(() => {
            const c = document.getElementById('picture');
            return Array.from(c.getContext('2d').getImageData(200, 200, 1, 1).data);
        });
        for (const [sizes, width, rgba] of icons) {
            assert.strictEqual(`${width}x${width}`, sizes);
            assert.strictEqual(rgba[3], 255, `${sizes}: not opaque`);
            // (the canvas's low bits flicker)
            for (let i = 0; i < 3; ++i) assert.ok(Math.abs(rgba[i] - middle[i]) <= 16, `${sizes}: ${rgba} against ${middle}`);
        }
        // The tab keeps the transparent icon.
        assert.match(await page.evaluate(() => document.querySelector('link[rel=icon]').href), /^data:image\/x-icon/);
    } finally {
        await chromium.close();
        await server.stop();
    }
});
