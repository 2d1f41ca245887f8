// Measures the show's web page in headless Chromium on 127.0.0.1: what the
// page weighs before the soundfont, the time from the click to sound, and
// over a full show in a visible tab the ticks handled and missed, when each
// step ran against click + 3000 x n ms, and the flicker's gaps.
//
//     node scripts/measure-web-show.mjs [SITE]   (default build-web/site)
import {spawn} from 'node:child_process';
import {mkdtempSync, rmSync, statSync} from 'node:fs';
import {createRequire} from 'node:module';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const {chromium} = createRequire(path.join(root, 'platform/web/'))('playwright-core');
const site = path.resolve(process.argv[2] ?? path.join(root, 'build-web/site'));

const server = spawn('python3', [path.join(root, 'platform/web/serve.py'), site, '0', '-q'],
                     {stdio: ['ignore', 'pipe', 'inherit']});
const origin = await new Promise((resolve) => server.stdout.once('data', (d) => resolve(String(d).trim())));
const profile = mkdtempSync(path.join(tmpdir(), 'show-measure-'));
const browser = await chromium.launchPersistentContext(profile, {
    headless: false,
    executablePath: '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
try {
    const page = browser.pages()[0] ?? await browser.newPage();
    const weights = new Map();
    page.on('response', async (response) => {
        try {
            weights.set(new URL(response.url()).pathname, (await response.body()).length);
        } catch (e) {
            // a response without a body
        }
    });
    await page.goto(origin);
    await page.evaluate(() => window.flickerShow.started);
    await page.mouse.click(200, 200);
    const clicked = Date.now();
    await page.waitForFunction(() => window.flickerShow.level() > -60, null, {polling: 10, timeout: 20000});
    const toSound = Date.now() - clicked;
    await page.waitForFunction(() => window.flickerShow.ticks().handled[0] >= 34, null,
                               {polling: 1000, timeout: 150000});
    await page.waitForTimeout(1000);
    const {ticks, releases} = await page.evaluate(() => window.flickerShow.log());
    const counts = await page.evaluate(() => window.flickerShow.ticks());

    const kb = (n) => `${(n / 1024).toFixed(1)} KB`;
    let code = 0;
    let data = 0;
    // The worklet's scripts, fetched after the click, are not the page's
    // responses: counted from the site.
    for (const name of ['libfluidsynth-2.4.6.js', 'js-synthesizer.worklet.min.js']) {
        weights.set('/' + name, statSync(path.join(site, name)).size);
    }
    for (const [name, size] of [...weights].sort()) {
        if (name.endsWith('.sf2')) continue;
        if (decodeURIComponent(name).startsWith('/[]/')) data += size;
        else code += size;
        console.log(`  ${decodeURIComponent(name)}: ${kb(size)}`);
    }
    console.log(`page before the soundfont: ${kb(code)} of code and page, ${kb(data)} of default data`);
    console.log(`click to sound: ${toSound} ms (level above -60 dBFS, polled every 10 ms)`);

    const click = releases[0];
    const steps = ticks.filter(([id]) => id === 0).map(([, t]) => t);
    const errors = steps.map((t, i) => t - (click + 3000 * (i + 1)));
    console.log(`steps: ${steps.length}; worst error against click + 3000 x n: ` +
                `${Math.max(...errors.map(Math.abs)).toFixed(1)} ms; last: ${errors.at(-1).toFixed(1)} ms`);
    const flicker = ticks.filter(([id, t]) => id === 1 && t > click && t <= steps[33]).map(([, t]) => t);
    const gaps = flicker.slice(1).map((t, i) => t - flicker[i]);
    const due = Math.floor((steps[33] - click) / 30);
    console.log(`flicker during the show: ${flicker.length} ticks for about ${due} due at 30 ms; ` +
                `gaps: mean ${(gaps.reduce((a, b) => a + b, 0) / gaps.length).toFixed(2)} ms, ` +
                `max ${Math.max(...gaps).toFixed(1)} ms, over 45 ms: ${gaps.filter((g) => g > 45).length}`);
    const late = gaps.map((g, i) => [g, flicker[i + 1] - click]).filter(([g]) => g > 45);
    console.log(`  gaps over 45 ms (ms after the click: gap): ` +
                late.map(([g, t]) => `${t.toFixed(0)}: ${g.toFixed(0)}`).join(', '));
    console.log(`ticks handled: ${counts.handled[0]} steps, ${counts.handled[1]} flicker; ` +
                `missed (merged): ${counts.missed[0]} steps, ${counts.missed[1]} flicker`);
} finally {
    await browser.close();
    server.kill();
    rmSync(profile, {recursive: true, force: true});
}
