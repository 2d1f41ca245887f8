// Debian's Chromium through playwright-core (pinned in programs/web/), for the
// page's tests and the measuring scripts: one launcher.
import {mkdtempSync, rmSync} from 'node:fs';
import {createRequire} from 'node:module';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const {chromium} = createRequire(path.join(root, 'programs/web/'))('playwright-core');

// Quiet and alone: no updates, syncing or other traffic of its own. Sound
// waits for a gesture, as a browser with a screen has it by default.
const kFlags = ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                '--autoplay-policy=user-gesture-required'];

// Chromium on a new profile, removed by close(), or on `profile`, kept.
// options:
//   headless      true (the default): no window; false: its window on the X
//                 display of `env` (or of this process)
//   args          more flags
//   env           its environment (this process's by default)
//   viewport, deviceScaleFactor, isMobile, hasTouch: as Playwright takes them
//                 (viewport 800 x 600 by default)
//   soundAfterGesture  hold every AudioContext to run only after a press of
//                 the mouse, a key or a touch: headless Chromium lets one run
//                 at once and counts the page as pressed from the start,
//                 whatever its flags say
// {browser, page, close()}.
export async function LaunchChromium(options = {}) {
    const {profile, headless = true, args = [], env = process.env, soundAfterGesture = false,
           ...context} = options;
    const home = profile ?? mkdtempSync(path.join(tmpdir(), 'show-chromium-'));
    const remove = () => {
        if (profile === undefined) rmSync(home, {recursive: true, force: true});
    };
    let browser;
    try {
        browser = await chromium.launchPersistentContext(home, {
            headless: false,  // the flag below, as given
            executablePath: '/usr/bin/chromium',
            args: [...(headless ? ['--headless'] : []), ...kFlags, ...args],
            env,
            viewport: {width: 800, height: 600},
            ...context,
        });
    } catch (error) {
        remove();
        throw error;
    }
    if (soundAfterGesture) await browser.addInitScript(HoldSoundToGesture);
    return {
        browser,
        page: browser.pages()[0] ?? await browser.newPage(),
        async close() {
            try {
                await browser.close();
            } finally {
                remove();
            }
        },
    };
}

// Runs in each page before its own scripts.
function HoldSoundToGesture() {
    let gesture = false;
    for (const type of ['mousedown', 'keydown', 'touchend']) {
        window.addEventListener(type, () => { gesture = true; }, true);
    }
    const Context = window.AudioContext;
    window.AudioContext = class extends Context {
        constructor(...options) {
            super(...options);
            // (A new context starts running a moment later.)
            this.addEventListener('statechange', () => {
                if (this.state === 'running' && !gesture) super.suspend();
            });
        }
        resume() {
            if (gesture) return super.resume();
            return Promise.reject(new DOMException('no gesture yet', 'NotAllowedError'));
        }
    };
}
