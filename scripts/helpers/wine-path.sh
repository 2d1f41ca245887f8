# Sourced by the test command, and by the Windows and release tests when they
# are run alone: decides once which Wine runs the Windows programs, installs
# it with the rest of the Windows tests' packages, and says which and why in
# one line. Sets and exports
#   SHOW_WINE=win32   32-bit Wine (the i386 architecture and wine32): the
#                     32-bit Project1.exe and its tests run;
#   SHOW_WINE=win64   64-bit Wine alone: the 64-bit build's tests run, and the
#                     32-bit Project1.exe is built and its PE header checked;
#   SHOW_WINE_WHY     why, in a few words.
# A script started by the test command takes the decision it was given, so no
# part adds an architecture or installs Wine on its own. Where this machine
# runs 32-bit programs but wine32 cannot be installed (the i386 lists missing
# or behind the machine's own, as when a mirror is in the middle of a sync),
# the 64-bit path is taken and an i386 architecture added for it is removed
# again. Needs scripts/helpers/probe-32bit.sh sourced first, and the
# repository's root as the current directory.

# The path taken and why, as the decision's line and the test command's
# summary say it.
wine_path_said() {
    if [ "$SHOW_WINE" = win32 ]; then
        echo "32-bit Project1.exe under 32-bit Wine ($SHOW_WINE_WHY)"
    else
        echo "64-bit Project1.exe under 64-bit Wine, the 32-bit one built and its header" \
            "checked, not run ($SHOW_WINE_WHY)"
    fi
}

if [ -z "${SHOW_WINE:-}" ]; then
    sh scripts/helpers/install-deps.sh $(grep -v '^#' scripts/packages/windows.txt)
    if [ "$SHOW_32BIT_PROGRAMS" != native ]; then
        SHOW_WINE=win64
        if [ "${SHOW_FORCE_NO_32BIT:-0}" != 0 ]; then
            SHOW_WINE_WHY="32-bit programs refused by SHOW_FORCE_NO_32BIT"
        else
            SHOW_WINE_WHY="this machine does not run 32-bit programs"
        fi
    elif dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
        SHOW_WINE=win32
        SHOW_WINE_WHY="32-bit programs run here and wine32 is installed"
    else
        _wine_added=no
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            dpkg --add-architecture i386
            _wine_added=yes
        fi
        _wine_log=$(mktemp)
        if sh scripts/helpers/install-deps.sh --optional wine32 >"$_wine_log" 2>&1; then
            SHOW_WINE=win32
            SHOW_WINE_WHY="32-bit programs run here and wine32 was installed"
        else
            cat "$_wine_log"
            SHOW_WINE=win64
            _wine_reason=$(sed -n 's/^install-deps: cannot install wine32: //p' "$_wine_log" |
                head -n 1 | cut -c 1-200)
            SHOW_WINE_WHY="wine32 cannot be installed here: ${_wine_reason:-apt's output above}"
            # Nothing of i386 was installed: the architecture goes again, so
            # the machine's apt is left as it was found.
            if [ "$_wine_added" = yes ] &&
                ! dpkg-query -W -f='${Architecture}\n' | grep -qx i386; then
                dpkg --remove-architecture i386
                SHOW_WINE_WHY="$SHOW_WINE_WHY; the i386 architecture added for it was removed again"
            fi
        fi
        rm -f "$_wine_log"
    fi
    export SHOW_WINE SHOW_WINE_WHY
    echo "Windows path: $(wine_path_said)"
else
    case "$SHOW_WINE" in
        win32 | win64) ;;
        *)
            echo "SHOW_WINE must be 'win32' or 'win64', not '$SHOW_WINE'" >&2
            exit 2
            ;;
    esac
    : "${SHOW_WINE_WHY:=given by SHOW_WINE}"
    export SHOW_WINE_WHY
fi
