// The page's half of the soak run (scripts/measure/soak.py starts it): the
// show's web page in headless Chromium on 127.0.0.1 for MINUTES, clicked on
// the picture at once and then every minute. Every 10 s the page's heap is
// read after a forced collection (CDP HeapProfiler.collectGarbage, then
// Runtime.getHeapUsage) with the flicker ticks handled so far; those samples
// go to CSV as "seconds,bytes,ticks". At the end it prints the heap at the
// start and the end, the slope in bytes a tick, the flicker ticks handled
// against those due (handled + merged, by the program's timer rules) and the
// worst lateness of a step against click + n step periods (the build's, from
// its window.json).
//
//     node scripts/measure/soak-page.mjs [SITE] [--minutes M] [--csv FILE] [--window FILE]
import {writeFileSync} from 'node:fs';

import {LaunchChromium} from '../../tests/support/chromium.mjs';
import {MeasuringOptions, ServeSite, ShowSchedule} from './web-measuring.mjs';

const args = process.argv.slice(2);
function Option(name, fallback) {
    const at = args.indexOf(name);
    return at >= 0 ? args.splice(at, 2)[1] : fallback;
}
if (args.includes('--help') || args.includes('-h')) {
    console.log('usage: node scripts/measure/soak-page.mjs [SITE] [--minutes M] [--csv FILE] [--window FILE]');
    process.exit(0);
}
const minutes = Number(Option('--minutes', '30'));
const csv = Option('--csv', null);
if (!(minutes > 0)) {
    console.error('soak-page: --minutes takes a number above 0');
    process.exit(2);
}
const {site, windowFile} = MeasuringOptions(args);
const {step_ms: period} = ShowSchedule(windowFile);

const {server, origin} = await ServeSite(site);
const {page, close} = await LaunchChromium();
try {
    const cdp = await page.context().newCDPSession(page);
    const Heap = async () => {
        await cdp.send('HeapProfiler.collectGarbage');
        await cdp.send('HeapProfiler.collectGarbage');
        return (await cdp.send('Runtime.getHeapUsage')).usedSize;
    };
    const Ticks = () => page.evaluate(() => window.flickerShow.ticks());
    await page.goto(origin);
    await page.evaluate(() => window.flickerShow.started);
    await page.evaluate(() => window.flickerShow.musicReady());

    const samples = [];
    const steps = new Map();  // step number: its time on the page's clock
    let click = null;
    // The steps the ring holds now (it keeps the last 8,192 ticks: minutes).
    const ReadSteps = async () => {
        const [{ticks, releases}, handled] = await page.evaluate(
            () => [window.flickerShow.log(), window.flickerShow.ticks().handled[0]]);
        if (click === null) click = releases[0];
        const stepTimes = ticks.filter(([id]) => id === 0).map(([, t]) => t);
        stepTimes.forEach((t, i) => steps.set(handled - stepTimes.length + i + 1, t));
    };
    const started = Date.now();
    const end = started + minutes * 60_000;
    let nextClick = started;
    let nextSample = started;
    let clicks = 0;
    while (Date.now() < end) {
        if (Date.now() >= nextClick) {
            await page.mouse.click(200, 200);
            ++clicks;
            nextClick += 60_000;
            if (clicks === 1) await page.waitForTimeout(500);
        }
        if (Date.now() >= nextSample) {
            const heap = await Heap();
            const ticks = await Ticks();
            samples.push([(Date.now() - started) / 1000, heap, ticks.handled[1], ticks.missed[1]]);
            await ReadSteps();
            nextSample += 10_000;
        }
        await page.waitForTimeout(Math.max(0, Math.min(nextClick, nextSample, end) - Date.now()));
    }
    const heap = await Heap();
    const ticks = await Ticks();
    samples.push([(Date.now() - started) / 1000, heap, ticks.handled[1], ticks.missed[1]]);
    await ReadSteps();
    if (csv !== null) writeFileSync(csv, 'seconds,bytes,ticks\n' + samples.map((s) => s.slice(0, 3).join(',')).join('\n') + '\n');

    const first = samples[0];
    const last = samples.at(-1);
    const n = samples.length;
    const mx = samples.reduce((a, s) => a + s[2], 0) / n;
    const my = samples.reduce((a, s) => a + s[1], 0) / n;
    const slope = samples.reduce((a, s) => a + (s[2] - mx) * (s[1] - my), 0) /
                  samples.reduce((a, s) => a + (s[2] - mx) ** 2, 0);
    const ticksRun = last[2] - first[2];
    const lateness = [...steps].map(([k, t]) => [t - (click + period * k), k]);
    const worst = lateness.reduce((w, l) => (l[0] > w[0] ? l : w), [-Infinity, 0]);
    const due = last[2] + last[3];
    console.log(`page: ${minutes} min, ${clicks} clicks, ${n} samples`);
    console.log(`  heap after a forced collection: start ${first[1]} bytes, end ${last[1]} bytes ` +
                `(${last[1] - first[1] >= 0 ? '+' : ''}${last[1] - first[1]})`);
    console.log(`  slope: ${((last[1] - first[1]) / ticksRun).toFixed(3)} bytes a tick end to end, ` +
                `${slope.toFixed(3)} least squares, over ${ticksRun} flicker ticks`);
    console.log(`  flicker ticks: ${last[2]} handled of ${due} due (${last[3]} merged)`);
    console.log(`  steps: ${ticks.handled[0]} run; worst lateness ${worst[0].toFixed(1)} ms (step ${worst[1]}), ` +
                `${steps.size} steps seen`);
} finally {
    server.kill();
    await close();
}
