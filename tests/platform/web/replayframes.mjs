// What the page's tests share to judge the page against replay: the built
// site, replay and the window's values (the build's window.json), a site
// folder of a test's own, and replay's frames and error texts.
import assert from 'node:assert';
import {execFileSync} from 'node:child_process';
import {mkdirSync, readFileSync, readdirSync, symlinkSync, writeFileSync} from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
export const site = path.resolve(process.env.SHOW_WEB_SITE ?? path.join(root, 'build-web/site'));
export const replay = path.resolve(process.env.SHOW_REPLAY ?? path.join(root, 'build-web/host/tools/replay'));
// The window as the program makes it: its colour, and the data files' names.
export const windowValues = JSON.parse(readFileSync(
    process.env.SHOW_WINDOW_JSON ?? path.join(root, 'build-web/host/window.json'), 'utf8'));
export const {folder: kFolder, picture: kPicture, tune: kTune} = windowValues.files;

export const defaultPicture = () => readFileSync(path.join(site, kFolder, kPicture));

// WORK/NAME, a site folder that links to the built one; `picture` replaces
// the default picture (null: none on the server).
export function LinkedSite(work, name, picture) {
    const dir = path.join(work, name);
    mkdirSync(path.join(dir, kFolder), {recursive: true});
    for (const entry of readdirSync(site)) {
        if (entry !== kFolder) symlinkSync(path.join(site, entry), path.join(dir, entry));
    }
    for (const entry of readdirSync(path.join(site, kFolder))) {
        if (entry !== kPicture) symlinkSync(path.join(site, kFolder, entry), path.join(dir, kFolder, entry));
    }
    if (picture !== null) writeFileSync(path.join(dir, kFolder, kPicture), picture);
    return dir;
}

// Replay in WORK/replay-NAME holding `picture` (null: none): its trace's
// lines and its frames' folder.
export function Replay(work, name, picture, args) {
    const dir = path.join(work, 'replay-' + name);
    mkdirSync(path.join(dir, kFolder), {recursive: true});
    if (picture !== null) writeFileSync(path.join(dir, kFolder, kPicture), picture);
    const frames = path.join(dir, 'frames');
    const trace = execFileSync(replay, ['--dir', dir, '--frames', frames, ...args]).toString();
    return {lines: trace.split('\n'), frames};
}

// A replay frame (24 bits, bottom-up) as [width, height, codes]: each
// pixel's red, green and blue in their high four bits as one 12-bit code.
export function FrameHighBits(file) {
    const b = readFileSync(file);
    const offset = b.readUInt32LE(10);
    const width = b.readInt32LE(18);
    const height = b.readInt32LE(22);
    const stride = Math.ceil((width * 3) / 4) * 4;
    const codes = [];
    for (let y = 0; y < height; ++y) {
        const row = offset + (height - 1 - y) * stride;
        for (let x = 0; x < width; ++x) {
            const p = row + x * 3;
            codes.push(String.fromCharCode(((b[p + 2] >> 4) << 8) | ((b[p + 1] >> 4) << 4) | (b[p] >> 4)));
        }
    }
    return [width, height, codes.join('')];
}

// The frame replay drew at `step`.
export function Frame(frames, step) {
    const name = readdirSync(frames).find((f) => f.endsWith(`-step${String(step).padStart(4, '0')}.bmp`));
    return FrameHighBits(path.join(frames, name));
}

// The first error box's text in replay's trace, decoded.
export function ReplayErrorText(lines) {
    const line = lines.find((l) => / error /.test(l));
    return new TextDecoder('shift_jis').decode(Buffer.from(line.split(' ')[2], 'hex'));
}

export function SameHighBits(actual, expected, what) {
    assert.strictEqual(actual[0], expected[0], `${what}: width`);
    assert.strictEqual(actual[1], expected[1], `${what}: height`);
    let differ = 0;
    for (let i = 0; i < actual[2].length; ++i) differ += actual[2][i] !== expected[2][i];
    assert.strictEqual(differ, 0, `${what}: ${differ} pixels differ in their high four bits`);
}
