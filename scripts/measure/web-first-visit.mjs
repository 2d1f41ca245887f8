// Measures a first visit to the show's web page over a slow mobile link: headless
// Chromium on 127.0.0.1 with its network held by CDP to 1.6 Mbit/s down,
// 750 kbit/s up and 150 ms round trips, a new profile each run (nothing cached).
// Two runs:
//   1. no click until the tune is ready: when the picture is painted, when the
//      tune is ready, and every file fetched before the tune's first sound;
//   2. a click as soon as the picture is painted: how soon the show starts
//      (its first flicker tick at the click's pace, its first step) and when the
//      tune follows.
// With --cpu N, the CPU is slowed N times as well.
//
//     node scripts/measure/web-first-visit.mjs [SITE] [--cpu N]
import {readFileSync} from 'node:fs';
import path from 'node:path';

import {LaunchChromium} from '../../tests/support/chromium.mjs';
import {MeasuringOptions, ServeSite} from './web-measuring.mjs';

const {site, cpu} = MeasuringOptions(process.argv.slice(2));

// Every request the server answers, with when.
const {server, origin, requests} = await ServeSite(site);

async function Visit(clickAtPaint) {
    requests.length = 0;
    const {page, close} = await LaunchChromium();
    try {
        const cdp = await page.context().newCDPSession(page);
        await cdp.send('Network.enable');
        await cdp.send('Network.setCacheDisabled', {cacheDisabled: true});
        await cdp.send('Network.emulateNetworkConditions', {
            offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8});
        if (cpu !== 1) await cdp.send('Emulation.setCPUThrottlingRate', {rate: cpu});
        const asked = Date.now();
        await page.goto(origin, {waitUntil: 'commit'});
        // Painted: the canvas shown, and a frame drawn since.
        await page.waitForFunction(() => {
            const c = document.getElementById('picture');
            return c !== null && !c.hidden;
        }, null, {polling: 'raf', timeout: 60000});
        await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => resolve())));
        const painted = Date.now() - asked;
        const result = {painted};
        if (clickAtPaint) {
            await page.mouse.click(200, 200);
            const clicked = Date.now();
            const ready = await page.evaluate(() => window.flickerShow.musicReady());
            result.readyAfterClick = Date.now() - clicked;
            await page.waitForFunction(() => window.flickerShow.level() > -60, null, {polling: 10, timeout: 60000});
            result.soundAfterClick = Date.now() - clicked;
            result.ready = ready;
            await page.waitForFunction(() => window.flickerShow.ticks().handled[0] >= 1, null, {timeout: 10000});
            const {ticks, releases} = await page.evaluate(() => window.flickerShow.log());
            const flicker = ticks.filter(([id, t]) => id === 1 && t > releases[0]).map(([, t]) => t);
            result.firstTicks = flicker.slice(0, 4).map((t) => Math.round(t - releases[0]));
            result.firstStep = Math.round(ticks.find(([id]) => id === 0)[1] - releases[0]);
        } else {
            result.ready = await page.evaluate(() => window.flickerShow.musicReady());
            result.readyAt = Date.now() - asked;
            await page.mouse.click(200, 200);
            const clicked = Date.now();
            await page.waitForFunction(() => window.flickerShow.level() > -60, null, {polling: 10, timeout: 20000});
            result.soundAfterClick = Date.now() - clicked;
            const sound = Date.now();
            let total = 0;
            const seen = new Set();
            result.files = [];
            for (const [name, at] of requests) {
                if (at > sound || seen.has(name)) continue;
                seen.add(name);
                const bytes = readFileSync(path.join(site, name === '/' ? 'index.html' : name)).length;
                total += bytes;
                result.files.push(`${name} ${bytes}`);
            }
            result.bytesBeforeSound = total;
        }
        return result;
    } finally {
        await close();
    }
}

try {
    console.log(`network 1.6 Mbit/s down, 150 ms round trips${cpu !== 1 ? `, CPU slowed ${cpu}x` : ''}`);
    const first = await Visit(false);
    console.log('no click until the tune is ready:');
    for (const f of first.files) console.log(`  fetched before the first sound: ${f}`);
    console.log(`  everything fetched before the first sound: ${first.bytesBeforeSound} bytes ` +
                `(${(first.bytesBeforeSound / 1e6).toFixed(3)} MB)`);
    console.log(`  picture painted ${first.painted} ms after the page was asked for`);
    console.log(`  tune ${first.ready ? 'ready' : 'FAILED'} ${first.readyAt} ms after the page was asked for`);
    console.log(`  click to sound: ${first.soundAfterClick} ms`);
    const second = await Visit(true);
    console.log('a click as soon as the picture is painted:');
    console.log(`  picture painted ${second.painted} ms after the page was asked for`);
    console.log(`  the show's first flicker ticks ${second.firstTicks.join(', ')} ms and its first step ` +
                `${second.firstStep} ms after the click`);
    console.log(`  tune ${second.ready ? 'ready' : 'FAILED'} ${second.readyAfterClick} ms, ` +
                `sounding ${second.soundAfterClick} ms after the click`);
} finally {
    server.kill();
}
