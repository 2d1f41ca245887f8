#!/bin/sh
# Installs what is missing, builds, and opens the show's window on the default
# picture and tune in build/run.
set -eu
cd "$(dirname "$0")"
# The same line as Project1's own when no window can be opened, said before
# anything is installed or built.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] &&
    ! [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/wayland-0" ]; then
    echo "Project1: the show needs a desktop session (an X or Wayland display), and none was" \
        "found; without one, see it as a web page (sh scripts/serve-web.sh) or as frames" \
        "(replay --frames DIR)" >&2
    exit 1
fi
sh scripts/install-deps.sh $(grep -v '^#' scripts/packages-desktop.txt)
sh scripts/build.sh -DSHOW_BUILD_QT=ON
cd build/run
exec ../platform/qt/Project1
