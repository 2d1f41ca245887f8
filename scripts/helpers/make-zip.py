#!/usr/bin/env python3
"""Packs a folder into a zip archive that is the same, byte for byte, for the
same files: entries in name order, every time set to SOURCE_DATE_EPOCH (or
1980-01-01, the earliest a zip can hold), fixed permissions.

Usage: make-zip.py SOURCE_DIR TOP_FOLDER OUTPUT.zip
The archive holds SOURCE_DIR's contents under TOP_FOLDER/.
"""

import os
import sys
import time
import zipfile


def main(argv):
    if len(argv) == 2 and argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0
    if len(argv) != 4:
        print("usage: make-zip.py SOURCE_DIR TOP_FOLDER OUTPUT.zip", file=sys.stderr)
        return 2
    source, top, output = argv[1:]
    if not os.path.isdir(source):
        print(f"make-zip.py: not a folder: {source}", file=sys.stderr)
        return 1
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times begin in 1980

    entries = []
    for root, dirs, files in os.walk(source):
        for name in dirs + files:
            path = os.path.join(root, name)
            entries.append((os.path.relpath(path, source).replace(os.sep, "/"), path))
    entries.sort()

    tmp = output + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for name, path in [(top, None)] + [(f"{top}/{n}", p) for n, p in entries]:
            is_dir = path is None or os.path.isdir(path)
            info = zipfile.ZipInfo(name + "/" if is_dir else name, date_time=stamp)
            info.create_system = 3  # Unix, so that the modes below count
            if is_dir:
                info.external_attr = (0o40755 << 16) | 0x10
                archive.writestr(info, b"")
            else:
                mode = 0o755 if os.access(path, os.X_OK) else 0o644
                info.external_attr = (0o100000 | mode) << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as f:
                    archive.writestr(info, f.read(), compresslevel=9)
    os.replace(tmp, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
