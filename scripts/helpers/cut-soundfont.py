#!/usr/bin/env python3
"""Cuts a SoundFont 2 file down to the presets that one Standard MIDI File plays.

    cut-soundfont.py IN.sf2 TUNE.mid OUT.sf2

The presets a tune plays are the (bank, program) of every channel at each of
its note-ons: bank 0 and program 0 until the tune sets them (the bank from
controller 0), bank 128 on channel 10 (the tenth, numbered 9 here), as
FluidSynth chooses them. OUT.sf2 holds those presets of IN.sf2 whole, with
every instrument, sample and modulator they use and nothing else; its header
(INFO) is IN.sf2's, with a comment saying what was kept. A preset the tune
plays that IN.sf2 lacks is an error, as is a file that is not what it says.
"""

import struct
import sys


def fail(message):
    sys.exit(f"cut-soundfont: {message}")


def vlq(data, at):
    value = 0
    for _ in range(4):
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at
    fail("a variable-length number longer than four bytes")


def tune_presets(data):
    """The (bank, program) pairs at the tune's note-ons."""
    if data[:4] != b"MThd":
        fail("the tune is not a Standard MIDI File")
    header_size = struct.unpack(">I", data[4:8])[0]
    at = 8 + header_size
    program = [0] * 16
    bank = [0] * 16
    used = set()
    while at + 8 <= len(data):
        kind, size = data[at:at + 4], struct.unpack(">I", data[at + 4:at + 8])[0]
        at += 8
        end = at + size
        if end > len(data):
            fail("the tune is truncated")
        if kind != b"MTrk":
            at = end
            continue
        status = 0
        while at < end:
            _, at = vlq(data, at)
            if data[at] >= 0x80:
                status = data[at]
                at += 1
            if status == 0xFF:
                at += 1
                size, at = vlq(data, at)
                at += size
            elif status in (0xF0, 0xF7):
                size, at = vlq(data, at)
                at += size
            else:
                channel, message = status & 0x0F, status & 0xF0
                if message in (0xC0, 0xD0):
                    if message == 0xC0:
                        program[channel] = data[at]
                    at += 1
                else:
                    if message == 0xB0 and data[at] == 0:
                        bank[channel] = data[at + 1]
                    if message == 0x90 and data[at + 1] > 0:
                        used.add((128 if channel == 9 else bank[channel], program[channel]))
                    at += 2
        at = end
    return used


def chunks(data, at, end):
    while at + 8 <= end:
        kind, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        yield kind, at + 8, size
        at += 8 + size + (size & 1)


def records(data, offset, size, width):
    return [data[offset + i:offset + i + width] for i in range(0, size, width)]


def riff(kind, body):
    return kind + struct.pack("<I", len(body)) + body + (b"\0" if len(body) & 1 else b"")


