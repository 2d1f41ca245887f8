"""scripts/check-layers.sh on a small tree of its own: it passes what the
rules allow (the system's headers among them) and refuses a header of the
tree's included with <...> against the layers, and scripts that import across
the site's boundary."""
import os
import shutil
import subprocess
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                     "check-layers.sh")

ALLOWED = {
    "scripts/layers.txt": "core: core\napp: core app\n",
    "scripts/imports.txt": "programs/web/site: programs/web/site\n"
                           "scripts/helpers: scripts/helpers\ntests: *\n",
    "core/Random.h": "#include <cstdint>\n#include <vector>\n#include <windows.h>\n"
                     "#include <gtest/gtest.h>\n#include \"core/Text.h\"\n",
    "core/Text.h": "",
    "app/Unit1.h": "#include <core/Text.h>\n#include \"app/Timer.h\"\n",
    "app/Timer.h": "",
    "programs/web/site/page.js": "import {Tick} from './clock.js';\n",
    "programs/web/site/clock.js": "",
    # npm's packages are not the tree's: never read.
    "programs/web/node_modules/pkg/index.js": "import '../../../../tests/support/launch.mjs';\n",
    "scripts/helpers/build.py": "import json\nfrom bitmaps import read_bmp\n",
    "scripts/helpers/bitmaps.py": "import struct\n",
    "tests/support/launch.mjs": "import path from 'node:path';\n",
    "tests/support/launch.py": "import bitmaps\n",
    "tests/web/page.test.mjs": "import {launch} from '../support/launch.mjs';\n"
                               "import {Tick} from '../../programs/web/site/clock.js';\n",
}
# Each file that breaks a rule, with what it breaks it with.
REFUSED = {
    "core/Flicker.h": "#include <vector>\n#include <app/Unit1.h>\n",
    "programs/web/site/recorder.js": "import {launch} from\n    '../../../tests/support/launch.mjs';\n",
    "scripts/helpers/icons.py": "import os\nfrom launch import open_browser\n",
}


def run_check(files):
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(root, name), "w", encoding="utf-8") as f:
                f.write(text)
        shutil.copy(CHECK, os.path.join(root, "scripts"))
        done = subprocess.run(["sh", os.path.join(root, "scripts", "check-layers.sh")],
                              capture_output=True, text=True, check=False)
        return done.returncode, done.stdout + done.stderr


class CheckLayers(unittest.TestCase):
    def test_passes_what_the_rules_allow(self):
        status, output = run_check(ALLOWED)
        self.assertEqual(status, 0, output)

    def test_refuses_each_include_and_import_across_a_boundary(self):
        status, output = run_check({**ALLOWED, **REFUSED})
        self.assertEqual(status, 1, output)
        refused = sorted(line.split(":", 1)[0] for line in output.splitlines()
                         if line.startswith(("core/", "app/", "programs/", "scripts/")))
        self.assertEqual(refused, sorted(REFUSED), output)
        self.assertIn("core/Flicker.h:2: includes <app/Unit1.h>", output)
        self.assertIn("programs/web/site/recorder.js:1: imports", output)
        self.assertIn("scripts/helpers/icons.py:2: imports launch from tests/support", output)


if __name__ == "__main__":
    unittest.main()
