#!/bin/sh
# Installs what is missing, builds, and opens the show's window on the default
# picture and tune in build/run.
set -eu
cd "$(dirname "$0")"
sh scripts/install-deps.sh $(grep -v '^#' scripts/packages-desktop.txt)
sh scripts/build.sh -DSHOW_BUILD_QT=ON
cd build/run
exec ../platform/qt/Project1
