#!/usr/bin/env python3
"""replay --video against the show: the file decoded with FFmpeg's command-line
tools, its frames against replay's trace and frames, its sound measured.

usage: video_test.py --replay REPLAY --default-data DEFAULT_DATA [--keep DIR]
Prints one line a check and the figures; exit status 1 when any check fails.
"""
import argparse
import json
import math
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from e2e import Checks, run  # noqa: E402

SIDE = 400
TICK_MS = 30
IDLE_MS = 300
STEP_MS = 3000
# A click off time 0, so that the idle flicker's frames come first.
CLICK_MS = 900
# Past step 34 (the 600 ms flicker) by a few of its frames.
UNTIL_MS = CLICK_MS + 34 * STEP_MS + 2000
# Steps whose schedule entry leaves the picture as it was: replay's frame
# after the step is the area after the tick before it. Clean picture (9),
# negative (11, 27-30), black (33), the slow flicker's start (34).
QUIET_STEPS = [9, 11, 27, 28, 29, 30, 33, 34]
MIN_PSNR_DB = 35.0
LOUDNESS_LUFS = (-20.0, -14.0)
# The tune's first note sounds at once.
ONSET_DBFS = -50.0

# Each check says its figure.
checks = Checks(details=True)
check = checks.check


def frame_times(trace):
    """The times at which replay's trace says the area was repainted."""
    times = []
    for line in trace.splitlines():
        words = line.split()
        if len(words) >= 6 and words[1] in ("FormCreate", "Image1Click", "Timer1Timer",
                                            "Timer2Timer"):
            ms = int(words[0])
            if (int(words[4]) > 0 or words[1] == "FormCreate") and (not times or times[-1] != ms):
                times.append(ms)
    return times


def pixels_of(path, pix_fmt, select=None):
    """Decoded pixels, converted as the video writer converts its frames."""
    command = ["ffmpeg", "-v", "error", "-i", path]
    if select is not None:
        command += ["-vf", select, "-vsync", "passthrough"]
    command += ["-sws_flags", "bicubic+accurate_rnd", "-f", "rawvideo", "-pix_fmt", pix_fmt, "-"]
    return run(*command)


