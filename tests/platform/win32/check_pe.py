#!/usr/bin/env python3
"""Checks a Windows executable without running it: its PE format, machine and
subsystem, and that it imports nothing but DLLs every Windows has.

usage: check_pe.py OBJDUMP EXE {i386|x86-64}
"""

import re
import subprocess
import sys

# DLLs that come with Windows itself; a runtime DLL (libstdc++-6.dll,
# libgcc_s_*.dll, libwinpthread-1.dll) would have to be shipped beside the
# executable.
WINDOWS_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "imm32.dll", "kernel32.dll",
    "msvcrt.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "uxtheme.dll", "version.dll", "winmm.dll", "ws2_32.dll",
}
EXPECTED = {
    "i386": ("pei-i386", "010b", "PE32"),
    "x86-64": ("pei-x86-64", "020b", "PE32+"),
}


def main():
    if len(sys.argv) != 4 or sys.argv[3] not in EXPECTED:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    objdump, exe, machine = sys.argv[1:]
    text = subprocess.run([objdump, "-p", exe], capture_output=True, text=True,
                          check=True).stdout
    file_format, magic, kind = EXPECTED[machine]
    found = re.search(r"file format (\S+)", text)
    found_magic = re.search(r"^Magic\s+([0-9a-f]+)", text, re.M)
    subsystem = re.search(r"^Subsystem\s+([0-9a-f]+)", text, re.M)
    dlls = re.findall(r"DLL Name: (\S+)", text)
    foreign = sorted(d for d in dlls if d.lower() not in WINDOWS_DLLS and
                     not d.lower().startswith("api-ms-win-"))
    failures = []
    if not found or found.group(1) != file_format:
        failures.append(f"format {found.group(1) if found else '?'}, not {file_format}")
    if not found_magic or found_magic.group(1) != magic:
        failures.append(f"optional header magic {found_magic.group(1) if found_magic else '?'}, "
                        f"not {magic} ({kind})")
    if not subsystem or int(subsystem.group(1), 16) != 2:
        failures.append(f"subsystem {subsystem.group(1) if subsystem else '?'}, not 2 (GUI)")
    if not dlls:
        failures.append("no imports found")
    if foreign:
        failures.append("imports DLLs Windows does not have: " + ", ".join(foreign))
    name = exe.rsplit("/", 1)[-1]
    if failures:
        for failure in failures:
            print(f"{name}: {failure}", file=sys.stderr)
        return 1
    print(f"{name}: {kind} GUI for {machine}, imports only {', '.join(sorted(dlls))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
