# Sourced: makes and mounts a minimal Debian root (debootstrap) of a given
# release, as an empty machine of that release would be. Needs root.
#   debian_root_prepare ROOT DIR            unmounts what a run cut short left
#                                           mounted in ROOT, empties DIR (which
#                                           holds ROOT), and unmounts ROOT when
#                                           the script exits
#   debian_root_create ROOT LOG SUITE [PACKAGES]
#                                           debootstrap SUITE (bookworm,
#                                           trixie, ...) into ROOT, the log in
#                                           LOG, PACKAGES (comma-separated)
#                                           added; apt's sources are the
#                                           suite, its updates and its
#                                           security updates
#   debian_root_mount ROOT                  /proc, /sys, /dev into ROOT
#   debian_root_unmount ROOT                undoes it; no error when unmounted
#   debian_root_host_suite                  prints the release this machine
#                                           runs (VERSION_CODENAME of
#                                           /etc/os-release)
debian_root_prepare() {
    _debian_root=$1
    debian_root_unmount "$_debian_root"
    rm -rf --one-file-system "$2"
    mkdir -p "$2"
    trap 'debian_root_unmount "$_debian_root"' EXIT
    trap 'exit 1' INT TERM
}

debian_root_create() {
    _root=$1
    _log=$2
    _suite=$3
    if [ ! -e "/usr/share/debootstrap/scripts/$_suite" ]; then
        echo "debian-root: this debootstrap does not know the release '$_suite'" >&2
        return 1
    fi
    debootstrap --variant=minbase ${4:+--include=$4} "$_suite" "$_root" \
        http://deb.debian.org/debian >"$_log" 2>&1 || { tail -n 20 "$_log"; return 1; }
    cp /etc/resolv.conf "$_root/etc/resolv.conf"
    # The machine's own certificate authorities, for a network that inspects
    # TLS (npm's registry is reached over https).
    if [ -d /usr/local/share/ca-certificates ]; then
        cp -a /usr/local/share/ca-certificates/. "$_root/usr/local/share/ca-certificates/"
        chroot "$_root" update-ca-certificates >/dev/null 2>&1 || true
    fi
    rm -f "$_root/etc/apt/sources.list.d/debian.sources"
    cat >"$_root/etc/apt/sources.list" <<SOURCES
deb http://deb.debian.org/debian $_suite main
deb http://deb.debian.org/debian $_suite-updates main
deb http://deb.debian.org/debian-security $_suite-security main
SOURCES
}

debian_root_host_suite() {
    (
        # shellcheck disable=SC1091
        . /etc/os-release
        if [ -z "${VERSION_CODENAME:-}" ]; then
            echo "debian-root: /etc/os-release names no release (VERSION_CODENAME)" >&2
            exit 1
        fi
        echo "$VERSION_CODENAME"
    )
}

debian_root_mount() {
    mount -t proc proc "$1/proc"
    mount -t sysfs sys "$1/sys"
    mount --bind /dev "$1/dev"
    mount -t devpts devpts "$1/dev/pts"
    mount -t tmpfs tmpfs "$1/dev/shm"
}

debian_root_unmount() {
    for _m in tmp/.X11-unix dev/shm dev/pts dev sys proc; do
        if mountpoint -q "$1/$_m" 2>/dev/null; then umount -l "$1/$_m"; fi
    done
}
