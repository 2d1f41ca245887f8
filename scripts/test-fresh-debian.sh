#!/bin/sh
# Runs the two commands a new user runs, as on an empty Debian: makes a
# minimal Debian of the chosen release (debootstrap) in build-fresh/SUITE/root
# with only git and make added, clones this repository's committed HEAD into
# it with ../shared beside it, and runs ./test.sh inside as root, which must
# install the rest itself; then ./run.sh on a private Xvfb display, which must
# open the show's window. Needs root.
#
# Unless --no-faults is given, the empty Debian's apt is given the faults a
# user's machine has on a bad day, and both commands must pass through them:
#   - a source that cannot be reached (127.0.0.2, port 9);
#   - a source whose list does not match its Release file, as a mirror in the
#     middle of a sync: a tiny repository served on 127.0.0.1 whose Release
#     names its Packages file with another size and hash (apt-get update
#     then exits 100);
#   - wine32 pinned away (priority -1), as when the i386 lists lag the
#     machine's own: the Windows tests must take 64-bit Wine and say why.
# With --install-only, only what the test command and ./run.sh install is
# installed (and the 32-bit path taken as given by SHOW_32BIT_PROGRAMS, so
# that a machine that refuses 32-bit programs can try the wine32 path too).
# With --run-only, ./run.sh alone: it must open the window having installed
# nothing by name beyond scripts/packages/desktop.txt and built no test and
# no tool. SHOW_FORCE_NO_32BIT passes through. Prints each part's time and the whole;
# the logs are build-fresh/SUITE/*.log. Each release has its own folder, so the
# two can run side by side.
set -eu
cd "$(dirname "$0")/.."
repo=$(pwd)
usage="usage: sh scripts/test-fresh-debian.sh [--suite bookworm|trixie] [--no-faults] [--install-only | --run-only]"
suite=bookworm
faults=yes
install_only=no
run_only=no
while [ $# -gt 0 ]; do
    case "$1" in
        -h | --help)
            echo "$usage"
            echo "  --suite SUITE   the Debian release to test on: bookworm (Debian 12, the"
            echo "                  default) or trixie (Debian 13)"
            echo "  --no-faults     apt's sources as an empty Debian has them, all answering"
            echo "  --install-only  only the installs of ./test.sh and ./run.sh, no build or test"
            echo "  --run-only      ./run.sh alone: it may install only the desktop program's"
            echo "                  packages and build no test or tool"
            exit 0
            ;;
        --suite)
            [ $# -ge 2 ] || { echo "$usage" >&2; exit 2; }
            suite=$2
            shift 2
            ;;
        --suite=*)
            suite=${1#--suite=}
            shift
            ;;
        --no-faults) faults=no && shift ;;
        --install-only) install_only=yes && shift ;;
        --run-only) run_only=yes && shift ;;
        *)
            echo "$usage" >&2
            exit 2
            ;;
    esac
done
case "$suite" in
    bookworm) name="Debian 12" ;;
    trixie) name="Debian 13" ;;
    *)
        echo "test-fresh-debian: unknown release '$suite'" >&2
        echo "$usage" >&2
        exit 2
        ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "test-fresh-debian: needs root" >&2; exit 1; }
sh scripts/helpers/install-deps.sh debootstrap git python3 xvfb xdotool

fresh="$repo/build-fresh/$suite"
root="$fresh/root"
. scripts/helpers/debian-root.sh
. scripts/helpers/xvfb.sh
debian_root_prepare "$root" "$fresh"
server_pid=""
trap 'kill $server_pid 2>/dev/null || true; stop_xvfbs; debian_root_unmount "$root"' EXIT

echo "== debootstrap: minimal $name ($suite) with git and make"
debian_root_create "$root" "$fresh/debootstrap.log" "$suite" git,make,ca-certificates
debian_root_mount "$root"

if [ "$faults" = yes ]; then
    # The mid-sync repository: its Release names a Packages file of other
    # bytes than the one it serves.
    mirror="$fresh/mid-sync"
    mkdir -p "$mirror"
    printf 'Package: mid-sync-example\nVersion: 1\nArchitecture: all\n' >"$mirror/Packages"
    printf 'Package: mid-sync-example\nVersion: 2\nArchitecture: all\nDescription: newer\n' \
        >"$fresh/Packages.announced"
    {
        echo "Origin: mid-sync"
        echo "Label: mid-sync"
        echo "Suite: stable"
        echo "Codename: stable"
        echo "Date: $(LC_ALL=C date -u '+%a, %d %b %Y %H:%M:%S UTC')"
        echo "SHA256:"
        echo " $(sha256sum <"$fresh/Packages.announced" | cut -d ' ' -f 1)" \
            "$(wc -c <"$fresh/Packages.announced") Packages"
    } >"$mirror/Release"
    python3 -c '
import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
open(sys.argv[2], "w").write(str(server.server_address[1]))
server.serve_forever()
' "$mirror" "$fresh/port.tmp" >"$fresh/mid-sync.log" 2>&1 &
    server_pid=$!
    until [ -s "$fresh/port.tmp" ]; do
        kill -0 "$server_pid" 2>/dev/null || { cat "$fresh/mid-sync.log" >&2; exit 1; }
        sleep 0.1
    done
    port=$(cat "$fresh/port.tmp")
    cat >"$root/etc/apt/sources.list.d/faults.list" <<SOURCES
