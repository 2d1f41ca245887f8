// What the web page's measuring scripts share: their command line
// ([SITE] [--cpu N]; SITE is build-web/site by default), Chromium through
// playwright-core on a new profile (nothing cached), and the site served on 127.0.0.1 by programs/web/serve.py
// with every request it answers logged as [path, ms since the epoch], the
// AudioWorklet's fetches too, which the browser's request events leave out.
import {spawn} from 'node:child_process';
import {mkdtempSync, rmSync} from 'node:fs';
import {createRequire} from 'node:module';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');

export const {chromium} = createRequire(path.join(root, 'programs/web/'))('playwright-core');

// {site, cpu}: the site's folder and how many times the CPU is slowed (1: not).
export function MeasuringOptions(argv) {
    const args = argv.slice();
    const cpuAt = args.indexOf('--cpu');
    const cpu = cpuAt >= 0 ? Number(args.splice(cpuAt, 2)[1]) : 1;
    return {site: path.resolve(args[0] ?? path.join(root, 'build-web/site')), cpu};
}

// Debian's Chromium, headless, on a new profile; close() closes it and
// removes the profile.
export async function OpenBrowser() {
    const profile = mkdtempSync(path.join(tmpdir(), 'show-measure-'));
    const browser = await chromium.launchPersistentContext(profile, {
        headless: false,
        executablePath: '/usr/bin/chromium',
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    const page = browser.pages()[0] ?? await browser.newPage();
    const close = async () => {
        try {
            await browser.close();
        } finally {
            rmSync(profile, {recursive: true, force: true});
        }
    };
    return {browser, page, close};
}

export async function ServeSite(site) {
    const requests = [];
    const server = spawn('python3', [path.join(root, 'programs/web/serve.py'), site, '0'],
                         {stdio: ['ignore', 'pipe', 'pipe']});
    server.stderr.on('data', (data) => {
        for (const m of String(data).matchAll(/"GET (\S+) HTTP[^"]*" 200/g)) {
            requests.push([decodeURIComponent(m[1]), Date.now()]);
        }
    });
    const origin = await new Promise((resolve) => server.stdout.once('data', (d) => resolve(String(d).trim())));
    return {server, origin, requests};
}
