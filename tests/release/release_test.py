#!/usr/bin/env python3
"""Checks the release artefacts the way a user meets them.

  release_test.py deb ROOT DEB    installs DEB into the empty Debian at ROOT
                                  (needs root), starts the launcher there on a
                                  private Xvfb display, from a folder without
                                  "[]" and from one with its own picture, then
                                  removes the package and looks for leftovers
  release_test.py appstream DEB   the .deb's AppStream metadata: one file in
                                  /usr/share/metainfo named after its id,
                                  valid under appstreamcli validate, its
                                  launchable the package's desktop entry
  release_test.py zip ZIP [--run] checks the Windows zip's file list; with
                                  --run, starts its Project1.exe under Wine
                                  (WINE, WINEPREFIX from the environment) and
                                  looks for the picture on screen
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "support"))
from e2e import (Failure, Xvfb, check, geometry, image_rgb, outcome, run, screen,  # noqa: E402
                 wait_for, windows_of)
from showfiles import read_window, write_bmp  # noqa: E402

# The client area's side and the data files' names, as the release's build
# made them.
WINDOW = read_window(os.environ.get("SHOW_WINDOW_JSON",
                                    os.path.join(here, "../../build-release/window.json")))
SIDE = WINDOW["client"][0]
FOLDER, PICTURE, TUNE = (WINDOW["files"][key] for key in ("folder", "picture", "tune"))
HIGH_NIBBLE = bytes(b & 0xF0 for b in range(256))


def picture_rgb(file):
    """A bitmap's pixels, top row first, with the four high bits."""
    rgb = image_rgb(file)
    check(len(rgb) == SIDE * SIDE * 3, f"{file} is not {SIDE} x {SIDE}")
    return rgb.translate(HIGH_NIBBLE)


def find_picture(expected):
    """Where the 400 x 400 picture shows on the screen, pixel for pixel (its
    four high bits), as (left, top); None where it does not."""
    width, height, pixels = screen()
    pixels = pixels.translate(HIGH_NIBBLE)
    row_bytes, side_bytes = width * 3, SIDE * 3
    first = expected[:side_bytes]
    for y in range(height - SIDE + 1):
        line = pixels[y * row_bytes:(y + 1) * row_bytes]
        x = line.find(first)
        while x >= 0:
            if x % 3 == 0 and x + side_bytes <= row_bytes and all(
                    pixels[(y + r) * row_bytes + x:(y + r) * row_bytes + x + side_bytes]
                    == expected[r * side_bytes:(r + 1) * side_bytes] for r in range(SIDE)):
                return x // 3, y
            x = line.find(first, x + 1)
    return None


# The Debian package ---------------------------------------------------------


def in_root(root, *command, **kwargs):
    env = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "LANG": "C.UTF-8",
           "DEBIAN_FRONTEND": "noninteractive", "HOME": "/root"}
    return run("/usr/sbin/chroot", root, *command, env=env, **kwargs)


def show_in_root(root, folder, expected, what):
    """Starts the launcher in the root's FOLDER and checks the window."""
    os.makedirs(root + folder, mode=0o700, exist_ok=True)
    env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "HOME": folder,
           "XDG_RUNTIME_DIR": folder, "DISPLAY": os.environ["DISPLAY"]}
    log = open(os.path.join(root + folder, "log"), "w+b")
    command = ["/usr/sbin/chroot", root, "sh", "-c", f"cd '{folder}' && exec flicker-show"]
    process = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT)
    # A start that found no display is tried again, twice at the most, and
    # said: it was seen once while every part of the test command ran side by
    # side, and its cause is not known.
    for _ in range(2):
        try:
            status = process.wait(timeout=2)
        except subprocess.TimeoutExpired:
            break
        print(f"# the launcher ended at once (exit status {status}); starting it again", flush=True)
        time.sleep(1)
        process = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT)
    try:
        window = wait_for("the window", lambda: process.poll() is None
                          and (windows_of(process.pid) or [None])[0],
                          timeout=30)
        time.sleep(1.0)
        left, top, width, height = geometry(window)
        check((width, height) == (SIDE, SIDE), f"{what}: a {width} x {height} window")
        found = wait_for("the picture", lambda: find_picture(expected), timeout=10)
        check(found == (left, top), f"{what}: the picture at {found}, the window at {left}, {top}")
        print(f"ok - {what}: a {SIDE} x {SIDE} window at {left}, {top} showing the picture",
              flush=True)
    except Failure:
        log.seek(0)
        sys.stderr.write(log.read().decode("utf-8", "replace"))
        raise
    finally:
        if process.poll() is None:
            process.terminate()
        process.wait(timeout=10)
        log.close()


