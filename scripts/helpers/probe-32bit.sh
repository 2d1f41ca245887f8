# Sourced by the test scripts: decides once whether this machine runs 32-bit
# x86 programs natively, by building a tiny -m32 program and running it, and
# says which path the run takes and why. Sets and exports
#   SHOW_32BIT_PROGRAMS=native    32-bit programs run: the 32-bit core's tests
#                                 run as they are, Windows programs under
#                                 32-bit Wine;
#   SHOW_32BIT_PROGRAMS=refused   they do not: the 32-bit core's tests run
#                                 under qemu-i386, Windows programs are
#                                 tested in their 64-bit build under 64-bit
#                                 Wine.
# A script started by the test command takes the answer it was given.
# SHOW_FORCE_NO_32BIT=1 takes the second path on any machine, so that a
# machine that runs 32-bit programs can prove it too.
# Needs the current directory to be the repository's root.

if [ -z "${SHOW_32BIT_PROGRAMS:-}" ]; then
    sh scripts/helpers/install-deps.sh gcc g++-multilib
    probe_dir=$(mktemp -d)
    printf '#include <stdio.h>\nint main(void) { printf("%%d\\n", (int)(8 * sizeof(void *))); return 0; }\n' \
        >"$probe_dir/probe.c"
    if ! gcc -m32 -o "$probe_dir/probe" "$probe_dir/probe.c" 2>"$probe_dir/build.log"; then
        cat "$probe_dir/build.log" >&2
        rm -rf "$probe_dir"
        echo "32-bit probe: cannot build a -m32 program; the 32-bit build is impossible here" >&2
        exit 1
    fi
    probe_out=$("$probe_dir/probe" 2>&1) || true
    if [ "${SHOW_FORCE_NO_32BIT:-0}" != 0 ]; then
        SHOW_32BIT_PROGRAMS=refused
        echo "32-bit path: emulated (forced by SHOW_FORCE_NO_32BIT; a -m32 program here printed" \
            "'$probe_out') -- 32-bit core under qemu-i386, Windows tests on 64-bit Wine"
    elif [ "$probe_out" = 32 ]; then
        SHOW_32BIT_PROGRAMS=native
        echo "32-bit path: native (a -m32 program ran here) -- 32-bit core run directly," \
            "Windows tests on 32-bit Wine"
    else
        SHOW_32BIT_PROGRAMS=refused
        echo "32-bit path: emulated (a -m32 program did not run here: $(echo "$probe_out" |
            head -n 1)) -- 32-bit core under qemu-i386, Windows tests on 64-bit Wine"
    fi
    rm -rf "$probe_dir"
    export SHOW_32BIT_PROGRAMS
else
    case "$SHOW_32BIT_PROGRAMS" in
        native | refused) ;;
        *)
            echo "SHOW_32BIT_PROGRAMS must be 'native' or 'refused', not '$SHOW_32BIT_PROGRAMS'" >&2
            exit 2
            ;;
    esac
fi
