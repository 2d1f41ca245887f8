// The tune: FluidSynth (js-synthesizer) in an AudioWorklet with the TimGM6mb
// soundfont, at the gain and under the ceiling the program gives, the desktop
// player's. Every failure is silent.
'use strict';

// The soundfont cut by the build to the presets the site's tune plays is
// named after that tune: FNV-1a (32 bits) of its bytes, in hex. The build
// names the file with this function (scripts/helpers/tune-soundfont.mjs).
function TuneSoundfont(bytes) {
    let hash = 0x811c9dc5;
    for (const b of bytes) hash = Math.imul(hash ^ b, 0x01000193);
    return `TimGM6mb-${(hash >>> 0).toString(16).padStart(8, '0')}.sf2`;
}
const kFullSoundfont = 'TimGM6mb.sf2';

// The output never goes above the ceiling: a soft one that passes everything
// up to 1 dB below it unchanged and bends the rare peaks above that towards
// it. Without oversampling the output is the curve's own values, none above it.
function CeilingCurve(ceilingDb) {
    const kCeiling = Math.pow(10, ceilingDb / 20);
    const kKnee = Math.pow(10, (ceilingDb - 1) / 20);
    const points = 8193;
    const curve = new Float32Array(points);
    for (let i = 0; i < points; ++i) {
        const x = (i / (points - 1)) * 2 - 1;
        const a = Math.abs(x);
        const y = a <= kKnee ? a : kKnee + (kCeiling - kKnee) * Math.tanh((a - kKnee) / (kCeiling - kKnee));
        curve[i] = Math.sign(x) * y;
    }
    return curve;
}

// The synthesizer is readied once the picture is painted, long before any
// click: the AudioContext is made then (suspended until a click lets it run),
// FluidSynth starts in the AudioWorklet from its WebAssembly, fetched apart,
// and the soundfont is fetched and parsed there. The click only resumes the
// context and hands the tune to the synthesizer, so it never holds up the
// page's main thread. For the site's own tune that soundfont is the one cut to
// its presets; the full General MIDI set is fetched only for a tune of the
// person's own, or where the site's tune is not the one the cut was made for.
// A script of the page's, loaded when first needed.
function LoadScript(name) {
    return new Promise((resolve, reject) => {
        const script = document.createElement('script');
        script.src = name;
        script.onload = resolve;
        script.onerror = () => reject(new Error(name));
        document.head.appendChild(script);
    });
}

function Fetch(name) {
    return fetch(name).then((response) => {
        if (!response.ok) throw new Error(name + ': ' + response.status);
        return response.arrayBuffer();
    });
}

class ShowMusic {
    constructor() {
        this.context = null;
        this.ready = null;
        this.synth = null;
        this.analyser = null;
        this.tunes = new Map();
        this.playing = false;
        this.started = false;  // a click has started the tune
        this.mix = null;  // {gain, ceilingDb}, from the program before it is readied
        this.siteTune = null;  // the bytes of the site's tune
        this.full = null;  // the full set loaded, once a tune of the person's own asks for it
    }

    // The site's tune, before prepare().
    setSiteTune(bytes) {
        this.siteTune = bytes;
    }

    // A tune of the person's own will be played: the full General MIDI set is
    // fetched and loaded over the cut one before it plays.
    needFullSet() {
        if (this.full !== null) return;
        this.prepare();
        this.full = this.ready.then(async () => {
            if (this.soundfont !== kFullSoundfont) await this.synth.loadSFont(await Fetch(kFullSoundfont));
        });
        this.full.catch(() => {});
    }

    open(id, bytes) {
        this.tunes.set(id, bytes);
    }

    opened() {
        return this.tunes.size > 0;
    }

    // Readies the synthesizer and its soundfont in the background.
    prepare() {
        if (this.ready !== null) return this.ready;
        try {
            // A phone plays the page's sound as media, not muted by its
            // ringer switch.
            if (navigator.audioSession) navigator.audioSession.type = 'playback';
        } catch (e) {
            // (a browser whose session cannot be set plays as it would)
        }
        try {
            this.context = new AudioContext();
            this.ready = this.load();
        } catch (e) {
            this.ready = Promise.reject(e);
        }
        this.ready.catch(() => {});
        return this.ready;
    }

