// The page around the show's program: the data put into its file system, the
// canvas, the title, the error boxes, the timers, the clicks, the tune and
// the files a user drops or chooses.
'use strict';

// The last `size` records of `fields` numbers each, oldest first, in memory
// taken once: adding one allocates nothing.
class MeasuringRing {
    constructor(size, fields) {
        this.size = size;
        this.fields = fields;
        this.values = new Float64Array(size * fields);
        this.count = 0;
    }
    // Adds a record of up to four numbers; its slot, for set().
    add(a, b = 0, c = 0, d = 0) {
        const slot = (this.count++ % this.size) * this.fields;
        const v = this.values;
        v[slot] = a;
        if (this.fields > 1) v[slot + 1] = b;
        if (this.fields > 2) v[slot + 2] = c;
        if (this.fields > 3) v[slot + 3] = d;
        return slot;
    }
    set(slot, field, value) {
        this.values[slot + field] = value;
    }
    entries() {
        const kept = Math.min(this.count, this.size);
        const out = [];
        for (let n = this.count - kept; n < this.count; ++n) {
            const slot = (n % this.size) * this.fields;
            out.push(Array.from(this.values.subarray(slot, slot + this.fields)));
        }
        return out;
    }
}

// The errors no code of the page caught, as they came (window.flickerShow.errors()).
const pageErrors = [];
window.addEventListener('error', (event) => pageErrors.push(event.message || String(event.error)));
window.addEventListener('unhandledrejection', (event) => {
    const reason = event.reason;
    pageErrors.push('unhandled rejection: ' + ((reason && reason.message) || String(reason)));
});

