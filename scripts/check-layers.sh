#!/bin/sh
# Checks that every include goes down the layers, as scripts/layers.txt says
# for each folder of the code, the tools and the tests (one with no line
# fails), both "..." and <...> includes: a <...> include is the tree's when its
# first folder is one of the tree's (<app/Unit1.h>), else the system's
# (<vector>, <windows.h>). Checks the same way that the Python and JavaScript
# import only what scripts/imports.txt allows. Names each file whose include
# or import breaks a rule, with the rule, and exits with status 1 if any does.
# Run from anywhere; checks the tree it lies in.
set -eu
cd "$(dirname "$0")/.."
case "${1:-}" in
    -h | --help)
        echo "usage: sh scripts/check-layers.sh"
        exit 0
        ;;
    "") ;;
    *)
        echo "usage: sh scripts/check-layers.sh" >&2
        exit 2
        ;;
esac
exec python3 - <<'PY'
import os
import re
import sys

TOPS = ("core", "picture", "show", "platform", "app", "programs", "tools", "tests")
SCRIPT_TOPS = ("platform", "programs", "scripts", "tools", "tests")
SKIPPED = {"node_modules", "__pycache__"}


def read_rules(path):
    rules = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            key, sep, allowed = line.partition(":")
            if not sep or not allowed.split():
                sys.exit(f"{path}:{number}: expected 'FOLDER: ALLOWED...'")
            rules[key.strip()] = allowed.split()
    return rules


def walk(tops, suffixes):
    """(folder, sorted names of the given kinds) under each top."""
    for top in tops:
        # (walked as it goes, so that the skipped folders are left unread)
        for folder, dirs, names in os.walk(top):
            dirs[:] = sorted(d for d in dirs if d not in SKIPPED)
            yield folder, sorted(n for n in names if n.endswith(suffixes))


rules = read_rules("scripts/layers.txt")
import_rules = read_rules("scripts/imports.txt")
broken = 0
for source, table in (("scripts/layers.txt", rules), ("scripts/imports.txt", import_rules)):
    for key in sorted(table):
        if not os.path.exists(key):
            print(f"{source}: {key} names no folder or file of the tree")
            broken += 1

# C++: "folder/name.h", and <folder/name.h> where the folder is the tree's.
include = re.compile(r'^\s*#\s*include\s*(?:"([^"]+)"|<([^>]+)>)')
checked = 0
for folder, sources in walk(TOPS, (".h", ".cpp")):
    if sources and folder not in rules:
        print(f"{folder}: no line for this folder in scripts/layers.txt")
        broken += 1
        continue
    for name in sources:
        path = f"{folder}/{name}"
        rule_key = path if path in rules else folder
        allowed = rules[rule_key]
        checked += 1
        with open(path, encoding="utf-8") as f:
            for number, text in enumerate(f, 1):
                match = include.match(text)
                if not match:
                    continue
                quoted, angled = match.groups()
                header = quoted or angled
                if "/" not in header:
                    continue  # a system header, or one the build generates beside the file
                if angled and header.split("/", 1)[0] not in TOPS:
                    continue  # a system or library header
                written = f'"{header}"' if quoted else f"<{header}>"
                if os.path.dirname(header) not in allowed:
                    print(f"{path}:{number}: includes {written}, but {rule_key} may "
                          f"include only {', '.join(allowed)} (scripts/layers.txt)")
                    broken += 1

# Python and JavaScript: each import of a module of the tree.
modules = {}  # a Python module's name: the folders that hold it
for folder, names in walk(SCRIPT_TOPS, (".py",)):
    for name in names:
        modules.setdefault(name[:-3], []).append(folder)
python_import = re.compile(
    r"^[ \t]*(?:from[ \t]+([\w.]+)[ \t]+import\b|import[ \t]+([\w.]+(?:[ \t]*,[ \t]*[\w.]+)*))",
    re.M)
script_import = re.compile(
    r"""(?:\b(?:import|export)\b[\w\s{},*$]*?\bfrom\s*|\bimport\s*\(?\s*|\brequire\s*\(\s*"""
    r"""|\bimportScripts\s*\(\s*)['"]([^'"]+)['"]""")


def imports_of(path, text):
    """(line, what, folders) for each import of a module of the tree: the
    folders it may come from."""
    here = os.path.dirname(path)
    if path.endswith(".py"):
        for match in python_import.finditer(text):
            line = text.count("\n", 0, match.start()) + 1
            names = [match.group(1)] if match.group(1) else match.group(2).split(",")
            for name in (n.strip() for n in names):
                folders = modules.get(name.split(".", 1)[0], [])
                if name.startswith(".") or here in folders:
                    yield line, name, [here]  # the script's own folder comes first
                elif folders:
                    yield line, name, folders
    else:
        for match in script_import.finditer(text):
            imported = match.group(1)
            if not imported.startswith((".", "/")):
                continue  # node's own or npm's
            target = os.path.normpath(os.path.join(here, imported.lstrip("/")))
            if "node_modules" not in target.split(os.sep):
                yield text.count("\n", 0, match.start()) + 1, imported, [os.path.dirname(target)]


def import_rule(path):
    key = path
    while key and key not in import_rules:
        key = os.path.dirname(key)
    return key or None


scripts = 0
for folder, names in walk(SCRIPT_TOPS, (".py", ".mjs", ".js", ".cjs")):
    for name in names:
        path = f"{folder}/{name}"
        rule_key = import_rule(path)
        if rule_key is None:
            print(f"{path}: no line for it or a folder of it in scripts/imports.txt")
            broken += 1
            continue
        allowed = import_rules[rule_key]
        scripts += 1
        if "*" in allowed:
            continue
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for line, what, folders in imports_of(path, text):
            if not any(folder in allowed for folder in folders):
                print(f"{path}:{line}: imports {what} from {' or '.join(folders)}, but {rule_key} "
                      f"may import only from {', '.join(allowed)} (scripts/imports.txt)")
                broken += 1

if broken:
    print(f"check-layers: {broken} include(s) or import(s) go the wrong way or have no rule")
    sys.exit(1)
print(f"check-layers: {checked} C++ files and {scripts} scripts, every include and import "
      "goes down the layers")
PY
