#!/usr/bin/env python3
"""Assembles the show's web page into BUILD/site from the two builds that
scripts/build-web.sh makes: BUILD/wasm (the program in WebAssembly) and
BUILD/host (the default data's writer and window.json, for this machine).

The site holds the page (its index.html given the data files' names from
window.json), the program's JS with its local names shortened, the
synthesizer, FluidSynth's WebAssembly as a file of its own, the soundfont whole
and cut to the presets of the default tune, the default picture run-length
encoded and the tune, the licences of what it ships, and an example page that
embeds the show (embed.html); and, for visits with no network and for
installing the page as an app, the manifest, the icons made from the default
picture, and the service worker, given the files a visit needs before the
click and a cache name from a hash of every file the build made, so that each
deployment has a cache of its own.

usage: assemble-site.py BUILD
"""

import base64
import hashlib
import html
import json
import os
import re
import shutil
import subprocess
import sys
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WEB = os.path.join(ROOT, "programs", "web")
SYNTH = os.path.join(WEB, "node_modules", "js-synthesizer")
FLUIDSYNTH = "libfluidsynth-2.4.6"
SOUNDFONT = "/usr/share/sounds/sf2/TimGM6mb.sf2"
PAGE_SCRIPTS = ("page.js", "showclock.js", "music.js", "recorder.js")


def fail(message):
    sys.exit(f"assemble-site: {message}")


def shorten(source, target, *options):
    """The script with its local names shortened (terser, Debian's)."""
    subprocess.run(["terser", source, *options, "--compress", "--mangle", "-o", target], check=True)


def write_page(files, schedule, site):
    """index.html with the data files' names (the preloads' addresses, and the
    names on the canvas for page.js) and the show's last step on the canvas
    for the recorder."""
    with open(os.path.join(WEB, "site", "index.html"), encoding="utf-8") as f:
        page = f.read()
    for key in ("folder", "picture", "tune"):
        page = page.replace(f"@{key.upper()}@", html.escape(files[key]))
    for key in ("picture", "tune"):
        address = "/".join(urllib.parse.quote(files[k], safe="") for k in ("folder", key))
        page = page.replace(f"@{key.upper()}_ADDRESS@", address)
    page = page.replace("@LAST_STEP@", str(int(schedule["last_step"])))
    left = re.search(r"@[A-Z_]+@", page)
    if left:
        fail(f"index.html names {left.group(0)}, a value this script does not know")
    with open(os.path.join(site, "index.html"), "w", encoding="utf-8") as f:
        f.write(page)


def unwrap_fluidsynth(build, site):
    """FluidSynth's script carries its WebAssembly as base64 text; the site
    ships the WebAssembly as the file it is, a quarter smaller, and the script
    (a module in the AudioWorklet) behind the loader that hands it over, with
    its names shortened."""
    with open(os.path.join(SYNTH, "externals", FLUIDSYNTH + ".js"), encoding="utf-8") as f:
        text = f.read()
    found = re.findall(r'"data:application/octet-stream;base64,([A-Za-z0-9+/=]+)"', text)
    if len(found) != 1:
        fail("FluidSynth's script does not hold one WebAssembly")
    with open(os.path.join(site, FLUIDSYNTH + ".wasm"), "wb") as f:
        f.write(base64.b64decode(found[0]))
    text = text.replace(f'"data:application/octet-stream;base64,{found[0]}"',
                        f'"{FLUIDSYNTH}.wasm"')
    with open(os.path.join(WEB, "site", "fluidsynth-loader.js"), encoding="utf-8") as f:
        loader = f.read()
    joined = os.path.join(build, FLUIDSYNTH + ".js")
    with open(joined, "w", encoding="utf-8") as f:
        f.write(loader + text)
    shorten(joined, os.path.join(site, FLUIDSYNTH + ".js"), "--module")


def cut_soundfont(tune, site):
    """The soundfont cut to the presets the default tune plays, named after
    the tune as the page names it: what a first visit fetches. The full set is
    fetched only for a tune of the visitor's own."""
    name = subprocess.run(["node", os.path.join(ROOT, "scripts/helpers/tune-soundfont.mjs"), tune],
                          check=True, capture_output=True, text=True).stdout.strip()
    subprocess.run([sys.executable, os.path.join(ROOT, "scripts/helpers/cut-soundfont.py"),
                    SOUNDFONT, tune, os.path.join(site, name)], check=True)
    return name


def site_hash(site):
    """A hash of every file of the site, its names included."""
    digest = hashlib.sha256()
    for folder, dirs, names in sorted(os.walk(site)):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(folder, name)
            digest.update(os.path.relpath(path, site).encode() + b"\0")
            with open(path, "rb") as f:
                digest.update(f.read())
    return digest.hexdigest()[:16]


