// Measures the show's web page in headless Chromium on 127.0.0.1: what the
// page weighs before the click (everything it fetches, the soundfont too), how
// long the synthesizer takes to get ready, the time from the click to sound,
// and over a full show in a visible tab the flicker ticks due, handled and
// merged, when each step ran against click + n step periods, the flicker's gaps
// and the page's long tasks. With --cpu N, Chromium's CPU is slowed N times
// (CDP Emulation.setCPUThrottlingRate), as a slower phone's would be.
//
//     node scripts/measure/web-show.mjs [SITE] [--cpu N] [--window FILE] [--steps N]
// (SITE: build-web/site by default; FILE: the build's window.json, by default
// the one beside the site, SITE/../host/window.json; --steps N: the show only
// to step N, a short run)
import {readFileSync} from 'node:fs';
import path from 'node:path';
import {gzipSync} from 'node:zlib';

import {LaunchChromium} from '../../tests/support/chromium.mjs';
import {MeasuringOptions, ServeSite, ShowSchedule} from './web-measuring.mjs';

const args = process.argv.slice(2);
const stepsAt = args.indexOf('--steps');
const stepsOption = stepsAt >= 0 ? Number(args.splice(stepsAt, 2)[1]) : null;
if (stepsOption !== null && !(Number.isInteger(stepsOption) && stepsOption >= 1)) {
    console.error('web-show: --steps takes a step number of 1 or more');
    process.exit(2);
}
const {site, cpu, windowFile} = MeasuringOptions(args);
const schedule = ShowSchedule(windowFile);
const period = schedule.step_ms;
const lastStep = Math.min(stepsOption ?? schedule.last_step, schedule.last_step);

// Every request the server answers, with when.
const {server, origin, requests} = await ServeSite(site);
const {page, close} = await LaunchChromium();
try {
    if (cpu !== 1) {
        const cdp = await page.context().newCDPSession(page);
        await cdp.send('Emulation.setCPUThrottlingRate', {rate: cpu});
        console.log(`CPU slowed ${cpu} times`);
    }
    const loaded = Date.now();
    await page.goto(origin);
    await page.evaluate(() => window.flickerShow.started);
    await page.evaluate(() => {
        window.longTasks = [];
        new PerformanceObserver((list) => {
            for (const e of list.getEntries()) window.longTasks.push([e.startTime, e.duration]);
        }).observe({type: 'longtask'});
    });
    const ready = await page.evaluate(() => window.flickerShow.musicReady());
    const readyAfter = Date.now() - loaded;
    await page.mouse.click(200, 200);
    const clicked = Date.now();
    await page.waitForFunction(() => window.flickerShow.level() > -60, null, {polling: 10, timeout: 20000});
    const toSound = Date.now() - clicked;
    await page.waitForFunction((last) => window.flickerShow.ticks().handled[0] >= last, lastStep,
                               {polling: 1000, timeout: period * lastStep + 48000});
    await page.waitForTimeout(1000);
    const {ticks, releases} = await page.evaluate(() => window.flickerShow.log());
    const longTasks = await page.evaluate(() => window.longTasks);

    const kb = (n) => `${(n / 1024).toFixed(1)} KB`;
    let before = 0;
    let gzipped = 0;
    const seen = new Set();
    console.log('fetched before the click (bytes as served; gzip -9 for comparison):');
    for (const [name, at] of requests) {
        if (at > clicked || seen.has(name)) continue;
        seen.add(name);
        const bytes = readFileSync(path.join(site, name === '/' ? 'index.html' : name));
        const gz = gzipSync(bytes, {level: 9}).length;
        before += bytes.length;
        gzipped += gz;
        console.log(`  ${name}: ${bytes.length} bytes (${kb(bytes.length)}; gzip ${kb(gz)})`);
    }
    console.log(`page before the click: ${before} bytes = ${kb(before)} ` +
                `(${(before / 1e6).toFixed(3)} MB; gzip -9: ${kb(gzipped)})`);
    const late = requests.filter(([, at]) => at > clicked);
    console.log(`fetched after the click: ${late.length ? late.map(([n]) => n).join(', ') : 'nothing'}`);
    console.log(`synthesizer and soundfont ${ready ? 'ready' : 'FAILED'} ${readyAfter} ms after the page was asked for`);
    console.log(`click to sound: ${toSound} ms (level above -60 dBFS, polled every 10 ms)`);

    const click = releases[0];
    const steps = ticks.filter(([id]) => id === 0).map(([, t]) => t);
    const errors = steps.map((t, i) => t - (click + period * (i + 1)));
    console.log(`steps: ${steps.length}; worst error against click + ${period} x n ms: ` +
                `${Math.max(...errors.map(Math.abs)).toFixed(1)} ms; last: ${errors.at(-1).toFixed(1)} ms`);
    const flicker = ticks.filter(([id]) => id === 1);
    const beforeClick = flicker.filter(([, t]) => t <= click);
    const show = flicker.filter(([, t]) => t > click && t <= steps[lastStep - 1]);
    const mergedBefore = beforeClick.length ? beforeClick.at(-1)[2] : 0;
    const merged = show.at(-1)[2] - mergedBefore;
    console.log(`flicker during the show (click to the last step): ${show.length + merged} due, ` +
                `${show.length} handled, ${merged} merged`);
    const merges = show.map((e, i) => [e[1] - click, e[2] - (i > 0 ? show[i - 1][2] : mergedBefore)])
        .filter(([, n]) => n > 0);
    if (merges.length) {
        console.log('  merged (ms after the click: ticks): ' +
                    merges.map(([t, n]) => `${t.toFixed(0)}: ${n}`).join(', '));
    }
    console.log(`  first tick ${(show[0][1] - click).toFixed(1)} ms after the click's release`);
    const handler = show.map((e) => e[3]).sort((a, b) => a - b);
    console.log(`  the flicker tick's handler (the program's tick and the canvas drawn): ` +
                `median ${handler[handler.length >> 1].toFixed(2)} ms, ` +
                `99th percentile ${handler[Math.floor(handler.length * 0.99)].toFixed(2)} ms, ` +
                `max ${handler.at(-1).toFixed(1)} ms`);
    const times = show.map(([, t]) => t);
    const gaps = times.slice(1).map((t, i) => t - times[i]);
    console.log(`  gaps: mean ${(gaps.reduce((a, b) => a + b, 0) / gaps.length).toFixed(2)} ms, ` +
                `max ${Math.max(...gaps).toFixed(1)} ms, over 45 ms: ${gaps.filter((g) => g > 45).length}`);
    const slow = gaps.map((g, i) => [g, times[i + 1] - click]).filter(([g]) => g > 45);
    if (slow.length) {
        console.log('  gaps over 45 ms (ms after the click: gap): ' +
                    slow.map(([g, t]) => `${t.toFixed(0)}: ${g.toFixed(0)}`).join(', '));
    }
    const showTasks = longTasks.filter(([t]) => t >= click - 100 && t <= steps[lastStep - 1]);
    console.log(`long tasks (over 50 ms) on the main thread during the show: ${showTasks.length}` +
                (showTasks.length ? ' (ms after the click: length) ' +
                 showTasks.map(([t, d]) => `${(t - click).toFixed(0)}: ${d.toFixed(0)}`).join(', ') : ''));
} finally {
    server.kill();
    await close();
}
