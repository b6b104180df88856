#!/usr/bin/env python3
"""Checks that every include of the source folders keeps to the layers (ARCHITECTURE.md).

Folder headers: a source file may include headers of its own layer and of lower ones; an
include of a higher layer's header, or of the tests, fails. The model layer is split into
floors the same way: the model database, then the entity classes, then the model object.

System headers: wxWidgets, EGL, GLX and Xlib stay in the platform layer (wxWidgets also in
the shell, which owns the windows), and GL stays in the folders that draw. So nothing below
the shell needs a window system, and only the platform layer knows how contexts are made.

Usage: scripts/check_layers.py [SOURCE_ROOT]  (default: this checkout). Any tree holding
some of the folders below will do, so the check can be tried on a small tree of its own.
"""

import pathlib
import re
import sys

# Layer of each source folder, lowest first, and the name its messages give it. Folders
# that do not exist yet (scenegraph/, ui/) keep their place so they start out checked.
LAYERS = {
    "platform": (0, "platform layer"),
    "geometry": (1, "geometry layer"),
    "support": (2, "support layer"),
    "image": (3, "image layer"),
    "database": (4, "model database floor"),
    "topology": (5, "entity floor"), "components": (5, "entity floor"),
    "settings": (5, "entity floor"),
    "model": (6, "model object floor"),
    "view": (7, "drawing layer"), "scenegraph": (7, "drawing layer"),
    "tools": (8, "interaction layer"), "viewer": (8, "shell"), "ui": (8, "shell"),
}
# Folders no source file may include at all.
OFF_LIMITS = ("tests", "bench", "fuzz")

# System header families and the only folders that may include them, first match wins.
# tools/ is not in the wxWidgets set: the tools reach the application through the hooks
# they define. The model database draws (component axes, textures); the model object and
# its reader do not, nor do geometry/, support/ and image/.
DRAWING = ("platform", "database", "topology", "components", "settings",
           "view", "scenegraph", "tools", "viewer")
SYSTEM_HEADERS = (
    # (family, pattern on the header path, allowed folders)
    ("wxWidgets", re.compile(r"wx/"), ("platform", "viewer", "ui")),
    ("EGL", re.compile(r"EGL/"), ("platform",)),
    ("GLX or Xlib", re.compile(r"GL/glx|X11/"), ("platform",)),
    ("GL", re.compile(r"GL/"), DRAWING),
)

SOURCE_SUFFIXES = {".h", ".hpp", ".inl", ".cpp", ".cc"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def describe(folder):
    layer, name = LAYERS[folder]
    return f"{folder}/ ({name}, layer {layer})"


def system_family(header):
    for family, pattern, allowed in SYSTEM_HEADERS:
        if pattern.match(header):
            return family, allowed
    return None, ()


def check_include(folder, header):
    """Returns what is wrong with `folder` including `header`, or None."""
    family, allowed = system_family(header)
    if family and folder not in allowed:
        return (f"{folder}/ includes {header} ({family}); only "
                + ", ".join(f"{name}/" for name in allowed) + " may")
    target = header.split("/", 1)[0] if "/" in header else None
    if target in OFF_LIMITS:
        return f"source code includes {target}/"
    if target in LAYERS and LAYERS[target][0] > LAYERS[folder][0]:
        message = f"{describe(folder)} includes {describe(target)}, which is above it"
        if target == "model":
            message += ("; floors below reach the model object through IModelContext or "
                        "database/CurrentModel.h")
        return message
    return None


def violations(root):
    for folder in LAYERS:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                problem = check_include(folder, match.group(1))
                if problem:
                    yield f"{path.relative_to(root)}:{number}: {line.strip()}: {problem}"


def main(argv):
    root = pathlib.Path(argv[1] if len(argv) > 1 else pathlib.Path(__file__).parent.parent)
    root = root.resolve()
    # A mistyped root would otherwise pass with nothing checked.
    if not any((root / folder).is_dir() for folder in LAYERS):
        print(f"{root} holds none of the source folders: " + ", ".join(LAYERS))
        return 2
    found = list(violations(root))
    for message in found:
        print(message)
    if found:
        print(f"{len(found)} include(s) break the layers: see the layers in ARCHITECTURE.md")
        return 1
    print("every include keeps to the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
