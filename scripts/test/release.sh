#!/bin/sh
# Makes the release artefacts (scripts/package.sh) and checks each where a
# user would meet it:
#   - the .deb: lintian without errors; its AppStream metadata valid
#     (appstreamcli); installed with apt-get into an empty Debian of the
#     release this machine runs, the one it was built for
#     (debootstrap, in build-release-test/root), its launcher
#     started there on a private Xvfb display from a folder without "[]" and
#     from one with its own picture; then removed, leaving nothing behind;
#   - the Windows zip: its exact file list, and its Project1.exe under 32-bit
#     Wine with the picture on screen (where 32-bit Wine cannot run here:
#     its PE header instead, and it says why);
#   - the web bundle: unpacked and served on 127.0.0.1, the canvas in headless
#     Chromium;
#   - packing again gives the same bytes.
# Needs root (debootstrap, chroot).
set -eu
cd "$(dirname "$0")/../.."
repo=$(pwd)
[ "$(id -u)" -eq 0 ] || { echo "test-release: needs root" >&2; exit 1; }
. scripts/helpers/probe-32bit.sh
. scripts/helpers/wine-path.sh
sh scripts/helpers/install-deps.sh $(grep -hv '^#' scripts/packages/release-tests.txt)
step() {
    echo "== $*: passed in $(($(date +%s) - step_start)) s"
    step_start=$(date +%s)
}
step_start=$(date +%s)

# The empty Debian is made while the artefacts build: the one waits on the
# network, the other on the processor. It is of this machine's release: the
# .deb depends on the libraries' versions it was built against.
work=$repo/build-release-test
root=$work/root
. scripts/helpers/debian-root.sh
suite=$(debian_root_host_suite)
debian_root_prepare "$root" "$work"
debian_root_create "$root" "$work/debootstrap.log" "$suite" >"$work/debootstrap.out" 2>&1 &
debootstrap_pid=$!

# Under the test command the page is packed from the web lane's build, once
# that part has ended: the same source makes the same site.
web_build=build-release/web
if [ -n "${SHOW_WEB_BUILD_STATUS:-}" ]; then
    web_build=build-web
    export SHOW_PACKAGE_WEB_BUILD=$web_build SHOW_PACKAGE_WEB_STATUS="$SHOW_WEB_BUILD_STATUS"
fi
sh scripts/package.sh
version=$(build-release/tools/replay --version | sed 's/^replay //')
deb=dist/flicker-show_${version}_amd64.deb
winzip=dist/flicker-show-$version-windows.zip
webzip=dist/flicker-show-$version-web.zip
(cd dist && sha256sum -c --quiet SHA256SUMS)
step "package.sh (version $version)"

# The archives again from the same builds: the same bytes.
cp dist/SHA256SUMS "$repo/build-release/SHA256SUMS.first"
sh scripts/package.sh --pack-only >/dev/null
cmp dist/SHA256SUMS build-release/SHA256SUMS.first ||
    { echo "test-release: packing again gave other bytes" >&2; exit 1; }
step "packing again: the same bytes"

lintian --fail-on error "$deb"
step "lintian: no errors"
python3 tests/release/release_test.py appstream "$deb"
step "the AppStream metadata"

echo "== the .deb in an empty Debian $suite (debootstrap), this machine's release"
wait "$debootstrap_pid" || { cat "$work/debootstrap.out" >&2; exit 1; }
debian_root_mount "$root"
python3 tests/release/release_test.py deb "$root" "$deb"
debian_root_unmount "$root"
step "the .deb installed, started and removed"

if [ "$SHOW_WINE" = win32 ]; then
    export WINE=wine WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    # A prefix of its own: the Windows tests may be using theirs. It is made
    # first, and its session ended, so that the run starts a new one on its
    # own X display.
    export WINEPREFIX="$work/wineprefix"
    "$WINE" wineboot -i >"$work/wineboot.log" 2>&1 </dev/null
    wineserver -w
    python3 tests/release/release_test.py zip "$winzip" --run
    step "the Windows zip: its files, and Project1.exe under Wine"
else
    python3 tests/release/release_test.py zip "$winzip"
    unzip -q -o "$winzip" "*/Project1.exe" -d "$work/zip"
    python3 tests/platform/win32/check_pe.py i686-w64-mingw32-objdump \
        "$work"/zip/*/Project1.exe i386
    step "the Windows zip: its files and its PE header (not run: $SHOW_WINE_WHY)"
fi

rm -rf "$work/web"
mkdir -p "$work/web"
unzip -q "$webzip" -d "$work/web"
SHOW_WEB_SITE=$(echo "$work"/web/*) SHOW_WINDOW_JSON=$web_build/host/window.json \
    node --test --test-name-pattern="default picture stretched" tests/platform/web/page.test.mjs
step "the web bundle: the canvas in Chromium"