(function () {
    const canvas = document.getElementById('picture');
    // The data files' names, the program's own, put on the canvas by the build.
    const {folder: kFolder, picture: kPicture, tune: kTune} = canvas.dataset;
    const context2d = canvas.getContext('2d');
    const decoder = new TextDecoder('shift_jis');
    const music = new ShowMusic();
    let program = null;
    let running = false;  // inside a call into the program
    let timeout = null;
    let image = null;
    let tunePlays = 0;  // each click on the picture plays the tune
    let startingUp = false;  // inside the program's start-up
    let noPicture = false;  // the picture failed to load at start-up

    // For measuring a show: the last ticks, each as [timer, ms on the page's
    // clock, that timer's ticks merged so far, ms its handler took], and the
    // last releases. Rings of a fixed size, so that a day's run keeps no more
    // than a minute's: a whole show at 30 ms (about 3,400 ticks) fits.
    const tickLog = new MeasuringRing(8192, 4);
    const clickLog = new MeasuringRing(256, 1);
    const handled = [0, 0];
    // The timers run on the show's clock; the program keeps their rules and
    // says which tick is due, the page sets one browser timeout for it.
    const clock = new ShowClock(() => performance.now());

    function Decode(bytes) {
        return decoder.decode(bytes);
    }

    // The window title as the tab shows it. The page's title collapses runs of
    // spaces, so each space is a no-break space. The browser then trims
    // whitespace at both ends (U+00A0, U+2007, U+202F and U+3000 among it; Chromium
    // 156, measured) and shows the page's address for a title that is empty
    // after that, so a word joiner (U+2060: no width, no whitespace, kept)
    // stands at the start, and at the end after a space: a blank title is a
    // word joiner alone, and both runs of the glitch stay whole. WebKit shows
    // the title as it is. Firefox counts a title of nothing but separators,
    // controls, marks, format characters and the blank fillers (U+115F,
    // U+1160, U+2800, U+3164, U+FFA0) as none, and its tab shows the address:
    // no character both draws nothing and counts there.
    function TabTitle(text) {
        const shown = '\u2060' + text.replace(/ /g, '\u00a0');
        return text.endsWith(' ') ? shown + '\u2060' : shown;
    }

    // The window's caption, drawn by the page where the browser shows no
    // title while the page is open: on a touch-first device (a phone's or
    // tablet's browser shows the address, or nothing), in an installed app's
    // window without a title bar or in full screen, and in a frame (the tab
    // shows the embedding page's title). `?caption=on` or `?caption=off` in
    // the address decides instead. It follows a change of display mode and
    // an element taking the whole screen.
    const caption = document.getElementById('caption');
    const framed = window.self !== window.top;
    const captionSwitch = new URLSearchParams(window.location.search).get('caption');
    const titleless = ['(hover: none) and (pointer: coarse)', '(display-mode: standalone)',
                       '(display-mode: fullscreen)', '(display-mode: minimal-ui)'].map((q) => window.matchMedia(q));
    function PlaceCaption() {
        // (an iPad's browser may say it is a Mac's, but a Mac has no touch screen)
        const padAsMac = navigator.maxTouchPoints > 1 && /^Mac/.test(navigator.platform);
        caption.hidden = captionSwitch === 'on' || captionSwitch === 'off' ? captionSwitch === 'off' :
            !(framed || navigator.standalone === true || padAsMac || titleless.some((q) => q.matches) ||
              Boolean(document.fullscreenElement));
    }
    for (const query of titleless) query.addEventListener('change', PlaceCaption);
    document.addEventListener('fullscreenchange', PlaceCaption);
    PlaceCaption();

    function Reschedule() {
        if (timeout !== null) clearTimeout(timeout);
        timeout = null;
        if (program === null || clock.paused()) return;
        const due = program._web_next_due();
        if (due >= 0) timeout = setTimeout(RunTimers, Math.max(0, due - clock.time()));
    }

    // Delivers every tick due by now, each timer once, in the timer rules' order.
    function RunTimers() {
        timeout = null;
        running = true;
        try {
            const now = clock.time();
            for (let id = program._web_take_due(now); id >= 0; id = program._web_take_due(now)) {
                const at = performance.now();
                const slot = tickLog.add(id, at, program._web_merged(id), 0);
                ++handled[id];
                program._web_tick(id);
                tickLog.set(slot, 3, performance.now() - at);
            }
        } finally {
            running = false;
            Reschedule();
        }
    }

    // Calls into the program from an event, then sets the next timer.
    function Call(f) {
        running = true;
        try {
            f();
        } finally {
            running = false;
            Reschedule();
        }
    }

    function BoxOpen() {
        return document.querySelector('dialog.error-box[open]') !== null;
    }

    // Runs `f` once no box is open: at once, or when the last box is dismissed.
    function AfterBoxes(f) {
        const open = document.querySelectorAll('dialog.error-box[open]');
        if (open.length === 0) {
            f();
            return;
        }
        let left = open.length;
        for (const box of open) {
            box.addEventListener('close', () => {
                if (--left === 0) AfterBoxes(f);
            }, {once: true});
        }
    }

    // The program's calls.
    const page = {
        showWindow(width, height, color, mix) {
            canvas.width = width;
            canvas.height = height;
            HoldSize();
            music.setMix(mix);
            // As on the desktop, a box of the start-up's comes first and the
            // window only once it is dismissed.
            AfterBoxes(() => {
                canvas.hidden = false;
                caption.classList.remove('waiting');
                // The page around the window takes the window's colour.
                document.body.style.background = `rgb(${color.join(',')})`;
            });
        },
        setTitle(bytes) {
            const text = Decode(bytes);
            document.title = TabTitle(text);
            caption.textContent = text;
            // The embedding page is told each title: it holds nothing private.
            if (framed) window.parent.postMessage({type: 'flicker-show:title', title: text}, '*');
        },
        errorBox(caption, text) {
            // (At start-up only the picture is loaded.)
            if (startingUp) noPicture = true;
            const box = document.getElementById('error-box').content.firstElementChild.cloneNode(true);
            box.querySelector('.caption').textContent = Decode(caption);
            box.querySelector('.text').textContent = Decode(text);
            box.addEventListener('close', () => box.remove());
            document.body.appendChild(box);
            box.showModal();
        },
        showClock() {
            return clock.time();
        },
        timersChanged() {
            if (!running) Reschedule();
        },
        putPixels(rgba, width, height) {
            // One image for every frame of a size: no garbage at each tick.
            if (image === null || image.width !== width || image.height !== height) {
                image = new ImageData(width, height);
            }
            image.data.set(rgba);
            context2d.putImageData(image, 0, 0);
        },
        openTune(id, bytes) {
            music.open(id, bytes);
        },
        playTune(id) {
            ++tunePlays;
            music.play(id);
            WatchSound();
        },
    };

    // The canvas keeps its size in device pixels, as the window keeps its
    // fitted size: a zoom changes only its size in CSS pixels. Where the
    // page is narrower than that (a phone), only its size in CSS pixels
    // shrinks to the page's width, square as before; the browser draws its
    // device pixels into it by nearest pixel.
    function HoldSize() {
        const ratio = window.devicePixelRatio || 1;
        const body = getComputedStyle(document.body);
        const room = document.documentElement.clientWidth - parseFloat(body.paddingLeft) -
                     parseFloat(body.paddingRight);
        const scale = room > 0 ? Math.min(1, (room * ratio) / canvas.width) : 1;
        canvas.style.width = (canvas.width * scale) / ratio + 'px';
        canvas.style.height = (canvas.height * scale) / ratio + 'px';
        caption.style.width = canvas.style.width;
    }
    window.addEventListener('resize', HoldSize);

    function ClientPoint(event) {
        const rect = canvas.getBoundingClientRect();
        return [
            Math.floor(((event.clientX - rect.left) * canvas.width) / rect.width),
            Math.floor(((event.clientY - rect.top) * canvas.height) / rect.height),
        ];
    }

    canvas.addEventListener('mousedown', (event) => {
        if (program === null || BoxOpen()) return;
        // The second press of a double click is no press.
        if (event.detail === 2) {
            Call(() => program._web_double_press(event.button));
        } else {
            Call(() => program._web_press(event.button));
        }
    });
    // A release anywhere ends the press; only one over the picture clicks.
    window.addEventListener('mouseup', (event) => {
        if (program === null || BoxOpen()) return;
        const [x, y] = event.target === canvas ? ClientPoint(event) : [-1, -1];
        clickLog.add(performance.now());
        Call(() => program._web_release(event.button, x, y));
    });
    canvas.addEventListener('contextmenu', (event) => event.preventDefault());

    // A finger on the picture: a tap is a click (a press and a release at the
    // point it was lifted), a second tap soon after and near the first is the
    // second press of a double click, as a mouse's; a long press, a drag or
    // two fingers are nothing. The tap is handled here, so the browser makes
    // no mouse events of it and does not zoom.
    const kTapMs = 500;  // longer is a long press; also the double tap's time
    const kDoubleTapPx = 24;  // in CSS pixels
    let touch = null;  // {id, x, y, time} of the one finger down
    let lastTap = null;  // {x, y, time}
    canvas.addEventListener('touchstart', (event) => {
        const t = event.changedTouches[0];
        touch = event.touches.length === 1 ? {id: t.identifier, x: t.clientX, y: t.clientY, time: event.timeStamp} : null;
    });
    canvas.addEventListener('touchend', (event) => {
        event.preventDefault();
        const t = Array.from(event.changedTouches).find((c) => touch !== null && c.identifier === touch.id);
        const start = touch;
        touch = null;
        if (t === undefined || event.touches.length > 0 || program === null || BoxOpen()) return;
        if (event.timeStamp - start.time >= kTapMs) return;
        if (Math.hypot(t.clientX - start.x, t.clientY - start.y) > kDoubleTapPx) return;
        const double = lastTap !== null && start.time - lastTap.time < kTapMs &&
                       Math.hypot(start.x - lastTap.x, start.y - lastTap.y) <= kDoubleTapPx;
        lastTap = double ? null : {x: start.x, y: start.y, time: event.timeStamp};
        const rect = canvas.getBoundingClientRect();
        const inside = t.clientX >= rect.left && t.clientX < rect.right && t.clientY >= rect.top && t.clientY < rect.bottom;
        const [x, y] = inside ? ClientPoint(t) : [-1, -1];
        clickLog.add(performance.now());
        Call(() => (double ? program._web_double_press(0) : program._web_press(0)));
        Call(() => program._web_release(0, x, y));
    });
    canvas.addEventListener('touchmove', (event) => {
        if (touch !== null && event.touches.length > 1) touch = null;
    });
    canvas.addEventListener('touchcancel', () => {
        touch = null;
    });

    // The keyboard: with the picture focused, Enter or Space is a click on
    // it, once a press (a held key's repeats are nothing). The key going down
    // is the button's press and coming up its release over the middle of the
    // picture, through the program's click rule as a mouse's; the focus
    // leaving while the key is down ends the press outside the picture.
    let keyDown = null;  // the key that pressed
    function KeyRelease(inside) {
        keyDown = null;
        const [x, y] = inside ? [canvas.width >> 1, canvas.height >> 1] : [-1, -1];
        clickLog.add(performance.now());
        Call(() => program._web_release(0, x, y));
    }
    canvas.addEventListener('keydown', (event) => {
        if (event.key !== 'Enter' && event.key !== ' ') return;
        event.preventDefault();
        if (event.repeat || keyDown !== null || program === null || BoxOpen()) return;
        keyDown = event.key;
        Call(() => program._web_press(0));
    });
    canvas.addEventListener('keyup', (event) => {
        if (event.key !== keyDown) return;
        event.preventDefault();
        if (program !== null) KeyRelease(true);
    });
    canvas.addEventListener('blur', () => {
        if (keyDown !== null && program !== null) KeyRelease(false);
    });

    // A hidden page gets few ticks: the show waits, tune and all, and goes on
    // from where it stood when the page is shown again.
    document.addEventListener('visibilitychange', () => {
        if (document.hidden) {
            clock.pause();
            music.suspend();
        } else {
            clock.resume();
            music.resume();
        }
        Reschedule();
    });

    // The tune after a click: where the browser does not let its sound start
    // (no sound device, or none it may use), the line under the picture says
    // so, once; it goes when the sound runs after all. A context a phone
    // interrupted (a call) or suspended is resumed at the next tap or when
    // the page is shown again.
    const kSoundWaitMs = 3000;
    let soundWatched = false;
    function WatchSound() {
        if (soundWatched) return;
        soundWatched = true;
        const line = document.getElementById('sound');
        const Check = async () => {
            // (A hidden page's tune waits with the show.)
            if (document.hidden) {
                setTimeout(Check, kSoundWaitMs);
                return;
            }
            const ready = await music.tuneReady();
            if (ready && music.context.state === 'running') return;
            line.textContent = 'The tune cannot play: this browser did not let the page\'s sound start.';
            line.hidden = false;
            if (music.context !== null) {
                music.context.addEventListener('statechange', () => {
                    if (music.context.state === 'running') line.hidden = true;
                });
            }
        };
        setTimeout(Check, kSoundWaitMs);
    }
    for (const type of ['touchend', 'mousedown', 'keydown']) {
        window.addEventListener(type, () => music.wake(), true);
    }
    window.addEventListener('pageshow', () => music.wake());

    // What the program's tune reader says of `bytes`, through `reader`
    // (_web_marks_tune or _web_tune_kind), the bytes put in its memory.
    function AskTuneReader(reader, bytes) {
        const at = program._malloc(Math.max(1, bytes.length));
        try {
            program.HEAPU8.set(bytes, at);
            return reader(at, bytes.length);
        } finally {
            program._free(at);
        }
    }
    const kTuneMarkBytes = 12;
    const kTunePlays = 2;  // _web_tune_kind: a clean tune, or one repaired

    // A dropped or chosen file takes the place of the picture or the tune in
    // the folder for their next load: a Standard MIDI File, bare or in a RIFF
    // RMID wrapper, replaces the tune, any other file the picture. The line
    // beside the chooser says so at once, from the file's first bytes, before
    // the whole file is read; then, for a tune with nothing to play, that the
    // show will be silent.
    async function Replace(file) {
        if (program === null) return;
        const line = document.getElementById('replaced');
        const Starts = (bytes, text) => bytes.length >= text.length &&
                                        String.fromCharCode(...bytes.subarray(0, text.length)) === text;
        try {
            const first = new Uint8Array(await file.slice(0, kTuneMarkBytes).arrayBuffer());
            const isTune = AskTuneReader(program._web_marks_tune, first) === 1;
            // The tune is opened once, at the first click, as on the desktop.
            let note = ' is the picture from its next load.';
            if (!isTune && noPicture) {
                // The show loads its picture again only over one it has.
                note = ' came after the picture failed to load at start-up: the show loads no picture ' +
                       'after that, so it is not shown.';
            } else if (isTune) {
                note = music.opened() ? ' came after the tune was opened: it is not played.' :
                                        ' is the tune the click starts.';
                if (!music.opened()) music.needFullSet();
            } else if (first.length === 0) {
                note = ' is empty: the picture is emptied at its next load.';
            } else if (!Starts(first, 'BM')) {
                note = ' is neither a bitmap nor a MIDI file: it is the picture from its next load, ' +
                       'which will fail.';
            }
            line.textContent = file.name + note;
            const bytes = new Uint8Array(await file.arrayBuffer());
            if (isTune && !music.opened() && AskTuneReader(program._web_tune_kind, bytes) < kTunePlays) {
                line.textContent = file.name + ' is the tune the click starts, but it holds no note to play: ' +
                                   'the show runs silent.';
            }
            // The folder's file owns the bytes: a large file is not copied.
            program.FS.writeFile(kFolder + '/' + (isTune ? kTune : kPicture), bytes, {canOwn: true});
        } catch (e) {
            // (a file gone or unreadable, or too large for the browser's memory)
            line.textContent = file.name + ' could not be read: nothing was replaced.';
        }
    }
    document.getElementById('choose').addEventListener('change', (event) => {
        for (const file of event.target.files) Replace(file);
    });
    document.addEventListener('dragover', (event) => event.preventDefault());
    document.addEventListener('drop', (event) => {
        event.preventDefault();
        for (const file of event.dataTransfer.files) Replace(file);
    });

    async function Fetch(name) {
        try {
            const response = await fetch(encodeURIComponent(kFolder) + '/' + encodeURIComponent(name));
            return response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
        } catch (e) {
            return null;
        }
    }

    async function Start() {
        const [picture, tune, module] = await Promise.all([Fetch(kPicture), Fetch(kTune),
                                                           createShowModule({showPage: page})]);
        module.FS.mkdir(kFolder);
        // A file the server lacks is missing here too, with the same errors.
        if (picture !== null) module.FS.writeFile(kFolder + '/' + kPicture, picture);
        if (tune !== null) module.FS.writeFile(kFolder + '/' + kTune, tune);
        program = module;
        music.setSiteTune(tune);
        startingUp = true;
        try {
            Call(() => module.callMain([]));
        } finally {
            startingUp = false;
        }
        // Once the picture is on the screen, the synthesizer gets ready for
        // the click.
        requestAnimationFrame(() => setTimeout(() => music.prepare(), 0));
        KeepForOffline();
    }

    // The service worker (sw.js) keeps the site for visits with no network;
    // registered once the page has loaded, so that it fetches behind the
    // page's own files. (None where the page is not served over HTTPS or
    // from this machine.)
    function KeepForOffline() {
        if (!('serviceWorker' in navigator)) return;
        const Register = () => navigator.serviceWorker.register('sw.js').catch(() => {});
        if (document.readyState === 'complete') Register();
        else window.addEventListener('load', Register, {once: true});
    }

    // For the page's tests and for whoever looks: how the show is doing.
    window.flickerShow = {
        started: Start(),
        ticks: () => ({
            handled: handled.slice(),
            missed: program === null ? [0, 0] : [program._web_merged(0), program._web_merged(1)],
        }),
        log: () => ({ticks: tickLog.entries(), releases: clickLog.entries().map(([t]) => t)}),
        audioState: () => (music.context === null ? 'none' : music.context.state),
        tunePlays: () => tunePlays,
        musicReady: () => music.prepare().then(() => true, () => false),
        tuneReady: () => music.tuneReady(),
        level: () => music.level(),
        // The last node before the speakers (null until the synthesizer is
        // ready): what the page plays can be recorded from it.
        output: () => music.analyser,
        errors: () => pageErrors.slice(),
    };
})();
