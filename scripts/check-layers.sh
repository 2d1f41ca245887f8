#!/bin/sh
# Checks that every include goes down the layers, as scripts/layers.txt says
# for each folder of the code, the tools and the tests (one with no line fails):
# names each file whose include breaks a rule, with the rule, and exits with
# status 1 if any does. Run from anywhere; checks the tree it lies in.
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

rules = {}
with open("scripts/layers.txt", encoding="utf-8") as f:
    for number, line in enumerate(f, 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        key, sep, allowed = line.partition(":")
        if not sep or not allowed.split():
            sys.exit(f"scripts/layers.txt:{number}: expected 'FOLDER: ALLOWED...'")
        rules[key.strip()] = allowed.split()

broken = 0
for key in sorted(rules):
    if not os.path.exists(key):
        print(f"scripts/layers.txt: {key} names no folder or file of the tree")
        broken += 1
include = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
checked = 0
for top in ("core", "picture", "show", "platform", "app", "tools", "tests"):
    for folder, _, names in sorted(os.walk(top)):
        sources = sorted(n for n in names if n.endswith((".h", ".cpp")))
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
                    if not match or "/" not in match.group(1):
                        continue  # a header the build generates beside the file
                    target = os.path.dirname(match.group(1))
                    if target not in allowed:
                        print(f"{path}:{number}: includes \"{match.group(1)}\", but {rule_key} may "
                              f"include only {', '.join(allowed)} (scripts/layers.txt)")
                        broken += 1
if broken:
    print(f"check-layers: {broken} include(s) go the wrong way or have no rule")
    sys.exit(1)
print(f"check-layers: {checked} files, every include goes down the layers")
PY
