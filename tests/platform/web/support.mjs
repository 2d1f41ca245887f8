// What the offline, keyboard and long-run tests of the page share: the site's
// folder, a server of its own that a test can stop, and Chromium on a profile
// that lives as long as the test.
import {spawn} from 'node:child_process';
import {readFileSync} from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

import {LaunchChromium} from '../../support/chromium.mjs';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
export const site = path.resolve(process.env.SHOW_WEB_SITE ?? path.join(root, 'build-web/site'));
// The data files' names, as the program names them (the build's window.json).
export const dataFiles = JSON.parse(readFileSync(
    process.env.SHOW_WINDOW_JSON ?? path.join(root, 'build-web/host/window.json'), 'utf8')).files;

// programs/web/serve.py on `dir`; {origin, stop()}.
export async function Serve(dir) {
    const server = spawn('python3', [path.join(root, 'programs/web/serve.py'), dir, '0', '-q'],
                         {stdio: ['ignore', 'pipe', 'inherit']});
    const origin = await new Promise((resolve, reject) => {
        server.stdout.once('data', (data) => resolve(String(data).trim().replace(/\/$/, '')));
        server.once('exit', () => reject(new Error('the server did not start')));
    });
    const stopped = new Promise((resolve) => server.once('exit', resolve));
    return {origin, stop: async () => {
        server.kill();
        await stopped;
    }};
}

// Headless Chromium on a new profile, held to the rule that an AudioContext
// runs only after a gesture (a press of the mouse or of a key), as a
// browser with a screen holds it. `args`: more of Chromium's flags.
export async function OpenBrowser(args = []) {
    const {browser, page, close} = await LaunchChromium({args, soundAfterGesture: true});
    const errors = [];
    browser.on('page', (page) => page.on('pageerror', (e) => errors.push(e.message)));
    for (const page of browser.pages()) page.on('pageerror', (e) => errors.push(e.message));
    return {browser, page, errors, close};
}

// Loads the page and waits until the program has started.
export async function Visit(page, url) {
    await page.goto(url);
    await page.evaluate(() => window.flickerShow.started);
}

// The flicker's period once the page has handled `count` ticks of it after
// the `from`th: the median gap between those ticks in ms, by the page's own
// log of when each ran.
export async function FlickerPeriod(page, from, count = 10) {
    await page.waitForFunction((n) => window.flickerShow.ticks().handled[1] >= n, from + count, {timeout: 20000});
    return page.evaluate((n) => {
        const at = window.flickerShow.log().ticks.filter((t) => t[0] === 1).map((t) => t[1]).slice(-n);
        const gaps = at.slice(1).map((t, k) => t - at[k]).sort((a, b) => a - b);
        return gaps[gaps.length >> 1];
    }, count);
}
