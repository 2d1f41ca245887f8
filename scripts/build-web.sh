#!/bin/sh
# Installs what is missing (apt-get, then npm ci) and builds the show's web
# page into build-web/site/ (or SHOW_WEB_BUILD's site/): the page, the program
# in WebAssembly and its JS, the synthesizer, the soundfont, the default
# picture and tune, and the licences of what the site ships. SHOW_BUILD_JOBS
# limits the build's jobs.
set -eu
cd "$(dirname "$0")/.."
sh scripts/helpers/install-deps.sh $(grep -hv '^#' scripts/packages/build.txt scripts/packages/web.txt)
command -v npm >/dev/null || sh scripts/helpers/install-deps.sh npm
jobs=${SHOW_BUILD_JOBS:+-j$SHOW_BUILD_JOBS}
# Where it builds: build-web/, or the folder SHOW_WEB_BUILD names (the
# release builds its own, so that it can pack while the web tests run).
out=${SHOW_WEB_BUILD:-build-web}

web=platform/web
if [ ! -d "$web/node_modules/js-synthesizer" ] ||
    [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
    (cd "$web" && npm ci --no-audit --no-fund)
fi

# The program, compiled by Emscripten (its acorn, and terser's modules, come
# from Debian's node path).
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S . -B "$out"/wasm -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS=-fexceptions -DSHOW_WARNINGS_AS_ERRORS=ON \
    -DSHOW_BUILD_TOOLS=OFF -DSHOW_BUILD_TESTS=OFF >/dev/null
cmake --build "$out"/wasm $jobs --target show_web
# The default data's writer, and replay for the page's tests, built for this
# machine.
cmake -S . -B "$out"/host -G Ninja -DSHOW_BUILD_TESTS=OFF >/dev/null
cmake --build "$out"/host $jobs --target default_data replay window_json

site="$out"/site
rm -rf "$site"
mkdir -p "$site/licences"
cp "$web"/site/index.html "$web"/site/page.js "$web"/site/showclock.js "$web"/site/music.js \
    "$web"/site/recorder.js "$site/"
# The program's JS with its local names shortened (terser, Debian's).
terser "$out"/wasm/platform/web/flicker.js --compress --mangle -o "$site/flicker.js"
cp "$out"/wasm/platform/web/flicker.wasm "$site/"
synth=$web/node_modules/js-synthesizer
cp "$synth/dist/js-synthesizer.min.js" "$synth/dist/js-synthesizer.worklet.min.js" "$site/"
# FluidSynth's script carries its WebAssembly as base64 text; the site ships
# the WebAssembly as the file it is, a quarter smaller, and the script (a
# module in the AudioWorklet) behind the loader that hands it over, with its
# names shortened.
python3 - "$synth/externals/libfluidsynth-2.4.6.js" "$web/site/fluidsynth-loader.js" \
    "$site/libfluidsynth-2.4.6.wasm" "$out"/libfluidsynth-2.4.6.js <<'PY'
import base64, re, sys
script, loader, wasm, out = sys.argv[1:]
text = open(script, encoding="utf-8").read()
found = re.findall(r'"data:application/octet-stream;base64,([A-Za-z0-9+/=]+)"', text)
if len(found) != 1:
    sys.exit("build-web: FluidSynth's script does not hold one WebAssembly")
open(wasm, "wb").write(base64.b64decode(found[0]))
text = text.replace('"data:application/octet-stream;base64,' + found[0] + '"',
                    '"libfluidsynth-2.4.6.wasm"')
open(out, "w", encoding="utf-8").write(open(loader, encoding="utf-8").read() + text)
PY
terser "$out"/libfluidsynth-2.4.6.js --module --compress --mangle -o "$site/libfluidsynth-2.4.6.js"
cp /usr/share/sounds/sf2/TimGM6mb.sf2 "$site/"
# The default picture run-length encoded: the same pixels in fewer bytes.
"$out"/host/tools/default_data --run-length "$site"
# The soundfont cut to the presets the default tune plays, named after the
# tune (FNV-1a of its bytes, as site/music.js reckons it): what a first visit
# fetches. The full set is fetched only for a tune of the visitor's own.
tune="$site/[]/,,,,;,,.mid"
hash=$(python3 -c 'import sys
h = 0x811c9dc5
for b in open(sys.argv[1], "rb").read():
    h = ((h ^ b) * 0x01000193) & 0xffffffff
print(f"{h:08x}")' "$tune")
python3 scripts/helpers/cut-soundfont.py /usr/share/sounds/sf2/TimGM6mb.sf2 "$tune" "$site/TimGM6mb-$hash.sf2"
cp "$synth/externals/LICENSE.fluidsynth.txt" "$site/licences/FluidSynth-LGPL-2.1.txt"
cp "$synth/LICENSE" "$site/licences/js-synthesizer-BSD-3-Clause.txt"
cp /usr/share/common-licenses/GPL-2 "$site/licences/TimGM6mb-GPL-2.txt"
# (a system that leaves out packages' documents has no copyright file)
copyright=/usr/share/doc/timgm6mb-soundfont/copyright
if [ -f "$copyright" ]; then
    cp "$copyright" "$site/licences/TimGM6mb-copyright.txt"
else
    echo "TimGM6mb: GPL-2 (TimGM6mb-GPL-2.txt); Debian source package timgm6mb-soundfont." \
        >"$site/licences/TimGM6mb-copyright.txt"
fi
cat >"$site/licences/README.txt" <<'TEXT'
What this site ships besides its own files, and under which licence:

- libfluidsynth-2.4.6.js, libfluidsynth-2.4.6.wasm: FluidSynth compiled to
  WebAssembly, LGPL-2.1 (FluidSynth-LGPL-2.1.txt). Its source: the FluidSynth
  project's release 2.4.6, built as shipped in the npm package js-synthesizer
  1.11.0 (externals/libfluidsynth-2.4.6.js). Changed for this site only in
  packaging: the WebAssembly, which that script holds as base64 text, is here
  the file libfluidsynth-2.4.6.wasm, byte for byte; the script has the site's
  loader before it and its names shortened by terser.
- js-synthesizer.min.js, js-synthesizer.worklet.min.js: js-synthesizer 1.11.0,
  BSD-3-Clause (js-synthesizer-BSD-3-Clause.txt); its source is in the npm
  package js-synthesizer 1.11.0.
- TimGM6mb.sf2: the TimGM6mb soundfont, GPL-2 (TimGM6mb-GPL-2.txt and
  TimGM6mb-copyright.txt). The soundfont file is its own source; it comes from
  Debian's package timgm6mb-soundfont (source package timgm6mb-soundfont,
  from Debian's archive: apt-get source timgm6mb-soundfont).
- TimGM6mb-XXXXXXXX.sf2: the same soundfont, GPL-2, cut by this site's build
  (scripts/helpers/cut-soundfont.py in the show's source) to the presets the site's
  default tune plays, with their instruments, samples and modulators byte for
  byte and nothing else: every other preset, instrument and sample of
  TimGM6mb.sf2 was left out; its comment (ICMT) says which presets were kept.
  TimGM6mb.sf2 beside it is the whole work it was cut from.
TEXT
# Installable and offline: the manifest, the icons made from the default
# picture (its plain bitmap, written apart), and the service worker with the
# files a visit needs before the click and a cache name from a hash of every
# file the build made, so that each deployment has a cache of its own.
cp "$web"/site/manifest.webmanifest "$site/"
rm -rf "$out"/plain
"$out"/host/tools/default_data "$out"/plain
python3 scripts/helpers/make-icons.py "$out/plain/[]/,,,,;,,.bmp" "$site" 180 192 512
python3 - "$web/site/sw.js" "$site" "TimGM6mb-$hash.sf2" <<'PY'
import hashlib, os, sys
template, site, cut = sys.argv[1:]
digest = hashlib.sha256()
for folder, dirs, files in sorted(os.walk(site)):
    dirs.sort()
    for name in sorted(files):
        path = os.path.join(folder, name)
        digest.update(os.path.relpath(path, site).encode() + b"\0")
        digest.update(open(path, "rb").read())
files = ["index.html", "page.js", "showclock.js", "music.js", "recorder.js", "flicker.js", "flicker.wasm",
         "js-synthesizer.min.js", "js-synthesizer.worklet.min.js", "libfluidsynth-2.4.6.js",
         "libfluidsynth-2.4.6.wasm", cut, "manifest.webmanifest",
         "%5B%5D/%2C%2C%2C%2C%3B%2C%2C.bmp", "%5B%5D/%2C%2C%2C%2C%3B%2C%2C.mid"]
text = open(template, encoding="utf-8").read()
text = text.replace("@SITE_HASH@", digest.hexdigest()[:16])
text = text.replace("@SITE_FILES@", ", ".join(f"'{f}'" for f in files))
open(os.path.join(site, "sw.js"), "w", encoding="utf-8").write(text)
PY
echo "Built the site in $site"
