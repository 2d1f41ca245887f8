#!/bin/sh
# Installs what is missing, builds with warnings as errors, and runs every test.
# The parts run side by side where they can: much of their time is spent
# waiting in real time (full shows, Wine, Chromium) while another part
# compiles. Each part's output goes to build-logs/PART.log; its time is printed
# when it ends, and a failing part's log is shown.
set -eu
cd "$(dirname "$0")"
started=$(date +%s)
# What every part needs, installed before the parts start, and the 32-bit and
# Windows paths decided once for all of them; one line says each and why.
. scripts/helpers/install-all.sh

logs=build-logs
rm -rf "$logs"
mkdir -p "$logs"
# Runs a part with its output in its log; prints its time, or the end of its
# log and "FAILED". Its status is left in $logs/NAME.status.
part() {  # NAME SCRIPT
    part_start=$(date +%s)
    status=0
    sh "$2" >"$logs/$1.log" 2>&1 || status=$?
    echo "$status" >"$logs/$1.status"
    if [ "$status" -eq 0 ]; then
        echo "=== $1: passed in $(($(date +%s) - part_start)) s"
    else
        sed "s/^/$1| /" "$logs/$1.log" | tail -n 150
        echo "=== $1: FAILED (exit status $status) after $(($(date +%s) - part_start)) s;" \
            "the whole log is $logs/$1.log"
    fi
    return "$status"
}
lane_pids=""
trap 'kill $lane_pids 2>/dev/null || true' INT TERM
# The web page's npm packages, once: two parts build the page.
(cd programs/web && npm ci --no-audit --no-fund >/dev/null)

# The layers' includes, first: a wrong one fails at once.
sh scripts/check-layers.sh
echo "=== five lanes side by side: desktop; Windows then 32-bit core; web build then web; release then pictures; measuring"
# The core, the tools, the benchmarks and the desktop program, with every
# test of theirs, real windows on private Xvfb displays.
tools_status="$logs/desktop tools.status"
build_status="$logs/desktop build.status"
(SHOW_DESKTOP_TOOLS_STATUS="$tools_status" SHOW_DESKTOP_BUILD_STATUS="$build_status" \
    part desktop scripts/test/desktop.sh || true) &
lane_pids="$lane_pids $!"
# Project1.exe cross-built at 64 bits, and at 32 bits where 32-bit Wine runs
# it (elsewhere the release's build of it is the one checked); the core's and
# the backend's tests and Project1.exe end to end under 32-bit Wine, or under
# 64-bit Wine in its 64-bit build where 32-bit Wine cannot run, on Xvfb; then
# the portable core built for 32 bits, run natively or under qemu-i386.
(SHOW_WIN32_CHECKED_BY_RELEASE=yes part Windows scripts/test/windows.sh || true
    part "32-bit core" scripts/test/core32.sh || true) &
lane_pids="$lane_pids $!"
# The web page: the core compiled with Emscripten, the page's clock under
# node, and the page in Chromium on 127.0.0.1, one test a full show, then in
# Chromium, Firefox ESR and WebKitGTK side by side, each into a null sink.
# The page is built first, as a part of its own: the release packs that
# build rather than making its own.
# Its tools for this machine (the default data's writer, replay) are the
# desktop lane's, built there first.
(if SHOW_WEB_HOST_BUILD=build-desktop SHOW_WEB_HOST_STATUS="$tools_status" part "web build" scripts/build-web.sh; then
    SHOW_WEB_BUILT=yes part web scripts/test/web.sh || true
fi) &
lane_pids="$lane_pids $!"
# The release artefacts from scripts/package.sh, the desktop program and
# Project1.exe in builds of their own, the page packed from the web lane's
# build once that is made; each checked where a user meets it: the .deb installed into an empty Debian of
# this machine's release and removed again, the Windows zip under Wine, the
# web bundle in Chromium. Then every test under the address and
# undefined-behaviour sanitizers (the bitmap conformance suite among them),
# and half a minute of fuzzing the loader and the tune reader, side by side, in that build.
(SHOW_WEB_BUILD_STATUS="$logs/web build.status" part release scripts/test/release.sh || true
    part pictures scripts/test/pictures.sh || true) &
lane_pids="$lane_pids $!"
# Every measuring script in a short run that makes one real measurement, once
# the desktop build and the page are made: beside the lanes, as it spends its
# time waiting for the show's steps.
(SHOW_DESKTOP_BUILD_STATUS="$build_status" SHOW_WEB_BUILD_STATUS="$logs/web build.status" \
    part measuring scripts/test/measuring.sh || true) &
lane_pids="$lane_pids $!"
wait

failed=""
for name in desktop "32-bit core" Windows "web build" web pictures release measuring; do
    if [ "$(cat "$logs/$name.status" 2>/dev/null || echo missing)" != 0 ]; then
        failed="$failed $name"
    fi
done
# A part runs a test again only after a failure outside the show that it
# recognises by its own words in the log (a browser's or Wine's crash), and
# says so in a line of its own: each is counted and shown here.
reruns=$(cat "$logs"/*.log | grep -c '^=== rerun: ' || true)
if [ "$reruns" -gt 0 ]; then
    echo "=== $reruns test(s) run again after a recognised outside failure:"
    grep -h '^=== rerun: ' "$logs"/*.log
fi
# A value a test could not measure through an outside program's fault is
# said "NOT MEASURED" with the evidence: never passed, each shown here.
unmeasured=$(cat "$logs"/*.log | grep -c 'NOT MEASURED: ' || true)
if [ "$unmeasured" -gt 0 ]; then
    echo "=== $unmeasured value(s) not measured, neither passed nor failed:"
    grep -h 'NOT MEASURED: ' "$logs"/*.log | cut -c1-300
fi
if [ "$SHOW_32BIT_PROGRAMS" = native ]; then
    core32="32-bit core run natively"
else
    core32="32-bit core run under qemu-i386"
fi
wine=$(wine_path_said)
if [ -n "$failed" ]; then
    echo "=== FAILED:$failed, after $(($(date +%s) - started)) s; $core32; $wine;" \
        "$reruns rerun(s); $unmeasured not measured"
    exit 1
fi
passed="all passed"
[ "$unmeasured" -gt 0 ] && passed="passed but for $unmeasured value(s) not measured"
echo "=== $passed in $(($(date +%s) - started)) s; $core32; $wine; $reruns rerun(s)"