def make_installable(build, files, cut, site):
    """The manifest, the icons made from the default picture (its plain
    bitmap, written apart), and the service worker with the files a visit needs
    before the click, named by a hash of the site so far."""
    shutil.copy(os.path.join(WEB, "site", "manifest.webmanifest"), site)
    plain = os.path.join(build, "plain")
    shutil.rmtree(plain, ignore_errors=True)
    subprocess.run([os.path.join(build, "host", "tools", "default_data"), plain], check=True)
    subprocess.run([sys.executable, os.path.join(ROOT, "scripts/helpers/make-icons.py"),
                    os.path.join(plain, files["folder"], files["picture"]), site,
                    "180", "192", "512"], check=True)
    data = ["/".join(urllib.parse.quote(files[k], safe="") for k in ("folder", key))
            for key in ("picture", "tune")]
    needed = ["index.html", *PAGE_SCRIPTS, "flicker.js", "flicker.wasm", "js-synthesizer.min.js",
              "js-synthesizer.worklet.min.js", FLUIDSYNTH + ".js", FLUIDSYNTH + ".wasm", cut,
              "manifest.webmanifest", *data]
    with open(os.path.join(WEB, "site", "sw.js"), encoding="utf-8") as f:
        text = f.read()
    # (the worker's own text in the hash too: a new worker is a new cache)
    text = text.replace("@SITE_HASH@", hashlib.sha256((site_hash(site) + text).encode()).hexdigest()[:16])
    text = text.replace("@SITE_FILES@", ", ".join(json.dumps(name) for name in needed))
    text = text.replace("@SITE_FOLDER@", json.dumps(files["folder"]))
    with open(os.path.join(site, "sw.js"), "w", encoding="utf-8") as f:
        f.write(text)


def copy_licences(site):
    licences = os.path.join(site, "licences")
    shutil.copy(os.path.join(WEB, "site", "licences", "README.txt"), licences)
    shutil.copy(os.path.join(SYNTH, "externals", "LICENSE.fluidsynth.txt"),
                os.path.join(licences, "FluidSynth-LGPL-2.1.txt"))
    shutil.copy(os.path.join(SYNTH, "LICENSE"),
                os.path.join(licences, "js-synthesizer-BSD-3-Clause.txt"))
    shutil.copy("/usr/share/common-licenses/GPL-2", os.path.join(licences, "TimGM6mb-GPL-2.txt"))
    # (a system that leaves out packages' documents has no copyright file)
    copyright_file = "/usr/share/doc/timgm6mb-soundfont/copyright"
    target = os.path.join(licences, "TimGM6mb-copyright.txt")
    if os.path.isfile(copyright_file):
        shutil.copy(copyright_file, target)
    else:
        with open(target, "w", encoding="utf-8") as f:
            f.write("TimGM6mb: GPL-2 (TimGM6mb-GPL-2.txt); Debian source package "
                    "timgm6mb-soundfont.\n")


def main(argv):
    if len(argv) == 2 and argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0
    if len(argv) != 2:
        print("usage: assemble-site.py BUILD", file=sys.stderr)
        return 2
    build = os.path.abspath(argv[1])
    with open(os.path.join(build, "host", "window.json"), encoding="utf-8") as f:
        window = json.load(f)
    files = window["files"]
    site = os.path.join(build, "site")
    shutil.rmtree(site, ignore_errors=True)
    os.makedirs(os.path.join(site, "licences"))
    write_page(files, window["schedule"], site)
    for name in PAGE_SCRIPTS:
        shutil.copy(os.path.join(WEB, "site", name), site)
    program = os.path.join(build, "wasm", "programs", "web")
    shorten(os.path.join(program, "flicker.js"), os.path.join(site, "flicker.js"))
    shutil.copy(os.path.join(program, "flicker.wasm"), site)
    for name in ("js-synthesizer.min.js", "js-synthesizer.worklet.min.js"):
        shutil.copy(os.path.join(SYNTH, "dist", name), site)
    unwrap_fluidsynth(build, site)
    shutil.copy(SOUNDFONT, site)
    # The default picture run-length encoded: the same pixels in fewer bytes.
    subprocess.run([os.path.join(build, "host", "tools", "default_data"), "--run-length", site],
                   check=True)
    cut = cut_soundfont(os.path.join(site, files["folder"], files["tune"]), site)
    copy_licences(site)
    # An example of the show in another site's page, told the show's title.
    shutil.copy(os.path.join(WEB, "site", "embed.html"), site)
    make_installable(build, files, cut, site)
    print(f"Built the site in {os.path.relpath(site)}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