    // Whether everything the click's tune needs is loaded: the synthesizer,
    // and the full set when a tune of the person's own asked for it.
    tuneReady() {
        return this.prepare().then(() => this.full).then(() => true, () => false);
    }

    // Starts the tune unless it is playing. Called within the click, whose
    // gesture lets the AudioContext run.
    play(id) {
        try {
            const bytes = this.tunes.get(id);
            if (bytes === undefined || this.playing) return;
            this.playing = true;
            this.started = true;
            this.prepare();
            if (this.context !== null) this.context.resume().catch(() => {});
            this.ready
                .then(() => this.full)
                .then(() => this.synth.addSMFDataToPlayer(bytes.slice().buffer))
                .then(() => this.synth.playPlayer())
                .then(() => this.synth.waitForPlayerStopped())
                .then(() => this.synth.waitForVoicesStopped())
                .catch(() => {})
                .finally(() => {
                    this.playing = false;
                });
        } catch (e) {
            this.playing = false;
        }
    }

    setMix(mix) {
        this.mix = mix;
    }

    async load() {
        const context = this.context;
        const wasm = Fetch('libfluidsynth-2.4.6.wasm');
        // The cut soundfont for the site's tune, else (none made for this
        // tune) the full set.
        const cut = this.siteTune !== null && this.full === null ? TuneSoundfont(this.siteTune) : null;
        this.soundfont = cut ?? kFullSoundfont;
        const soundfont = (cut === null ? Promise.reject(new Error('no cut')) : Fetch(cut)).catch(() => {
            this.soundfont = kFullSoundfont;
            return Fetch(kFullSoundfont);
        });
        // Both fetches are awaited below; neither may fail unheard of before.
        wasm.catch(() => {});
        soundfont.catch(() => {});
        // js-synthesizer's own script, which the picture does not wait for.
        const synthesizer = typeof JSSynth === 'undefined' ? LoadScript('js-synthesizer.min.js') : null;
        if (synthesizer !== null) synthesizer.catch(() => {});
        await context.audioWorklet.addModule('libfluidsynth-2.4.6.js');
        await context.audioWorklet.addModule('js-synthesizer.worklet.min.js');
        // FluidSynth's script waits in the worklet for its WebAssembly, which
        // comes with the first processor of its loader.
        new AudioWorkletNode(context, 'fluidsynth-wasm', {processorOptions: {wasm: await wasm}});
        await synthesizer;
        const synth = new JSSynth.AudioWorkletNodeSynthesizer();
        // (The worklet's FluidSynth takes its settings from createAudioNode;
        // those given to init stay on the page and go unheard.)
        const settings = {initialGain: this.mix.gain};
        synth.init(context.sampleRate, settings);
        const node = synth.createAudioNode(context, settings);
        const ceiling = new WaveShaperNode(context, {curve: CeilingCurve(this.mix.ceilingDb), oversample: 'none'});
        this.analyser = new AnalyserNode(context, {fftSize: 2048});
        node.connect(ceiling);
        ceiling.connect(this.analyser);
        this.analyser.connect(context.destination);
        await synth.loadSFont(await soundfont);
        this.synth = synth;
    }

    // The page is hidden or shown again: a tune that has started waits with
    // the show. (A context that no click has let run stays suspended.)
    suspend() {
        if (this.started && this.context !== null) this.context.suspend().catch(() => {});
    }
    resume() {
        if (this.started && this.context !== null) this.context.resume().catch(() => {});
    }
    // A tap, or the page shown again: a started tune whose context is not
    // running (interrupted by a call, or suspended) is resumed; a context
    // still interrupted refuses, and the next tap tries again.
    wake() {
        if (!this.started || this.context === null || document.hidden) return;
        if (this.context.state !== 'running') this.context.resume().catch(() => {});
    }

    // The output's level just now, in dBFS (RMS of the last 2048 samples).
    level() {
        if (this.analyser === null) return -Infinity;
        const samples = new Float32Array(this.analyser.fftSize);
        this.analyser.getFloatTimeDomainData(samples);
        let sum = 0;
        for (const s of samples) sum += s * s;
        return 10 * Math.log10(sum / samples.length);
    }
}
