"""Writes the tune reader's fuzz seeds into a directory: small Standard MIDI
Files of each kind the reader meets, clean and faulty.
    python3 tests/fuzz/tune_seeds.py DIR"""
import struct
import sys
from pathlib import Path


def varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, (value & 0x7F) | 0x80)
        value >>= 7
    return bytes(out)


def chunk(tag, body, stated=None):
    return tag + struct.pack(">I", len(body) if stated is None else stated) + body


def header(fmt, tracks, division, extra=0):
    return chunk(b"MThd", struct.pack(">HHH", fmt, tracks, division) + bytes(extra))


END = bytes([0, 0xFF, 0x2F, 0])


def melody(between=b""):
    """Four notes on channel 1, each event a beat after the last; after
    `between` (a meta or system-exclusive event) with running status."""
    out = bytes([0, 0xC0, 5, 0, 0xB0, 7, 100])
    first = True
    for key in (60, 64, 67, 72):
        for velocity in (100, 0):
            delta = varlen(0 if first else 96)
            if between and not first:
                out += delta + between + bytes([0, key, velocity])
            else:
                out += delta + bytes([0x90, key, velocity])
            first = False
    return out


def rmid(smf):
    body = b"RMID" + b"data" + struct.pack("<I", len(smf)) + smf
    return b"RIFF" + struct.pack("<I", len(body)) + body


def seeds():
    tempo = bytes([0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, 0, 0xFF, 0x58, 4, 4, 2, 24, 8])
    clean = header(1, 2, 96) + chunk(b"MTrk", tempo + END) + chunk(b"MTrk", melody() + END)
    sysex = bytes([0, 0xF0, 5, 0x7E, 0x7F, 9, 1, 0xF7])
    yield "clean.mid", clean
    yield "running-after-meta.mid", header(0, 1, 96) + chunk(b"MTrk", melody(bytes([0xFF, 1, 1, 120])) + END)
    yield "running-after-sysex.mid", header(0, 1, 96) + chunk(b"MTrk", melody(sysex[1:]) + END)
    yield "time-signature-2.mid", header(0, 1, 96) + chunk(b"MTrk", bytes([0, 0xFF, 0x58, 2, 4, 2]) + melody() + END)
    yield "smpte.mid", header(0, 1, 0xE728) + chunk(b"MTrk", melody() + END)
    yield "header-8.mid", header(0, 1, 96, 2) + chunk(b"MTrk", melody() + END)
    yield "tracks-announced-3.mid", header(1, 3, 96) + chunk(b"MTrk", tempo + END) + chunk(b"MTrk", melody() + END)
    yield "cut.mid", clean[:-7]
    yield "trailing.mid", clean + b"\0\0junk"
    yield "wrapped.rmi", rmid(clean)
    yield "many-tracks.mid", header(1, 3, 96) + b"".join(
        chunk(b"MTrk", varlen(i) + bytes([0x90, 40 + i, 90, 1, 40 + i, 0]) + END) for i in range(3))


if __name__ == "__main__":
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, data in seeds():
        (out / name).write_bytes(data)
