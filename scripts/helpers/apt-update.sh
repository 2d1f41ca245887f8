#!/bin/sh
# Refreshes apt's package lists without depending on every source answering.
# `apt-get update` exits 100 when one list does not match its Release file (a
# mirror in the middle of a sync) or a signature fails (a third-party source
# whose key expired), though apt still has every other list. So it is tried a
# few times with a pause; if some sources still fail, this says which in one
# line and exits 0: apt goes on with the lists it has, and a package that then
# cannot be installed is named by scripts/helpers/install-deps.sh.
# Exits 1 only when apt-get itself cannot run (its lock held, for one).
# SHOW_APT_TRIES (3) and SHOW_APT_PAUSE (10 s, doubled each time) set the tries.
# Needs root; also run inside the release test's empty Debian.
set -u
tries=${SHOW_APT_TRIES:-3}
pause=${SHOW_APT_PAUSE:-10}
levels='\(E\|W\|Error\|Warning\):'
log=$(mktemp)
trap 'rm -f "$log"' EXIT
try=1
while :; do
    if apt-get update -q >"$log" 2>&1; then
        exit 0
    fi
    # A source that failed names itself in apt's "Failed to fetch" or "The
    # repository '...'" lines; with none of them, apt-get did not run at all.
    # (apt 3 says "Error:" and "Warning:" where apt 2 says "E:" and "W:")
    failed=$(sed -n -e "s/^$levels Failed to fetch \([^ ]*\).*/\2/p" \
        -e "s/^$levels The repository '\([^']*\)'.*/\2/p" "$log" | sort -u)
    if [ -z "$failed" ]; then
        cat "$log" >&2
        echo "apt-update: apt-get update failed (above) before reading any source" >&2
        exit 1
    fi
    [ "$try" -ge "$tries" ] && break
    echo "apt-update: some lists failed (try $try of $tries); trying again in $pause s" >&2
    sleep "$pause"
    pause=$((pause * 2))
    try=$((try + 1))
done
grep "^$levels " "$log" | grep -v 'Some index files failed' | sed 's/^/apt-update: /' >&2
echo "apt-update: going on with the lists apt has; these sources failed $tries times:" \
    $failed >&2
exit 0
