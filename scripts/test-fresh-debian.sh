#!/bin/sh
# Runs the test command as a new user would on an empty Debian: makes a
# minimal Debian of the chosen release (debootstrap) in build-fresh/SUITE/root
# with only git and make added, clones this repository's committed HEAD into
# it with ../shared beside it, and runs ./test.sh inside as root, which must
# install the rest itself. SHOW_FORCE_NO_32BIT passes through. Needs root.
# Prints each part's time and the whole; the log is build-fresh/SUITE/test.log.
# Each release has its own folder, so the two can run side by side.
set -eu
cd "$(dirname "$0")/.."
repo=$(pwd)
usage="usage: sh scripts/test-fresh-debian.sh [--suite bookworm|trixie]"
suite=bookworm
while [ $# -gt 0 ]; do
    case "$1" in
        -h | --help)
            echo "$usage"
            echo "  --suite SUITE  the Debian release to test on: bookworm (Debian 12, the"
            echo "                 default) or trixie (Debian 13)"
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
sh scripts/helpers/install-deps.sh debootstrap git

fresh="$repo/build-fresh/$suite"
root="$fresh/root"
. scripts/helpers/debian-root.sh
debian_root_prepare "$root" "$fresh"

echo "== debootstrap: minimal $name ($suite) with git and make"
debian_root_create "$root" "$fresh/debootstrap.log" "$suite" git,make,ca-certificates
debian_root_mount "$root"

mkdir -p "$root/work"
git clone -q "$repo" "$root/work/main"
if [ -d "$repo/../shared" ]; then cp -a "$repo/../shared" "$root/work/shared"; fi

echo "== ./test.sh in the fresh $name at $(git rev-parse --short HEAD) (log: build-fresh/$suite/test.log)"
start=$(date +%s)
status=0
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    SHOW_FORCE_NO_32BIT="${SHOW_FORCE_NO_32BIT:-0}" \
    NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt \
    sh -c 'cd /work/main && ./test.sh' >"$fresh/test.log" 2>&1 || status=$?
grep '^=== \|^32-bit path' "$fresh/test.log" || true
echo "== fresh $name: exit status $status after $(($(date +%s) - start)) s"
exit "$status"
