"""The show's files for the site's build, the Python tests and the scripts:
the one bitmap writer and reader, and the window's values and the data files'
names as the build wrote them (window.json). Here, beside the site's build,
so that the build imports no test code."""

import json
import os
import struct
import sys


def write_bmp(path, rows, top_down=False):
    """Writes a 24-bit bitmap. Each row, top row first, is either bytes of
    blue, green, red, or a sequence of (b, g, r) tuples."""
    height = len(rows)
    first = rows[0]
    width = len(first) // 3 if isinstance(first, (bytes, bytearray)) else len(first)
    stride = (width * 3 + 3) // 4 * 4
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + stride * height, 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, 24, 0,
                            stride * height, 0, 0, 0, 0))
        for row in rows if top_down else reversed(rows):
            line = bytes(row) if isinstance(row, (bytes, bytearray)) else \
                b"".join(bytes(p) for p in row)
            f.write(line + b"\0" * (stride - len(line)))


def read_bmp(path):
    """A 24-bit bitmap as rows of (b, g, r) tuples, top row first."""
    with open(path, "rb") as f:
        data = f.read()
    width, height = struct.unpack_from("<ii", data, 18)
    offset = struct.unpack_from("<I", data, 10)[0]
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for r in range(abs(height)):
        stored = r if height < 0 else abs(height) - 1 - r
        start = offset + stored * stride
        rows.append([tuple(data[start + 3 * x:start + 3 * x + 3]) for x in range(width)])
    return rows


def read_window(path):
    """The window's values as the program makes them at 96 dpi: "left", "top"
    (its stored corner), "client" [w, h], "picture" [x, y, w, h] and "color"
    [r, g, b], as the build's form_values wrote them; "files", the data
    files' names: "folder", "picture" and "tune"; and "schedule", the show's
    timing: "step_ms", "last_step" and "flicker_ms" ("before", "show",
    "after")."""
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def picture_middle(window):
    """The screen point (x, y) in the middle of the picture area, where the
    window stands at its stored corner with no frame around it (a bare X
    server)."""
    x, y, w, h = window["picture"]
    return window["left"] + x + w // 2, window["top"] + y + h // 2


def picture_file(window, kind="picture"):
    """The picture's path (or the tune's) under the folder the show runs in."""
    return os.path.join(window["files"]["folder"], window["files"][kind])


def open_error(window):
    """The error box's text when the picture cannot be opened."""
    files = window["files"]
    return f"ファイル {files['folder']}\\{files['picture']} は開けません."


if __name__ == "__main__":
    # For the shell scripts: the data file's path under the show's folder, or
    # the show's step period (ms) and last step.
    if len(sys.argv) != 3 or sys.argv[1] not in ("picture", "tune", "schedule"):
        print("usage: showfiles.py picture|tune|schedule WINDOW_JSON", file=sys.stderr)
        sys.exit(2)
    window = read_window(sys.argv[2])
    if sys.argv[1] == "schedule":
        print(window["schedule"]["step_ms"], window["schedule"]["last_step"])
    else:
        print(picture_file(window, sys.argv[1]))
