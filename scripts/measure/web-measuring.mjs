// What the web page's measuring scripts share: their command line
// ([SITE] [--cpu N] [--window FILE]; SITE is build-web/site by default), the
// show's timing as the build wrote it, and the site served on 127.0.0.1 by programs/web/serve.py
// with every request it answers logged as [path, ms since the epoch], the
// AudioWorklet's fetches too, which the browser's request events leave out.
import {spawn} from 'node:child_process';
import {readFileSync} from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');

// {site, cpu, windowFile}: the site's folder, how many times the CPU is
// slowed (1: not), and the build's window.json (by default the one of the
// site's host build, SITE/../host/window.json).
export function MeasuringOptions(argv) {
    const args = argv.slice();
    const take = (name) => {
        const at = args.indexOf(name);
        return at >= 0 ? args.splice(at, 2)[1] : undefined;
    };
    const cpu = Number(take('--cpu') ?? 1);
    const windowOption = take('--window');
    const site = path.resolve(args[0] ?? path.join(root, 'build-web/site'));
    return {site, cpu, windowFile: path.resolve(windowOption ?? path.join(site, '..', 'host', 'window.json'))};
}

// The show's timing from window.json: {step_ms, last_step, flicker_ms: {before, show, after}}.
export function ShowSchedule(windowFile) {
    let text;
    try {
        text = readFileSync(windowFile, 'utf8');
    } catch (error) {
        throw new Error(`${windowFile}: cannot read the build's window.json (--window FILE names it): ${error.message}`);
    }
    return JSON.parse(text).schedule;
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
