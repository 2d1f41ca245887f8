// For the measuring scripts: a site served on 127.0.0.1 by
// platform/web/serve.py, with every request it answers logged as
// [path, ms since the epoch], the AudioWorklet's fetches too, which the
// browser's request events leave out.
import {spawn} from 'node:child_process';
import path from 'node:path';

export async function ServeSite(root, site) {
    const requests = [];
    const server = spawn('python3', [path.join(root, 'platform/web/serve.py'), site, '0'],
                         {stdio: ['ignore', 'pipe', 'pipe']});
    server.stderr.on('data', (data) => {
        for (const m of String(data).matchAll(/"GET (\S+) HTTP[^"]*" 200/g)) {
            requests.push([decodeURIComponent(m[1]), Date.now()]);
        }
    });
    const origin = await new Promise((resolve) => server.stdout.once('data', (d) => resolve(String(d).trim())));
    return {server, origin, requests};
}