def main():
    if len(sys.argv) != 4:
        fail("usage: cut-soundfont.py IN.sf2 TUNE.mid OUT.sf2")
    source, tune_path, out_path = sys.argv[1:]
    data = open(source, "rb").read()
    wanted = tune_presets(open(tune_path, "rb").read())
    if data[:4] != b"RIFF" or data[8:12] != b"sfbk":
        fail(f"{source} is not a SoundFont 2 file")

    lists = {}
    for kind, at, size in chunks(data, 12, len(data)):
        if kind == b"LIST":
            lists[data[at:at + 4]] = (at + 4, at + size)
    info_at, info_end = lists[b"INFO"]
    info = {k: data[a:a + s] for k, a, s in chunks(data, info_at, info_end)}
    smpl = next(data[a:a + s] for k, a, s in chunks(data, *lists[b"sdta"]) if k == b"smpl")
    widths = {b"phdr": 38, b"pbag": 4, b"pmod": 10, b"pgen": 4, b"inst": 22, b"ibag": 4,
              b"imod": 10, b"igen": 4, b"shdr": 46}
    pdta = {k: records(data, a, s, widths[k]) for k, a, s in chunks(data, *lists[b"pdta"])}

    def bag_range(headers, bags, index, bag_field):
        first = struct.unpack_from("<H", headers[index], bag_field)[0]
        last = struct.unpack_from("<H", headers[index + 1], bag_field)[0]
        return range(first, last)

    def zone_lists(bags, gens, mods, index):
        gen_first, mod_first = struct.unpack("<HH", bags[index])
        gen_last, mod_last = struct.unpack("<HH", bags[index + 1])
        return gens[gen_first:gen_last], mods[mod_first:mod_last]

    # The presets kept, and the instruments and samples they reach.
    presets = [i for i, h in enumerate(pdta[b"phdr"][:-1]) if struct.unpack_from("<HH", h, 20)[::-1] in wanted]
    found = {struct.unpack_from("<HH", pdta[b"phdr"][i], 20)[::-1] for i in presets}
    if found != wanted:
        fail(f"{source} lacks the presets (bank, program) {sorted(wanted - found)}")

    out = {k: [] for k in widths}
    instruments = {}  # old index -> new
    samples = {}  # old index -> new

    def copy_zones(headers, bags, gens, mods, index, bag_field, link, mapping, out_bags, out_gens, out_mods):
        for bag in bag_range(headers, bags, index, bag_field):
            zone_gens, zone_mods = zone_lists(bags, gens, mods, bag)
            out_bags.append(struct.pack("<HH", len(out_gens), len(out_mods)))
            for gen in zone_gens:
                oper, amount = struct.unpack("<HH", gen)
                if oper == link:
                    amount = mapping(amount)
                out_gens.append(struct.pack("<HH", oper, amount))
            out_mods.extend(zone_mods)

    def instrument(old):
        if old not in instruments:
            instruments[old] = len(out[b"inst"])
            out[b"inst"].append(pdta[b"inst"][old][:20] + struct.pack("<H", len(out[b"ibag"])))
            copy_zones(pdta[b"inst"], pdta[b"ibag"], pdta[b"igen"], pdta[b"imod"], old, 20, 53, sample,
                       out[b"ibag"], out[b"igen"], out[b"imod"])
        return instruments[old]

    def sample(old):
        if old not in samples:
            samples[old] = len(samples)
            link = struct.unpack_from("<H", pdta[b"shdr"][old], 42)[0]
            if struct.unpack_from("<H", pdta[b"shdr"][old], 44)[0] & 0x8000:
                fail("a sample in ROM")
            if link != 0 and struct.unpack_from("<H", pdta[b"shdr"][old], 44)[0] != 1:
                sample(link)  # the other side of a stereo pair
        return samples[old]

    for index in presets:
        out[b"phdr"].append(pdta[b"phdr"][index][:24] + struct.pack("<H", len(out[b"pbag"])) +
                            pdta[b"phdr"][index][26:])
        copy_zones(pdta[b"phdr"], pdta[b"pbag"], pdta[b"pgen"], pdta[b"pmod"], index, 24, 41, instrument,
                   out[b"pbag"], out[b"pgen"], out[b"pmod"])

    # The samples' points, each followed by 46 zero points as the format asks.
    points = bytearray()
    headers = [None] * len(samples)
    for old, new in samples.items():
        h = pdta[b"shdr"][old]
        start, end, loop_start, loop_end = struct.unpack_from("<IIII", h, 20)
        shift = len(points) // 2 - start
        points += smpl[start * 2:end * 2] + b"\0" * 92
        link = struct.unpack_from("<H", h, 42)[0]
        kind = struct.unpack_from("<H", h, 44)[0]
        link = samples.get(link, 0) if kind != 1 else 0
        headers[new] = (h[:20] + struct.pack("<IIII", start + shift, end + shift, loop_start + shift, loop_end + shift) +
                        h[36:42] + struct.pack("<HH", link, kind))
    out[b"shdr"] = headers

    # The terminal records: the last bag indices, zero generators and modulators.
    out[b"phdr"].append(b"EOP".ljust(20, b"\0") + struct.pack("<HHHIII", 0, 0, len(out[b"pbag"]), 0, 0, 0))
    out[b"pbag"].append(struct.pack("<HH", len(out[b"pgen"]), len(out[b"pmod"])))
    out[b"pmod"].append(b"\0" * 10)
    out[b"pgen"].append(b"\0" * 4)
    out[b"inst"].append(b"EOI".ljust(20, b"\0") + struct.pack("<H", len(out[b"ibag"])))
    out[b"ibag"].append(struct.pack("<HH", len(out[b"igen"]), len(out[b"imod"])))
    out[b"imod"].append(b"\0" * 10)
    out[b"igen"].append(b"\0" * 4)
    out[b"shdr"].append(b"EOS".ljust(46, b"\0"))

    kept = ", ".join(f"bank {b} program {p}" for b, p in sorted(wanted))
    comment = (info.get(b"ICMT", b"").rstrip(b"\0") + b"\n\n" if b"ICMT" in info else b"")
    comment += f"Cut to the presets one tune plays ({kept}) and their instruments and samples.".encode()
    info[b"ICMT"] = comment + b"\0"
    # Each text zero-terminated and of even size, as the format asks.
    info = {k: v + b"\0" * (len(v) & 1) if k != b"ifil" else v for k, v in info.items()}
    info_body = b"INFO" + b"".join(riff(k, v) for k, v in info.items())
    pdta_body = b"pdta" + b"".join(riff(k, b"".join(out[k])) for k in widths)
    body = b"sfbk" + riff(b"LIST", info_body) + riff(b"LIST", b"sdta" + riff(b"smpl", bytes(points))) + \
        riff(b"LIST", pdta_body)
    with open(out_path, "wb") as f:
        f.write(riff(b"RIFF", body))
    print(f"cut-soundfont: {out_path}: {kept}; {len(samples)} samples, {len(body) + 8} bytes")


main()
