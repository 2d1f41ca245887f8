// A long run keeps nothing per tick: over 2,000 flicker ticks at 30 ms what
// the page holds after a forced collection grows by at most 2 bytes a tick.
// What it holds is read from two heap snapshots (CDP HeapProfiler) as the
// sizes of the objects left, without those that grow for a while whatever
// the page does and then stay: the code V8 compiles and tiers up (in a
// page's first minutes), and the browser's own performance timeline (the
// long animation frames and long tasks it keeps, 200 of each at the most).
// scripts/measure/soak.py measures a whole run's heap as it is.
import assert from 'node:assert';
import {test} from 'node:test';

import {OpenBrowser, Serve, Visit, site} from './support.mjs';

const kTicks = 2000;
const kBytesPerTick = 2;
const kBrowsers = /^(Performance\w*Timing|blink::(ScriptTimingInfo|AnimationFrameTimingInfo)|TaskAttributionTiming|system \/ CppGCManaged \(WasmNativeModule\))/;

test(`over ${kTicks} flicker ticks the heap grows by at most ${kBytesPerTick} bytes a tick`, async () => {
    const server = await Serve(site);
    const chromium = await OpenBrowser();
    try {
        const {page} = chromium;
        await Visit(page, server.origin + '/');
        assert.ok(await page.evaluate(() => window.flickerShow.musicReady()), 'the synthesizer failed');
        const cdp = await page.context().newCDPSession(page);
        const Flicker = () => page.evaluate(() => window.flickerShow.ticks().handled[1]);
        const Heap = async () => {
            const chunks = [];
            const Chunk = (e) => chunks.push(e.chunk);
            cdp.on('HeapProfiler.addHeapSnapshotChunk', Chunk);
            await cdp.send('HeapProfiler.collectGarbage');
            await cdp.send('HeapProfiler.takeHeapSnapshot', {reportProgress: false});
            cdp.off('HeapProfiler.addHeapSnapshotChunk', Chunk);
            const {snapshot: {meta}, nodes, strings} = JSON.parse(chunks.join(''));
            const fields = meta.node_fields.length;
            const [type, name, size] = ['type', 'name', 'self_size'].map((f) => meta.node_fields.indexOf(f));
            const types = meta.node_types[0];
            let bytes = 0;
            for (let i = 0; i < nodes.length; i += fields) {
                if (types[nodes[i + type]] === 'code') continue;
                if (types[nodes[i + type]] === 'native' && kBrowsers.test(strings[nodes[i + name]])) continue;
                bytes += nodes[i + size];
            }
            return bytes;
        };
        await page.mouse.click(200, 200);
        await page.waitForFunction(() => window.flickerShow.tunePlays() === 1);
        await page.waitForTimeout(2000);
        const start = [await Flicker(), await Heap()];
        await page.waitForFunction((end) => window.flickerShow.ticks().handled[1] >= end, start[0] + kTicks,
                                   {polling: 500, timeout: 120000});
        const end = [await Flicker(), await Heap()];
        const slope = (end[1] - start[1]) / (end[0] - start[0]);
        console.log(`heap ${start[1]} -> ${end[1]} bytes over ${end[0] - start[0]} ticks: ` +
                    `${slope.toFixed(3)} bytes a tick`);
        assert.ok(slope <= kBytesPerTick, `${slope.toFixed(2)} bytes a tick`);
        assert.deepStrictEqual(chromium.errors, []);
    } finally {
        await chromium.close();
        await server.stop();
    }
});