def psnr(a, b):
    squares = sum((x - y) * (x - y) for x, y in zip(a, b))
    if squares == 0:
        return math.inf
    return 10 * math.log10(255 * 255 * len(a) / squares)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--replay", required=True)
    parser.add_argument("--default-data", required=True)
    parser.add_argument("--keep", help="a directory to work in and leave behind")
    args = parser.parse_args()
    work = args.keep or tempfile.mkdtemp(prefix="video-test-")
    os.makedirs(work, exist_ok=True)
    os.chdir(work)
    run(args.default_data, ".")
    show = ["--click", str(CLICK_MS), "--until", str(UNTIL_MS)]

    # Usage and an unwritable path: nothing left behind.
    bad = subprocess.run([args.replay, "--video"], capture_output=True, text=True)
    check("--video without a file is bad usage", bad.returncode == 2, bad.stderr.strip())
    unwritable = os.path.join("missing-dir", "show.webm")
    r = subprocess.run([args.replay, "--until", "600", "--video", unwritable],
                       capture_output=True, text=True)
    check("an unwritable path is exit status 1 with its reason",
          r.returncode == 1 and "cannot write the video" in r.stderr and not r.stdout,
          r.stderr.strip())
    check("and leaves no file", not os.path.exists(unwritable))
    # Stopped on the way: the part written so far is removed.
    stopped = subprocess.Popen([args.replay, "--click", "0", "--video", "stopped.webm"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline and not (os.path.exists("stopped.webm") and
                                               os.path.getsize("stopped.webm") > 0):
        time.sleep(0.05)
    stopped.send_signal(signal.SIGTERM)
    stopped.wait()
    check("a video stopped on the way is removed",
          stopped.returncode == -signal.SIGTERM and not os.path.exists("stopped.webm"),
          f"exit {stopped.returncode}")

    trace = run(args.replay, *show, "--video", "show.webm").decode()
    run(args.replay, *show, "--frames", "frames")
    expected = frame_times(trace)

    streams = json.loads(run("ffprobe", "-v", "error", "-show_streams", "-of", "json",
                             "show.webm"))["streams"]
    names = sorted(s["codec_name"] for s in streams)
    check("one VP9 and one Opus track", names == ["opus", "vp9"], str(names))
    audio = next(s for s in streams if s["codec_name"] == "opus")
    video = next(s for s in streams if s["codec_name"] == "vp9")
    check("the picture is 400 x 400", (video["width"], video["height"]) == (SIDE, SIDE))
    check("the sound is at 48 kHz", audio["sample_rate"] == "48000", audio["sample_rate"])

    # Every frame at its time in the show, and at no other.
    pts = run("ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
              "frame=pts", "-of", "csv=p=0", "show.webm").decode().split()
    pts = [int(p) for p in pts]
    start = pts[0]
    got = [p - start for p in pts]
    check("a frame for every repaint, at its time", got == expected,
          f"{len(got)} frames, {len(expected)} repaints")
    before = [b - a for a, b in zip(got, got[1:]) if b <= CLICK_MS]
    during = [b - a for a, b in zip(got, got[1:]) if CLICK_MS < a and b <= CLICK_MS + 34 * STEP_MS]
    check("300 ms apart before the click", before and set(before) == {IDLE_MS}, str(set(before)))
    check("30 ms apart after it", during and set(during) == {TICK_MS}, str(set(during)))

    # The picture at the quiet steps, against replay's frames.
    index = {ms: i for i, ms in enumerate(got)}
    wanted = []
    for step in QUIET_STEPS:
        at = CLICK_MS + step * STEP_MS
        name = next(f for f in os.listdir("frames") if f"{at:010d}ms-step{step:04d}" in f)
        wanted.append((step, index[at - TICK_MS], os.path.join("frames", name)))
    select = "select='" + "+".join(f"eq(n,{i})" for _, i, _ in wanted) + "'"
    # The codec's error is measured on what it codes, 4:2:0 Y'CbCr; the
    # error in RGB adds what the halved colour resolution loses.
    figures = {}
    for pix_fmt, size in (("yuv420p", SIDE * SIDE * 3 // 2), ("rgb24", SIDE * SIDE * 3)):
        decoded = pixels_of("show.webm", pix_fmt, select)
        check(f"the quiet steps' frames decode ({pix_fmt})", len(decoded) == size * len(wanted))
        figures[pix_fmt] = [psnr(decoded[k * size:(k + 1) * size], pixels_of(bmp, pix_fmt))
                            for k, (_, _, bmp) in enumerate(wanted)]
    for (step, _, _), value, rgb in zip(wanted, figures["yuv420p"], figures["rgb24"]):
        check(f"step {step} at >= {MIN_PSNR_DB} dB", value >= MIN_PSNR_DB,
              f"{value:.1f} dB (RGB {rgb:.1f} dB)")

    # The sound: level, and the tune's start at the click.
    loud = subprocess.run(["ffmpeg", "-nostats", "-i", "show.webm", "-map", "0:a", "-af",
                           "ebur128", "-f", "null", "-"], check=True, capture_output=True)
    loud = loud.stderr.decode()
    lufs = float(re.findall(r"I:\s+(-?[\d.]+) LUFS", loud)[-1])
    check("loudness within -20...-14 LUFS", LOUDNESS_LUFS[0] <= lufs <= LOUDNESS_LUFS[1],
          f"{lufs:.1f} LUFS")
    pcm = run("ffmpeg", "-v", "error", "-i", "show.webm", "-map", "0:a", "-ac", "1",
              "-f", "s16le", "-")
    threshold = 32768 * 10 ** (ONSET_DBFS / 20)
    first = next(i for i in range(0, len(pcm), 2)
                 if abs(int.from_bytes(pcm[i:i + 2], "little", signed=True)) > threshold) // 2
    # Both tracks' first decoded times, the encoder's delay of the sound taken
    # off by the decoder.
    starts = {}
    for line in run("ffprobe", "-v", "error", "-show_entries", "frame=media_type,pts_time",
                    "-read_intervals", "%+0.1", "-of", "csv=p=0",
                    "show.webm").decode().split():
        kind, at = line.split(",")[:2]
        starts.setdefault(kind, float(at) * 1000)
    onset = starts["audio"] + first * 1000 / 48000 - starts["video"]
    check("the tune starts within a tick of the click", abs(onset - CLICK_MS) <= TICK_MS,
          f"at {onset:.1f} ms, the click at {CLICK_MS} ms")

    finite = [v for v in figures["yuv420p"] if v != math.inf]
    print(f"figures: PSNR at the quiet steps {min(finite):.1f}-{max(finite):.1f} dB; "
          f"loudness {lufs:.1f} LUFS; tune onset {onset - CLICK_MS:.1f} ms after the click; "
          f"{len(got)} frames")
    return checks.status()


if __name__ == "__main__":
    sys.exit(main())