def test_deb(root, deb):
    root = os.path.abspath(root)
    x11 = os.path.join(root, "tmp/.X11-unix")
    packages_before = in_root(root, "dpkg-query", "-W", "-f", "${Package}\\n").decode().split()
    shutil.copy(deb, os.path.join(root, "tmp"))
    started = time.monotonic()
    # The lists as the test command refreshes them: a source that fails (a
    # mirror in the middle of a sync) is named and left out, not fatal.
    shutil.copy(os.path.join(here, "../../scripts/helpers/apt-update.sh"),
                os.path.join(root, "tmp"))
    in_root(root, "sh", "/tmp/apt-update.sh")
    in_root(root, "apt-get", "install", "-y", "-q", "-o", "Acquire::Retries=3",
            "/tmp/" + os.path.basename(deb))
    print(f"ok - installed with apt-get and its dependencies in {time.monotonic() - started:.0f} s",
          flush=True)
    listed = in_root(root, "dpkg", "-L", "flicker-show").decode().split("\n")
    files = [p for p in listed if p and not os.path.isdir(root + p)]
    check("/usr/bin/flicker-show" in files, "no launcher on the PATH")
    check(any(p.startswith("/usr/share/metainfo/") for p in files), "no AppStream metadata")

    with Xvfb():
        os.makedirs(x11, exist_ok=True)
        run("mount", "--bind", "/tmp/.X11-unix", x11)
        try:
            default = picture_rgb(f"{root}/usr/share/flicker-show/{FOLDER}/{PICTURE}")
            show_in_root(root, "/tmp/plain", default, "from a folder without \"[]\"")
            own_folder = f"{root}/tmp/own/{FOLDER}"
            gradient = [[((x ^ y) & 0xFF, y * 255 // (SIDE - 1), x * 255 // (SIDE - 1))
                         for x in range(SIDE)] for y in range(SIDE)]  # (b, g, r)
            write_bmp(os.path.join(own_folder, PICTURE), gradient, top_down=False)
            own = picture_rgb(os.path.join(own_folder, PICTURE))
            check(own != default, "test picture")
            show_in_root(root, "/tmp/own", own, "from a folder with its own \"[]\"")
        finally:
            run("umount", "-l", x11)

    in_root(root, "apt-get", "purge", "-y", "-q", "flicker-show")
    in_root(root, "apt-get", "autoremove", "--purge", "-y", "-q")
    left = [p for p in files + ["/usr/lib/flicker-show", "/usr/share/flicker-show",
                                "/usr/share/doc/flicker-show"] if os.path.lexists(root + p)]
    check(not left, f"left behind after removal: {left}")
    packages_after = in_root(root, "dpkg-query", "-W", "-f", "${Package}\\n").decode().split()
    gone = sorted(set(packages_before) - set(packages_after))
    check(not gone, f"packages of the empty root removed: {gone}")
    stayed = sorted(set(packages_after) - set(packages_before))
    protected, kept = kept_for_protected(root, stayed)
    left = [p for p in stayed if p not in kept]
    check(not left, f"packages left behind: {left}")
    packages = ("the same packages as before" if not protected else
                f"the packages of before and {', '.join(protected)}, which apt never removes "
                f"once installed, with the {len(kept) - len(protected)} it keeps for them")
    print(f"ok - removed with its dependencies: none of its {len(files)} files left, {packages}",
          flush=True)


def kept_for_protected(root, packages):
    """Of `packages`, those marked Protected (an init system: apt installs one
    where a dependency asks for it, and never removes it again) and all that
    apt's autoremove keeps installed for them: what they depend on, recommend
    or suggest, and so on. Returns (the protected ones, all kept)."""
    protected = [p for p in packages
                 if in_root(root, "dpkg-query", "-W", "-f", "${Protected}", p).strip() == b"yes"]
    if not protected:
        return [], set()
    tree = in_root(root, "apt-cache", "depends", "--recurse", "--installed", "--no-conflicts",
                   "--no-breaks", "--no-replaces", "--no-enhances", *protected).decode()
    # One unindented line a package reached; its relations follow, indented.
    reached = {line.strip() for line in tree.splitlines() if line and not line[0].isspace()}
    return protected, reached & set(packages) | set(protected)


def test_appstream(deb):
    import xml.etree.ElementTree as ElementTree

    work = tempfile.mkdtemp(prefix="show-appstream-")
    try:
        run("dpkg-deb", "-x", deb, work)
        folder = os.path.join(work, "usr/share/metainfo")
        found = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        check(len(found) == 1 and found[0].endswith(".metainfo.xml"),
              f"/usr/share/metainfo holds {found}, not one .metainfo.xml")
        path = os.path.join(folder, found[0])
        component = ElementTree.parse(path).getroot()
        cid = component.findtext("id")
        check(found[0] == f"{cid}.metainfo.xml", f"{found[0]} is not named after its id {cid}")
        done = subprocess.run(["appstreamcli", "validate", "--no-net", "--no-color", path],
                              capture_output=True, text=True)
        check(done.returncode == 0, f"appstreamcli validate: {done.stdout}{done.stderr}")
        launchable = component.findtext("launchable[@type='desktop-id']")
        check(launchable and os.path.isfile(os.path.join(work, "usr/share/applications", launchable)),
              f"its launchable {launchable} is not the package's desktop entry")
        version = run("dpkg-deb", "-f", deb, "Version").decode().strip()
        releases = [r.get("version") for r in component.iter("release")]
        check(releases[:1] == [version], f"its newest release {releases[:1]} is not the package's {version}")
        print(f"ok - AppStream metadata /usr/share/metainfo/{found[0]}: valid, "
              f"launches {launchable}, release {version}", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


# The Windows zip -------------------------------------------------------------


def test_zip(path, run_it):
    name = os.path.basename(path)
    top = name[:-len(".zip")]
    expected = [f"{top}/", f"{top}/Project1.exe", f"{top}/README.txt", f"{top}/{FOLDER}/",
                f"{top}/{FOLDER}/{PICTURE}", f"{top}/{FOLDER}/{TUNE}"]
    with zipfile.ZipFile(path) as archive:
        names = archive.namelist()
        check(sorted(names) == sorted(expected), f"the zip holds {names}")
        work = tempfile.mkdtemp(prefix="show-zip-")
        try:
            archive.extractall(work)
            print(f"ok - the zip holds exactly {len(names)} entries", flush=True)
            if run_it:
                run_from_zip(os.path.join(work, top))
        finally:
            shutil.rmtree(work, ignore_errors=True)


def run_from_zip(folder):
    wine = os.environ.get("WINE", "wine")
    expected = picture_rgb(os.path.join(folder, FOLDER, PICTURE))
    with Xvfb():
        log = open(os.path.join(folder, "log"), "w+b")
        process = subprocess.Popen([wine, "Project1.exe"], cwd=folder, stdout=log,
                                   stderr=subprocess.STDOUT)
        try:
            left, top = wait_for("the picture on screen", lambda: find_picture(expected),
                                 timeout=60)
            print(f"ok - Project1.exe from the zip under Wine: the picture, "
                  f"{SIDE} x {SIDE}, at {left}, {top}", flush=True)
        except Failure:
            log.seek(0)
            sys.stderr.write(log.read().decode("utf-8", "replace"))
            raise
        finally:
            subprocess.run(["wineserver", "-k"], capture_output=True)
            if process.poll() is None:
                process.kill()
            process.wait()
            log.close()


def main(argv):
    if len(argv) >= 2 and argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0
    if len(argv) == 4 and argv[1] == "deb":
        return outcome(test_deb, argv[2], argv[3])
    if len(argv) == 3 and argv[1] == "appstream":
        return outcome(test_appstream, argv[2])
    if len(argv) in (3, 4) and argv[1] == "zip" and argv[3:] in ([], ["--run"]):
        return outcome(test_zip, argv[2], argv[3:] == ["--run"])
    print("usage: release_test.py deb ROOT DEB | appstream DEB | zip ZIP [--run]", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
