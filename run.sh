#!/bin/sh
# Installs what the desktop program needs and is missing, builds the program
# alone (with the default picture and tune it starts on) into build-run/, and
# opens the show's window there, in build-run/run.
set -eu
cd "$(dirname "$0")"
# The same line as Project1's own when no window can be opened, said before
# anything is installed or built.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] &&
    ! [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/wayland-0" ]; then
    cat programs/desktop/no-display.txt >&2
    exit 1
fi
sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/desktop.txt)
cmake --preset run
cmake --build build-run --target Project1
cd build-run/run
exec ../programs/desktop/Project1
