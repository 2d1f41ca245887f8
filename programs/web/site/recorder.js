// "Save the show as a video": what the page plays, picture and tune, recorded
// with MediaRecorder from the canvas's stream and the tune's audio graph into
// a WebM file (VP9, else VP8) or, where the browser records no WebM, an MP4
// file, offered for download once the show has passed its last step, or when
// the person stops the recording. A browser that records neither gets the
// button disabled, and the line beside it says why.
'use strict';

(function () {
    const kTypes = ['video/webm;codecs=vp9,opus', 'video/webm;codecs=vp8,opus', 'video/webm',
                    'video/mp4;codecs=avc1,mp4a.40.2', 'video/mp4'];
    // The recorder hands over what it has every second, so a long show does
    // not wait in one piece.
    const kSliceMs = 1000;

    const button = document.getElementById('record');
    const note = document.getElementById('recorded');
    const canvas = document.getElementById('picture');
    // The show's last step, as the site's build wrote it from the program.
    const kLastStep = Number(canvas.dataset.lastStep);
    const show = window.flickerShow;
    let recorder = null;
    let watch = null;
    let link = null;

    function Offer(blob) {
        if (link !== null) URL.revokeObjectURL(link.href);
        link = document.createElement('a');
        link.href = URL.createObjectURL(blob);
        // Named after what was recorded.
        link.download = blob.type.startsWith('video/mp4') ? 'flicker-show.mp4' : 'flicker-show.webm';
        link.textContent = `Download the video (${(blob.size / 1e6).toFixed(1)} MB)`;
        note.replaceChildren(link);
    }

    async function Start() {
        const stream = canvas.captureStream();
        // The tune's graph is readied once the picture is painted; without
        // it (no synthesizer) the video is silent.
        if (await show.musicReady()) {
            const output = show.output();
            const out = output.context.createMediaStreamDestination();
            output.connect(out);
            for (const track of out.stream.getAudioTracks()) stream.addTrack(track);
        }
        recorder = new MediaRecorder(stream, {mimeType: RecordedType()});
        const chunks = [];
        recorder.addEventListener('dataavailable', (event) => chunks.push(event.data));
        recorder.addEventListener('stop', () => {
            for (const track of stream.getTracks()) track.stop();
            Offer(new Blob(chunks, {type: recorder.mimeType || RecordedType()}));
            recorder = null;
            button.textContent = 'Save the show as a video';
        });
        recorder.start(kSliceMs);
        button.textContent = 'Stop and save the video';
        note.textContent = 'Recording: click the picture to start the show.';
        // The file is offered a second after the last step, when the
        // recording saw it come; a show already over is stopped by hand.
        if (show.ticks().handled[0] < kLastStep) {
            watch = setInterval(() => {
                if (show.ticks().handled[0] < kLastStep) return;
                clearInterval(watch);
                watch = setTimeout(Stop, kSliceMs);
            }, 250);
        }
    }

    function Stop() {
        clearInterval(watch);
        clearTimeout(watch);
        watch = null;
        if (recorder !== null && recorder.state !== 'inactive') recorder.stop();
    }

    let starting = false;
    button.addEventListener('click', () => {
        if (starting) return;
        if (recorder !== null) {
            Stop();
            return;
        }
        starting = true;
        Start()
            .catch((e) => {
                recorder = null;
                note.textContent = 'This browser cannot record the page: ' + e.message;
            })
            .finally(() => {
                starting = false;
            });
    });
    // The first type the browser records; undefined where none.
    function RecordedType() {
        if (typeof MediaRecorder === 'undefined' || typeof canvas.captureStream !== 'function') return undefined;
        return kTypes.find((t) => MediaRecorder.isTypeSupported(t));
    }

    if (RecordedType() === undefined) {
        button.disabled = true;
        note.textContent = typeof MediaRecorder === 'undefined' || typeof canvas.captureStream !== 'function' ?
            'This browser cannot record the page.' :
            'This browser records neither WebM nor MP4 video.';
    }
})();
