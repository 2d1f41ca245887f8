// The three browser engines the page is tested in, each behind the same small
// driver: Chromium through playwright-core, Firefox ESR through puppeteer-core
// over WebDriver BiDi, and WebKitGTK's MiniBrowser through WebKitWebDriver and
// selenium-webdriver. Each runs as a headful window on an X display, playing
// into the PulseAudio sink it is given, and its window's X name is the tab's
// text as that browser shows it.
import {execFileSync, spawn} from 'node:child_process';
import {existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, writeFileSync} from 'node:fs';
import {createRequire} from 'node:module';
import {createServer} from 'node:net';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

import {LaunchChromium} from '../../support/chromium.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../../..');
const require = createRequire(path.join(root, 'programs/web/'));

// WebKitGTK's MiniBrowser lies in the library folder of the machine's
// architecture, under the API version's folder.
export function MiniBrowser() {
    for (const lib of ['/usr/lib', ...readdirSync('/usr/lib').filter((d) => d.includes('-linux-')).map((d) => `/usr/lib/${d}`)]) {
        for (const api of ['webkit2gtk-4.1', 'webkitgtk-6.0', 'webkit2gtk-4.0']) {
            const file = path.join(lib, api, 'MiniBrowser');
            if (existsSync(file)) return file;
        }
    }
    throw new Error('no MiniBrowser of WebKitGTK\'s (the package webkit2gtk-driver)');
}

function FreePort() {
    return new Promise((resolve, reject) => {
        const server = createServer();
        server.once('error', reject);
        server.listen(0, '127.0.0.1', () => {
            const {port} = server.address();
            server.close(() => resolve(port));
        });
    });
}

// Every X top-level window name on `display` (_NET_WM_NAME, else WM_NAME),
// as [window id, name]; with `ids`, those windows' alone.
export function WindowNames(display, ids = undefined) {
    if (ids === undefined) {
        const tree = execFileSync('xwininfo', ['-display', display, '-root', '-children']).toString();
        ids = [...tree.matchAll(/0x[0-9a-f]+(?= )/g)].map(([id]) => id);
    }
    const names = [];
    for (const id of ids) {
        for (const property of ['_NET_WM_NAME', 'WM_NAME']) {
            let line = '';
            try {
                line = execFileSync('xprop', ['-display', display, '-id', id, property],
                                    {stdio: ['ignore', 'pipe', 'ignore']}).toString();
            } catch {
                continue;
            }
            const value = line.match(/= (".*")$/m);
            if (value) {
                names.push([id, JSON.parse(value[1])]);
                break;
            }
        }
    }
    return names;
}

// How each engine names its window: the tab's text within what it adds
// (Firefox adds nothing to its name for a title it counts as blank, and
// MiniBrowser marks a window that a WebDriver drives).
const kName = {
    chromium: /^(.*) - Chromium$/s,
    firefox: /^(?:(.*) — )?Mozilla Firefox$/s,
    webkit: /^\[Automation\] (.*)$/s,
};

// The environment of a browser: its display and its sound's sink.
function Environment({display, pulse, sink, home}) {
    const env = {...process.env, DISPLAY: display, HOME: home, XDG_RUNTIME_DIR: home};
    if (pulse) env.PULSE_SERVER = pulse;
    if (sink) env.PULSE_SINK = sink;
    delete env.WAYLAND_DISPLAY;
    return env;
}

async function Chromium(options) {
    const {browser, page} = await LaunchChromium({profile: options.home, headless: false,
                                                  env: Environment(options)});
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    return {
        pageErrors: async () => errors.slice(),
        goto: (url) => page.goto(url),
        evaluate: (f, arg) => page.evaluate(f, arg),
        frameEvaluate: (f, arg) => page.mainFrame().childFrames()[0].evaluate(f, arg),
        click: (x, y, button = 'left', count = 1) => page.mouse.click(x, y, {button, clickCount: count}),
        drag: async (x0, y0, x1, y1) => {
            await page.mouse.move(x0, y0);
            await page.mouse.down();
            await page.mouse.move(x1, y1);
            await page.mouse.up();
        },
        choose: (selector, file) => page.setInputFiles(selector, file),
        close: () => browser.close(),
    };
}

