// The web page's tests serve their folder on 127.0.0.1 (or another loopback
// address: another site) with programs/web/serve.py, started before the
// tests and stopped after them (with the folder removed).
import {spawn} from 'node:child_process';
import {rmSync} from 'node:fs';
import path from 'node:path';
import {after, before} from 'node:test';

// The server's origin, without a trailing "/", once the tests start.
export function ServeDuringTests(root, dir, removeAfter, address = '127.0.0.1') {
    const served = {origin: null};
    let server = null;
    before(async () => {
        server = spawn('python3', [path.join(root, 'programs/web/serve.py'), dir, '0', address, '-q'],
                       {stdio: ['ignore', 'pipe', 'inherit']});
        served.origin = await new Promise((resolve, reject) => {
            server.stdout.once('data', (data) => resolve(String(data).trim().replace(/\/$/, '')));
            server.once('exit', () => reject(new Error('the server did not start')));
        });
    });
    after(() => {
        if (server !== null) server.kill();
        if (removeAfter) rmSync(removeAfter, {recursive: true, force: true});
    });
    return served;
}
