#!/usr/bin/env python3
"""The layer check fails on each kind of include it exists to stop, and passes a clean tree.

Each case plants one file with one include in a small tree whose own includes keep to the
layers, then runs scripts/check_layers.py on it.
"""

import pathlib
import subprocess
import sys
import tempfile
import unittest

CHECK = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "check_layers.py"

# Includes every folder may make, so a planted one is the only thing the check can find.
CLEAN_TREE = {
    "platform/wgl/Context.cpp": ["<EGL/egl.h>", "<GL/glx.h>", "<X11/Xlib.h>", "<GL/gl.h>",
                                 "<wx/glcanvas.h>"],
    "geometry/Point3d.h": ["<cmath>"],
    "support/Text.cpp": ['"geometry/Point3d.h"'],
    "database/Texture.cpp": ['"support/Text.h"', "<GL/gl.h>", "<GL/glu.h>"],
    "components/Text.cpp": ['"database/Entity.h"', '"settings/Style.h"', "<GL/gl.h>"],
    "model/ZephyronModel.cpp": ['"database/CurrentModel.h"', '"settings/Style.h"'],
    "view/ZphView.cpp": ['"model/ZephyronModel.h"', "<GL/gl.h>"],
    "tools/Tool.cpp": ['"view/ZphView.h"', "<GL/gl.h>"],
    "viewer/MainFrame.cpp": ['"tools/Tool.h"', "<wx/menu.h>", "<GL/gl.h>"],
}

# (planted file, its include, whether the check must fail)
CASES = [
    (None, None, False),
    ("database/Layer.cpp", '"settings/Style.h"', True),
    ("database/Material.cpp", '"model/ZephyronModel.h"', True),
    ("components/Dimension.cpp", '"model/ZephyronModel.h"', True),
    ("settings/Camera.cpp", '"view/ZphView.h"', True),
    ("support/Writer.cpp", '"tests/support/ModelWriter.h"', True),
    ("database/Entity.h", "<wx/string.h>", True),
    ("tools/CameraTool.cpp", "<wx/event.h>", True),
    ("view/MemoryGLContext.cpp", "<EGL/egl.h>", True),
    ("viewer/GLBaseView.cpp", "<GL/glx.h>", True),
    ("view/Clipping.cpp", "<X11/Xlib.h>", True),
    ("geometry/Plane.cpp", "<GL/gl.h>", True),
    ("support/Colors.cpp", "<GL/glu.h>", True),
    ("image/Dib.cpp", "<GL/gl.h>", True),
    ("model/ZephyronModel.h", "<GL/gl.h>", True),
    ("settings/Style.cpp", '"topology/Face.h"', False),
    ("view/ZphViewText.cpp", '"model/ZephyronModel.h"', False),
]


def write(root, relative, includes):
    path = root / relative
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text("".join(f"#include {header}\n" for header in includes))


class CheckLayersTest(unittest.TestCase):
    def test_cases(self):
        for planted, include, fails in CASES:
            with self.subTest(planted=planted, include=include), \
                    tempfile.TemporaryDirectory() as directory:
                root = pathlib.Path(directory)
                for relative, includes in CLEAN_TREE.items():
                    write(root, relative, includes)
                if planted:
                    write(root, planted, [include])
                result = subprocess.run([sys.executable, str(CHECK), str(root)],
                                        capture_output=True, text=True)
                if fails:
                    self.assertEqual(result.returncode, 1, result.stdout)
                    found = [line for line in result.stdout.splitlines() if ": #include" in line]
                    self.assertEqual(len(found), 1, result.stdout)
                    self.assertTrue(found[0].startswith(f"{planted}:1: #include {include}:"),
                                    result.stdout)
                else:
                    self.assertEqual(result.returncode, 0, result.stdout)

    def test_root_without_source_folders_fails(self):
        with tempfile.TemporaryDirectory() as directory:
            result = subprocess.run([sys.executable, str(CHECK), directory],
                                    capture_output=True, text=True)
            self.assertEqual(result.returncode, 2, result.stdout)


if __name__ == "__main__":
    unittest.main()
