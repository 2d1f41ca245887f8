# Sourced by the test command: installs what every part needs before the parts
# start (apt-get takes one install at a time), and decides once, for all of
# them, whether 32-bit programs run here (probe-32bit.sh) and which Wine runs
# the Windows programs (wine-path.sh); each decision is said in one line and
# exported. SHOW_FORCE_NO_32BIT=1 takes the way of machines that do not run
# 32-bit programs. Needs the repository's root as the current directory.
. scripts/helpers/probe-32bit.sh
sh scripts/helpers/install-deps.sh $(grep -hv '^#' scripts/packages/*.txt)
[ "$SHOW_32BIT_PROGRAMS" = native ] || sh scripts/helpers/install-deps.sh qemu-user
command -v npm >/dev/null || sh scripts/helpers/install-deps.sh npm
. scripts/helpers/wine-path.sh
