#!/bin/sh
# Installs what is missing, cross-builds the show for 32-bit Windows into
# build-win/ with warnings as errors, runs the core's and the backend's unit
# tests under Wine, then runs Project1.exe end to end under Wine in an Xvfb
# X server. Exits non-zero on any failure; stops its X server and wineserver.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build="$root/build-win"

# wine32 needs the i386 architecture before its package can be found.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -q
fi
sh scripts/install-deps.sh $(grep -v '^#' scripts/packages-windows.txt)

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
    -DSHOW_BUILD_TOOLS=OFF -DSHOW_BUILD_TESTS=ON -DSHOW_GTEST_FROM_SOURCE=ON \
    -DSHOW_WARNINGS_AS_ERRORS=ON -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST
cmake --build "$build" -j2

# A private prefix; no downloads, no dialogs, no debug chatter.
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# The X server picks a free display itself and tells which.
rm -f "$build/xvfb.display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$build/xvfb.display" \
    >"$build/xvfb.log" 2>&1 &
xvfb_pid=$!
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 1' INT TERM
for _ in $(seq 1 100); do
    [ -s "$build/xvfb.display" ] && break
    sleep 0.1
done
[ -s "$build/xvfb.display" ] || { echo "test-windows: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$build/xvfb.display")"
xdpyinfo >/dev/null || { echo "test-windows: no X server on $DISPLAY" >&2; exit 1; }

# NOTE: the prefix's services outlive the first Wine program and would keep
# its output pipe open, so they are started once here, on no pipe.
wineserver -p >/dev/null 2>&1 </dev/null || true
wineboot -i >"$build/wineboot.log" 2>&1 </dev/null
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

ctest --test-dir "$build" --output-on-failure -j2
/usr/bin/python3 tests/windows/e2e_test.py "$build/platform/win32/Project1.exe" \
    "$build/tests/windows/win_probe.exe" "$build/tests/windows/win_default_data.exe" \
    "$build/e2e"
