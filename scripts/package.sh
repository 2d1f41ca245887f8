#!/bin/sh
# Builds every release artefact into dist/, with dist/SHA256SUMS:
#   flicker-show_VERSION_amd64.deb       the desktop program for this machine's Debian
#                                        release (built on Debian 12: for 12 and 13)
#   flicker-show-VERSION-windows.zip     Project1.exe, its "[]" folder, README.txt
#   flicker-show-VERSION-web.zip         the web page, for any static web host
# Installs what is missing first. The same source gives the same bytes: every
# time stamp is SOURCE_DATE_EPOCH (by default the last commit's time).
#
# usage: sh scripts/package.sh [--pack-only]
#   --pack-only  only the packing, from the builds an earlier run made
# SHOW_PACKAGE_WEB_BUILD names a web build that scripts/build-web.sh makes from
# this source (its site/ and host/); the page is packed from it, not built.
# Where that build is still running, SHOW_PACKAGE_WEB_STATUS names the file its
# exit status will be written to: packing waits for it (the test command).
set -eu
cd "$(dirname "$0")/.."
usage="usage: sh scripts/package.sh [--pack-only]"
pack_only=no
case "${1:-}" in
    "") ;;
    --pack-only) pack_only=yes ;;
    -h | --help)
        echo "$usage"
        echo "  --pack-only  only the packing, from the builds an earlier run made"
        exit 0
        ;;
    *)
        echo "$usage" >&2
        exit 2
        ;;
esac
[ $# -le 1 ] || { echo "$usage" >&2; exit 2; }
web_build=${SHOW_PACKAGE_WEB_BUILD:-build-release/web}
sh scripts/helpers/install-deps.sh $(grep -hv '^#' scripts/packages/build.txt scripts/packages/desktop.txt \
    scripts/packages/release.txt)
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
fi
export SOURCE_DATE_EPOCH
src=$(pwd)
# Debian's own flags: hardening, and paths in the program that name the source
# tree as ".", wherever it was cloned.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Their -g is left out: the package's programs are stripped, so debug
# information would only cost a quarter of the build's time.
cxxflags=$(echo "$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" |
    sed 's/\(^\| \)-g\( \|$\)/ /')
ldflags=$(dpkg-buildflags --get LDFLAGS)

if [ "$pack_only" = no ]; then
    echo "--- the desktop program (build-release/)"
    cmake --preset release -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
        >/dev/null
    cmake --build build-release -j2

    # The Windows and web builds in folders of the release's own: the tests'
    # builds may be in use meanwhile.
    echo "--- Project1.exe (build-release/win/)"
    # (stripped when packed: built with the optimiser's flags alone, and
    # warnings as errors like the desktop program's)
    SHOW_WIN_BUILD=build-release/win sh scripts/build-windows.sh \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DSHOW_WARNINGS_AS_ERRORS=ON >/dev/null
    if [ -n "${SHOW_PACKAGE_WEB_BUILD:-}" ]; then
        if [ -n "${SHOW_PACKAGE_WEB_STATUS:-}" ]; then
            . scripts/helpers/status-file.sh
            wait_for_status "$SHOW_PACKAGE_WEB_STATUS" "the web page's build" ||
                { echo "package.sh: no web page to pack" >&2; exit 1; }
        fi
        echo "--- the web page: $web_build/site/, as built"
    else
        echo "--- the web page (build-release/web/site/)"
        SHOW_WEB_BUILD=build-release/web sh scripts/build-web.sh >/dev/null
    fi
fi
for made in build-release/tools/replay build-release/win/programs/windows/Project1.exe "$web_build/site/index.html"; do
    [ -f "$made" ] || { echo "package.sh: $made is missing: run it without --pack-only" >&2; exit 1; }
done
version=$(build-release/tools/replay --version | sed 's/^replay //')

rm -rf dist
mkdir -p dist
(cd build-release && cpack -G DEB -B "$src/dist/cpack" >/dev/null)
mv "dist/cpack/flicker-show_${version}_amd64.deb" dist/
rm -rf dist/cpack

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT INT TERM
win=$stage/windows
mkdir -p "$win"
i686-w64-mingw32-strip -o "$win/Project1.exe" build-release/win/programs/windows/Project1.exe
cp -r "build-release/run/[]" "$win/"
sed "s/@VERSION@/$version/" packaging/README-windows.txt | sed 's/$/\r/' >"$win/README.txt"
python3 scripts/helpers/make-zip.py "$win" "flicker-show-$version-windows" \
    "dist/flicker-show-$version-windows.zip"
python3 scripts/helpers/make-zip.py "$web_build/site" "flicker-show-$version-web" \
    "dist/flicker-show-$version-web.zip"

(cd dist && sha256sum -- *.deb *.zip >SHA256SUMS)
echo "Built into dist/ (version $version, SOURCE_DATE_EPOCH $SOURCE_DATE_EPOCH):"
(cd dist && ls -l -- *.deb *.zip SHA256SUMS)