deb http://127.0.0.2:9/debian $suite main
deb [trusted=yes] http://127.0.0.1:$port/ ./
SOURCES
    printf 'Package: wine32:i386\nPin: version *\nPin-Priority: -1\n' \
        >"$root/etc/apt/preferences.d/no-wine32"
    echo "== apt's faults: an unreachable source, a mid-sync source (127.0.0.1:$port)," \
        "wine32 pinned away"
fi

mkdir -p "$root/work"
git clone -q "$repo" "$root/work/main"
if [ -d "$repo/../shared" ]; then cp -a "$repo/../shared" "$root/work/shared"; fi
chroot "$root" dpkg --print-foreign-architectures >"$fresh/arch.before"

# A command in the root as a new user's shell has it, with DISPLAY if given.
in_root() {  # LOG COMMAND
    _log=$1
    shift
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        SHOW_FORCE_NO_32BIT="${SHOW_FORCE_NO_32BIT:-0}" \
        ${SHOW_32BIT_PROGRAMS:+SHOW_32BIT_PROGRAMS=$SHOW_32BIT_PROGRAMS} \
        ${DISPLAY:+DISPLAY=$DISPLAY} \
        NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt \
        sh -c "cd /work/main && $*" >"$_log" 2>&1
}

start=$(date +%s)
status=0
if [ "$run_only" = yes ]; then
    echo "== ./run.sh alone in the fresh $name at $(git rev-parse --short HEAD)"
    chroot "$root" apt-mark showmanual | sort >"$fresh/manual.before"
elif [ "$install_only" = yes ]; then
    echo "== the test command's installs in the fresh $name (log: build-fresh/$suite/install.log)"
    in_root "$fresh/install.log" '. scripts/helpers/install-all.sh' || status=$?
    grep '^32-bit path\|^Windows path\|^install-deps\|^apt-update' "$fresh/install.log" || true
else
    echo "== ./test.sh in the fresh $name at $(git rev-parse --short HEAD)" \
        "(log: build-fresh/$suite/test.log)"
    in_root "$fresh/test.log" ./test.sh || status=$?
    grep '^=== \|^32-bit path\|^Windows path\|^apt-update: going' "$fresh/test.log" || true
fi
[ "$run_only" = yes ] ||
    echo "== fresh $name: exit status $status after $(($(date +%s) - start)) s"
[ "$status" -eq 0 ] || exit "$status"

# An architecture the command added and could not use is gone again.
chroot "$root" dpkg --print-foreign-architectures >"$fresh/arch.after"
if ! cmp -s "$fresh/arch.before" "$fresh/arch.after" &&
    ! chroot "$root" dpkg-query -W -f='${Architecture}\n' | grep -qx i386; then
    echo "test-fresh-debian: dpkg's foreign architectures changed, with nothing of them" \
        "installed: $(tr '\n' ' ' <"$fresh/arch.after")" >&2
    exit 1
fi

echo "== ./run.sh in the fresh $name on a private Xvfb (log: build-fresh/$suite/run.log)"
start=$(date +%s)
start_xvfb
mkdir -p "$root/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
DISPLAY=$display in_root "$fresh/run.log" 'exec ./run.sh' &
run_pid=$!
# The show's window, once run.sh has built and started the program: the only
# one on this display.
window=""
while [ -z "$window" ] && kill -0 "$run_pid" 2>/dev/null; do
    window=$(DISPLAY=$display xdotool search --onlyvisible --class Project1 2>/dev/null |
        head -n 1) || true
    [ -n "$window" ] || sleep 1
done
if [ -z "$window" ]; then
    wait "$run_pid" || status=$?
    tail -n 30 "$fresh/run.log" >&2
    echo "test-fresh-debian: ./run.sh ended (exit status $status) without a window" >&2
    exit 1
fi
size=$(DISPLAY=$display xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
kill "$(DISPLAY=$display xdotool getwindowpid "$window")"
wait "$run_pid" 2>/dev/null || true
echo "== ./run.sh opened the show's window ($size) after $(($(date +%s) - start)) s"
if [ "$run_only" = yes ]; then
    # What it installed by name, against the desktop program's list; and what
    # it built: the program alone, with the default data it starts on.
    chroot "$root" apt-mark showmanual | sort >"$fresh/manual.after"
    grep -v '^#' scripts/packages/desktop.txt | tr ' ' '\n' | grep . | sort -u >"$fresh/manual.allowed"
    extra=$(comm -13 "$fresh/manual.before" "$fresh/manual.after" |
        comm -23 - "$fresh/manual.allowed" | tr '\n' ' ')
    if [ -n "$extra" ]; then
        echo "test-fresh-debian: ./run.sh installed more than the desktop program needs: $extra" >&2
        exit 1
    fi
    echo "== ./run.sh installed by name only packages of scripts/packages/desktop.txt:" \
        "$(comm -13 "$fresh/manual.before" "$fresh/manual.after" | wc -l) of them"
    built=$(cd "$root/work/main/build-run" && find . -type f -perm -u+x ! -path './CMakeFiles/*' |
        sort | tr '\n' ' ')
    case " $built " in
        *" ./programs/desktop/Project1 "*) ;;
        *) echo "test-fresh-debian: build-run holds no Project1: $built" >&2; exit 1 ;;
    esac
    others=$(echo "$built" | tr ' ' '\n' | grep . |
        grep -vx './programs/desktop/Project1\|./tools/default_data' | tr '\n' ' ' || true)
    if [ -n "$others" ]; then
        echo "test-fresh-debian: ./run.sh built more than the program: $others" >&2
        exit 1
    fi
    echo "== ./run.sh built the program and the default data's writer, and nothing else:" \
        "$built"
fi