async function Firefox(options) {
    const puppeteer = require('puppeteer-core');
    const browser = await puppeteer.launch({
        browser: 'firefox',
        executablePath: '/usr/bin/firefox-esr',
        headless: false,
        userDataDir: options.home,
        env: Environment(options),
        defaultViewport: null,
        args: ['--width=900', '--height=800'],
        extraPrefsFirefox: {
            // What a new profile would otherwise do on its own: nothing
            // leaves the machine.
            'browser.shell.checkDefaultBrowser': false,
            'app.update.enabled': false,
            'datareporting.policy.dataSubmissionEnabled': false,
            'toolkit.telemetry.enabled': false,
            'network.captive-portal-service.enabled': false,
            'network.connectivity-service.enabled': false,
            // Sound after a click only, as for a person.
            'media.autoplay.default': 1,
            'media.autoplay.blocking_policy': 0,
        },
    });
    const page = (await browser.pages())[0] ?? await browser.newPage();
    await page.setViewport({width: 800, height: 600});
    const errors = [];
    page.on('pageerror', (e) => errors.push(e.message));
    const Button = {left: 'left', middle: 'middle', right: 'right'};
    return {
        pageErrors: async () => errors.slice(),
        goto: (url) => page.goto(url),
        evaluate: (f, arg) => page.evaluate(f, arg),
        frameEvaluate: (f, arg) => page.mainFrame().childFrames()[0].evaluate(f, arg),
        click: (x, y, button = 'left', count = 1) => page.mouse.click(x, y, {button: Button[button], count}),
        drag: async (x0, y0, x1, y1) => {
            await page.mouse.move(x0, y0);
            await page.mouse.down();
            await page.mouse.move(x1, y1);
            await page.mouse.up();
        },
        choose: async (selector, file) => (await page.$(selector)).uploadFile(file),
        close: () => browser.close(),
    };
}

