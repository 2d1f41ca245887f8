#!/bin/sh
# Installs what is missing, builds, and opens the show's window on the default
# picture and tune in build/run.
set -eu
cd "$(dirname "$0")"
# The same line as Project1's own when no window can be opened, said before
# anything is installed or built.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] &&
    ! [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/wayland-0" ]; then
    cat platform/qt/no-display.txt >&2
    exit 1
fi
sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/desktop.txt)
sh scripts/build.sh -DSHOW_BUILD_QT=ON
cd build/run
exec ../platform/qt/Project1
