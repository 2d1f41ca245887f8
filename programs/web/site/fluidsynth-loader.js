// Put before FluidSynth's script (libfluidsynth-*.js) in the AudioWorklet by
// scripts/helpers/assemble-site.py. The script comes without its WebAssembly,
// which the page fetches as a file of its own and hands over with the first
// processor of this loader; FluidSynth's script waits for it, and
// js-synthesizer's processor for FluidSynth.
var Module = (() => {
    let pending = null;
    let wasm = null;
    const Instantiate = () => {
        if (pending === null || wasm === null) return;
        const {imports, receive} = pending;
        pending = null;
        WebAssembly.instantiate(wasm, imports).then((result) => receive(result.instance, result.module));
    };
    registerProcessor('fluidsynth-wasm', class extends AudioWorkletProcessor {
        constructor(options) {
            super();
            if (wasm === null) wasm = options.processorOptions.wasm;
            Instantiate();
        }
        process() {
            return false;
        }
    });
    return {
        instantiateWasm(imports, receive) {
            pending = {imports, receive};
            Instantiate();
            return {};
        },
    };
})();
