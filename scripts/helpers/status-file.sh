# Sourced: one part of the test command waiting for another that runs beside
# it, through a file the other writes its exit status to when it ends.
#   wait_for_status FILE WHAT   waits until FILE holds a status (saying so
#                               once), then returns 0 if it is 0, else prints
#                               that WHAT failed and returns 1
#   write_status FILE STATUS    writes STATUS to FILE, where FILE is not empty
wait_for_status() {
    if [ ! -s "$1" ]; then
        echo "--- waiting for $2 to end ($1)"
        # (a wait for the state itself: the other part writes the file when
        # it ends, and nothing else can tell this one; looked at once a
        # second, as no tool to be told of a file's change is installed, and
        # a second is nothing beside the builds waited for)
        while [ ! -s "$1" ]; do sleep 1; done
    fi
    if [ "$(cat "$1")" != 0 ]; then
        echo "$2 failed (exit status $(cat "$1"))" >&2
        return 1
    fi
}
write_status() {
    [ -z "$1" ] || echo "$2" >"$1"
}
