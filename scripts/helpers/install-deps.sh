#!/bin/sh
# Installs, with apt-get, whichever of the given Debian packages are missing.
#   install-deps.sh [--optional] PACKAGE...
# The lists are refreshed only when something is missing, and a source that
# fails does not stop it (scripts/helpers/apt-update.sh). It fails only when a
# package cannot be installed: then it names the package, gives apt's reason
# and says what to do. With --optional the caller has another way: it names
# the package and apt's reason in one line and exits 1, and says no more.
set -eu
optional=no
if [ "${1:-}" = --optional ]; then
    optional=yes
    shift
fi
missing=""
for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $pkg"
    fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
here=$(dirname "$0")
log=$(mktemp)
trap 'rm -f "$log" "$log.status"' EXIT
install() {
    # --no-remove: a package that would need another removed is refused,
    # never bought by removing what the machine has.
    # (its output is shown as it comes, and kept to be read after a failure)
    # shellcheck disable=SC2086
    { $sudo apt-get install -y -q --no-install-recommends --no-remove \
        -o Acquire::Retries=3 -o DPkg::Lock::Timeout=300 $missing 2>&1
        echo $? >"$log.status"; } | tee "$log"
    return "$(cat "$log.status")"
}
$sudo sh "$here/apt-update.sh"
if install; then
    exit 0
fi
# Lists older than the mirror's files name packages it no longer has: the
# lists once more, and the install once more.
if grep -q '^\(E\|Error\): Failed to fetch' "$log"; then
    echo "install-deps: some packages could not be downloaded; the lists once more" >&2
    $sudo sh "$here/apt-update.sh"
    if install; then
        exit 0
    fi
fi
# Which of them apt refuses, each alone, and why.
refused=""
for pkg in $missing; do
    if ! $sudo apt-get install -s -q --no-install-recommends --no-remove "$pkg" \
        >"$log.one" 2>&1; then
        refused="$refused $pkg"
        reason=$(grep -E '^ .* : |^(E|Error): ' "$log.one" | grep -v 'held broken packages' |
            sed 's/^ *//' | tr '\n' ';' | sed 's/;$//; s/;/; /g')
        echo "install-deps: cannot install $pkg: ${reason:-apt gave no reason}" >&2
    fi
done
rm -f "$log.one"
[ "$optional" = yes ] && exit 1
if [ -z "$refused" ]; then
    grep -E '^(E|W|Error|Warning): ' "$log" >&2 || tail -n 20 "$log" >&2
    refused=$missing
fi
echo "install-deps: could not install:$refused." >&2
echo "install-deps: apt's sources may be failing or out of step (above). Fix or remove the" \
    "failing source in /etc/apt/sources.list or /etc/apt/sources.list.d/, or wait for a mirror" \
    "in the middle of a sync, then run this again." >&2
exit 1
