#!/bin/sh
# Runs the test command as a new user would on an empty Debian 12: makes a
# minimal Debian 12 (debootstrap) in build-fresh/root with only git and make
# added, clones this repository's committed HEAD into it with ../shared
# beside it, and runs ./test.sh inside as root, which must install the rest
# itself. SHOW_FORCE_NO_32BIT passes through. Needs root. Prints the time
# taken; the log is build-fresh/test.log.
set -eu
cd "$(dirname "$0")/.."
repo=$(pwd)
case "${1:-}" in
    -h | --help)
        echo "usage: sh scripts/test-fresh-debian.sh"
        exit 0
        ;;
    "") ;;
    *)
        echo "usage: sh scripts/test-fresh-debian.sh" >&2
        exit 2
        ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "test-fresh-debian: needs root" >&2; exit 1; }
sh scripts/install-deps.sh debootstrap git

fresh="$repo/build-fresh"
root="$fresh/root"
unmount_all() {
    for m in dev/shm dev/pts dev sys proc; do
        if mountpoint -q "$root/$m" 2>/dev/null; then umount -l "$root/$m"; fi
    done
}
unmount_all
rm -rf --one-file-system "$fresh"
mkdir -p "$fresh"
trap unmount_all EXIT
trap 'exit 1' INT TERM

echo "== debootstrap: minimal Debian 12 with git and make"
debootstrap --variant=minbase --include=git,make,ca-certificates bookworm "$root" \
    http://deb.debian.org/debian >"$fresh/debootstrap.log" 2>&1 ||
    { tail -n 20 "$fresh/debootstrap.log"; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The machine's own certificate authorities, for a network that inspects
# TLS (npm's registry is reached over https).
if [ -d /usr/local/share/ca-certificates ]; then
    cp -a /usr/local/share/ca-certificates/. "$root/usr/local/share/ca-certificates/"
    chroot "$root" update-ca-certificates >/dev/null 2>&1 || true
fi
cat >"$root/etc/apt/sources.list" <<'EOF'
deb http://deb.debian.org/debian bookworm main
deb http://deb.debian.org/debian bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"

mkdir -p "$root/work"
git clone -q "$repo" "$root/work/main"
if [ -d "$repo/../shared" ]; then cp -a "$repo/../shared" "$root/work/shared"; fi

echo "== ./test.sh in the fresh Debian 12 (log: build-fresh/test.log)"
start=$(date +%s)
status=0
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    SHOW_FORCE_NO_32BIT="${SHOW_FORCE_NO_32BIT:-0}" \
    NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt \
    sh -c 'cd /work/main && ./test.sh' >"$fresh/test.log" 2>&1 || status=$?
grep '^=== \|^32-bit path' "$fresh/test.log" || true
echo "== fresh Debian 12: exit status $status after $(($(date +%s) - start)) s"
exit "$status"