async function WebKit(options) {
    const {Builder, Origin, Button: SeleniumButton, By} = require('selenium-webdriver');
    const port = await FreePort();
    // The driver's two clicks of a double click reach GTK as two clicks of
    // their own; on a loaded machine they have come further apart than
    // GTK's 400 ms for a double click, and once more than 1 s. The
    // profile's GTK takes 5 s.
    const config = path.join(options.home, '.config');
    mkdirSync(path.join(config, 'gtk-3.0'), {recursive: true});
    writeFileSync(path.join(config, 'gtk-3.0', 'settings.ini'), '[Settings]\ngtk-double-click-time=5000\n');
    // GStreamer's warnings (its sound goes through GStreamer) into the
    // profile, for a run whose sink stayed silent.
    const gstreamerLog = path.join(options.home, 'gstreamer.log');
    const env = {...Environment(options), XDG_CONFIG_HOME: config, GST_DEBUG: '2', GST_DEBUG_FILE: gstreamerLog,
                 GST_DEBUG_NO_COLOR: '1'};
    // (its own process group: MiniBrowser, which it starts, outlives it
    // when the page's process has died, and would hold the run open)
    const driver = spawn('WebKitWebDriver', [`--port=${port}`, '--host=127.0.0.1'],
                         {env, stdio: ['ignore', 'ignore', 'pipe'], detached: true});
    const Stop = () => {
        try {
            process.kill(-driver.pid, 'SIGKILL');
        } catch (e) {
            if (e.code !== 'ESRCH') throw e;
        }
        driver.stderr.destroy();
    };
    // MiniBrowser's stderr comes through the driver's. Its line for a page
    // process that died ("WebProcess CRASHED") goes into the test's output,
    // where the test command tells a browser's own crash from a failure.
    let log = '';
    driver.stderr.on('data', (d) => {
        log += d;
        for (const line of String(d).split('\n')) {
            if (line.includes('WebProcess CRASHED')) console.log(`webkit: the browser said: ${line.trim()}`);
        }
    });
    const url = `http://127.0.0.1:${port}`;
    // It takes requests a moment after it starts.
    for (let tries = 0; ; ++tries) {
        try {
            await fetch(url + '/status');
            break;
        } catch (e) {
            if (tries > 100 || driver.exitCode !== null) {
                Stop();
                throw new Error('WebKitWebDriver did not start: ' + log);
            }
            await new Promise((r) => setTimeout(r, 100));
        }
    }
    let browser;
    try {
        browser = await new Builder().usingServer(url).withCapabilities({
            browserName: 'MiniBrowser',
            'webkitgtk:browserOptions': {binary: MiniBrowser(), args: ['--automation']},
        }).build();
        await browser.manage().window().setRect({x: 0, y: 0, width: 820, height: 700});
    } catch (e) {
        Stop();
        throw e;
    }
    const kButton = {left: SeleniumButton.LEFT, middle: SeleniumButton.MIDDLE, right: SeleniumButton.RIGHT};
    // (selenium's executeScript takes a function's body: the function is
    // given as text and called with the argument.)
    const evaluate = async (f, arg) => {
        const body = `return Promise.resolve((${f.toString()})(arguments[0]));`;
        return browser.executeScript(body, arg === undefined ? null : arg);
    };
    return {
        // (WebDriver hears none of the page's errors: the page's own list)
        pageErrors: () => evaluate(() => (window.flickerShow ? window.flickerShow.errors() : [])),
        gstreamerLog: () => (existsSync(gstreamerLog) ? readFileSync(gstreamerLog, 'utf8') : ''),
        goto: (u) => browser.get(u),
        evaluate,
        frameEvaluate: async (f, arg) => {
            await browser.switchTo().frame(0);
            try {
                return await evaluate(f, arg);
            } finally {
                await browser.switchTo().defaultContent();
            }
        },
        click: async (x, y, button = 'left', count = 1) => {
            const actions = browser.actions({async: true}).move({x: Math.round(x), y: Math.round(y), origin: Origin.VIEWPORT});
            for (let i = 0; i < count; ++i) actions.press(kButton[button]).release(kButton[button]);
            await actions.perform();
        },
        drag: async (x0, y0, x1, y1) => {
            await browser.actions({async: true}).move({x: x0, y: y0, origin: Origin.VIEWPORT}).press()
                .move({x: x1, y: y1, origin: Origin.VIEWPORT}).release().perform();
        },
        choose: async (selector, file) => (await browser.findElement(By.css(selector))).sendKeys(file),
        close: async () => {
            try {
                await browser.quit();
            } finally {
                Stop();
            }
        },
    };
}

export const kEngines = {chromium: Chromium, firefox: Firefox, webkit: WebKit};

// A headful browser of `engine` on `display`, its sound into `sink` of the
// PulseAudio server `pulse`; `work` holds its profile. The driver's
// evaluate(f, arg) runs f(arg) in the page and gives what it returns, awaited;
// frameEvaluate(f, arg) in the page's first frame.
export async function OpenEngine(engine, {display, pulse, sink, work}) {
    const home = mkdtempSync(path.join(work, `${engine}-`));
    const driver = await kEngines[engine]({display, pulse, sink, home});
    driver.engine = engine;
    // The tab's text as the browser's window shows it.
    // (the browser's windows are found once and then read alone: a loaded
    // machine takes a while for each window's read)
    const Titles = (named) => named.map(([, n]) => n.match(kName[engine])).filter((m) => m !== null)
        .map((m) => m[1] ?? '');
    let windows = [];
    driver.windowTitles = () => {
        if (windows.length > 0) {
            const titles = Titles(WindowNames(display, windows));
            if (titles.length === windows.length) return titles;
        }
        const named = WindowNames(display);
        windows = named.filter(([, n]) => kName[engine].test(n)).map(([id]) => id);
        return Titles(named);
    };
    const WaitFor = (evaluate) => async (f, arg, timeout = 10000, what = f.toString()) => {
        const end = Date.now() + timeout;
        for (;;) {
            const value = await evaluate(f, arg);
            if (value) return value;
            if (Date.now() > end) throw new Error(`${engine}: waited ${timeout} ms for ${what}`);
            await new Promise((r) => setTimeout(r, 50));
        }
    };
    driver.waitFor = WaitFor((f, arg) => driver.evaluate(f, arg));
    driver.frameWaitFor = WaitFor((f, arg) => driver.frameEvaluate(f, arg));
    return driver;
}
