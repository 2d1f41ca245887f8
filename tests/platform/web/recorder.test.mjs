// The web page's "Save the show as a video" in headless Chromium: a recording
// of a few seconds of the show, stopped by hand, is offered as a WebM file
// with one video and one audio track that FFmpeg decodes whole.
// SHOW_WEB_SITE names the built site.
import assert from 'node:assert';
import {execFileSync, spawnSync} from 'node:child_process';
import {mkdtempSync, writeFileSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {test} from 'node:test';
import {fileURLToPath} from 'node:url';

import {LaunchChromium} from '../../support/chromium.mjs';
import {ServeDuringTests} from '../../support/webserver.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../../..');
const site = path.resolve(process.env.SHOW_WEB_SITE ?? path.join(root, 'build-web/site'));

const work = mkdtempSync(path.join(tmpdir(), 'show-recorder-'));

const served = ServeDuringTests(root, site, work);

test('a few seconds recorded and stopped: a WebM file with one video and one audio track', async () => {
    const {browser, page} = await LaunchChromium({profile: mkdtempSync(path.join(work, 'profile-'))});
    try {
        const errors = [];
        page.on('pageerror', (e) => errors.push(e.message));
        await page.goto(served.origin + '/');
        await page.evaluate(() => window.flickerShow.started);
        assert.ok(await page.evaluate(() => window.flickerShow.musicReady()), 'the synthesizer failed');

        await page.click('#record');
        await page.waitForFunction(() => document.getElementById('recorded').textContent.startsWith('Recording'));
        await page.click('#picture');
        await page.waitForFunction(() => window.flickerShow.level() > -60, null, {timeout: 10000});
        await page.waitForTimeout(3000);
        await page.click('#record');
        const link = await page.waitForSelector('#recorded a', {timeout: 10000});
        assert.strictEqual(await link.getAttribute('download'), 'flicker-show.webm');
        assert.match(await page.textContent('#record'), /^Save the show/);

        const bytes = await page.evaluate(async () => {
            const blob = await (await fetch(document.querySelector('#recorded a').href)).blob();
            const data = new Uint8Array(await blob.arrayBuffer());
            let text = '';
            for (const b of data) text += String.fromCharCode(b);
            return btoa(text);
        });
        const file = path.join(work, 'show.webm');
        writeFileSync(file, Buffer.from(bytes, 'base64'));
        const streams = JSON.parse(execFileSync('ffprobe', ['-v', 'error', '-show_streams', '-of', 'json', file]))
            .streams.map((s) => s.codec_type).sort();
        assert.deepStrictEqual(streams, ['audio', 'video']);
        // Decoded whole without an error: the picture at 400 x 400 for about
        // as long as the recording ran.
        const frames = execFileSync('ffprobe', ['-v', 'error', '-select_streams', 'v', '-count_frames',
                                                '-show_entries', 'stream=width,height,nb_read_frames',
                                                '-of', 'json', file]);
        const video = JSON.parse(frames).streams[0];
        assert.deepStrictEqual([video.width, video.height], [400, 400]);
        assert.ok(Number(video.nb_read_frames) >= 30, `only ${video.nb_read_frames} frames`);
        execFileSync('ffmpeg', ['-v', 'error', '-xerror', '-i', file, '-f', 'null', '-']);
        // The tune is in it, not a silent track.
        const volume = spawnSync('ffmpeg', ['-i', file, '-map', '0:a', '-af', 'volumedetect', '-f', 'null', '-']);
        const peak = Number(/max_volume: (-?[\d.]+) dB/.exec(volume.stderr.toString())?.[1]);
        assert.ok(peak > -40, `the sound peaks at ${peak} dB`);
        assert.deepStrictEqual(errors, [], 'errors in the page');
    } finally {
        await browser.close();
    }
});
