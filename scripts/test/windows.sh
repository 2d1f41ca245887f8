#!/bin/sh
# Installs what is missing and cross-builds the show for Windows with warnings
# as errors: the 32-bit product into build-win/, checked without running it
# (PE32 GUI, Intel 80386, Windows' own DLLs only), and the same backend at 64
# bits into build-win64/. Then runs the core's and the backend's unit tests
# under Wine, and Project1.exe end to end under Wine in an Xvfb X server:
# the 32-bit build under 32-bit Wine where this machine runs 32-bit programs
# and wine32 can be installed, else the 64-bit build under 64-bit Wine
# (scripts/helpers/wine-path.sh decides, once for the test command). Only the
# build whose tests run builds them; the other builds its Project1.exe alone,
# checked the same way, but for a 32-bit one that the release's test builds
# and checks (SHOW_WIN32_CHECKED_BY_RELEASE=yes, as the test command says).
# Exits non-zero on any failure; stops its X server and wineserver.
set -eu
cd "$(dirname "$0")/../.."
root=$(pwd)
. scripts/helpers/probe-32bit.sh
. scripts/helpers/wine-path.sh

configure() {  # PRESET BUILD_DIR TESTED
    cmake --preset "$1"
    if [ "$3" = yes ]; then
        cmake --build "$2" -j2
    else
        cmake --build "$2" -j2 --target Project1
    fi
}
tested32=no
[ "$SHOW_WINE" = win32 ] && tested32=yes
tested64=yes
[ "$tested32" = yes ] && tested64=no
if [ "$tested32" = no ] && [ "${SHOW_WIN32_CHECKED_BY_RELEASE:-}" = yes ]; then
    # (the test command's release builds the same Project1.exe with warnings
    # as errors and checks its header in the zip: not built twice)
    echo "== Windows, 32 bits: the product is built and checked by the release's test"
else
    echo "== Windows, 32 bits: build-win/ (the product)"
    configure windows-tests build-win $tested32
    python3 tests/platform/win32/check_pe.py i686-w64-mingw32-objdump build-win/programs/windows/Project1.exe i386
fi
echo "== Windows, 64 bits: build-win64/"
configure windows64-tests build-win64 $tested64
python3 tests/platform/win32/check_pe.py x86_64-w64-mingw32-objdump build-win64/programs/windows/Project1.exe x86-64

# A private prefix; no downloads, no dialogs, no debug chatter.
if [ "$SHOW_WINE" = win32 ]; then
    build="$root/build-win"
    tests=windows-tests
    export WINE=wine WINEARCH=win32
    echo "== Windows tests: 32-bit Project1.exe and tests under 32-bit Wine"
else
    build="$root/build-win64"
    tests=windows64-tests
    # NOTE: /usr/bin/wine would take 32-bit Wine wherever it is installed, so
    # the 64-bit loader is named: where the wine64 package put it.
    loader=""
    for file in $(dpkg-query -L wine64 2>/dev/null | grep '/wine64$') $(command -v wine64); do
        if [ -f "$file" ] && [ -x "$file" ]; then loader=$file && break; fi
    done
    [ -n "$loader" ] || { echo "test-windows: no 64-bit Wine loader (wine64) found" >&2; exit 1; }
    export WINE="$loader" WINELOADER="$loader" WINEARCH=win64
    echo "== Windows tests: 64-bit Project1.exe and tests under 64-bit Wine ($loader)" \
        "($SHOW_WINE_WHY)"
fi
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

. scripts/helpers/xvfb.sh
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    stop_xvfbs
}
trap cleanup EXIT
trap 'exit 1' INT TERM
start_xvfb
export DISPLAY="$display"
xdpyinfo >/dev/null || { echo "test-windows: no X server on $DISPLAY" >&2; exit 1; }

# NOTE: the prefix's services outlive the first Wine program and would keep
# its output pipe open, so they are started once here, on no pipe.
wineserver -p >/dev/null 2>&1 </dev/null || true
"$WINE" wineboot -i >"$build/wineboot.log" 2>&1 </dev/null
"$WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true

# A test that fails fails, but for one failure of Wine's own: under a loaded
# machine a test program has lost its connection to the wineserver ("wine
# client error: recvmsg: Connection reset by peer"). Where each failed test's
# output says so, those tests run once more, said in a line "=== rerun: ...".
if ! ctest --preset "$tests" -j2 --output-junit "$build/ctest.xml"; then
    failed=$(python3 - "$build/ctest.xml" <<'PYTHON'
import sys
import xml.etree.ElementTree as tree

signature = "recvmsg: Connection reset by peer"
failed = [case for case in tree.parse(sys.argv[1]).iter("testcase")
          if case.get("status") == "fail" or case.find("failure") is not None]
if failed and all(signature in (case.findtext("system-out") or "") for case in failed):
    print(" ".join(case.get("name") for case in failed))
PYTHON
)
    [ -n "$failed" ] || exit 1
    echo "=== rerun: windows $failed: Wine lost its wineserver (\"recvmsg: Connection reset by peer\")"
    ctest --preset "$tests" --rerun-failed --output-on-failure
fi
# The window's values as this build makes them, for the end-to-end run.
"$WINE" "$build/tools/form_values.exe" "$build/window.json" </dev/null
/usr/bin/python3 tests/platform/win32/e2e_test.py "$build/programs/windows/Project1.exe" \
    "$build/tests/platform/win32/win_probe.exe" "$build/tools/default_data.exe" \
    "$build/e2e" "$build/window.json"
