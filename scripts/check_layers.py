#!/usr/bin/env python3
"""Checks that every include between the source folders looks down the layers.

Each layer uses only the layers below it (ARCHITECTURE.md). A source file may include
headers of its own layer and of lower ones; an include of a higher layer's header, or of
the tests, fails the check. Usage: scripts/check_layers.py [SOURCE_ROOT]
"""

import pathlib
import re
import sys

# Layer of each source folder, lowest first.
LAYERS = {
    "platform": 0,
    "geometry": 1,
    "support": 2,
    "image": 3,
    "database": 4,
    "topology": 5, "components": 5, "settings": 5,
    "model": 6,
    "view": 7, "scenegraph": 7,
    "tools": 8, "viewer": 8, "ui": 8,
}
# Folders no source file may include at all.
OFF_LIMITS = ("tests", "bench", "fuzz")

SOURCE_SUFFIXES = {".h", ".hpp", ".inl", ".cpp", ".cc"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]*"')


def violations(root):
    for folder, layer in LAYERS.items():
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = match.group(1)
                where = f"{path.relative_to(root)}:{number}: {line.strip()}"
                if target in OFF_LIMITS:
                    yield f"{where}: source code includes {target}/"
                elif LAYERS.get(target, -1) > layer:
                    yield (f"{where}: {folder}/ (layer {layer}) includes {target}/ "
                           f"(layer {LAYERS[target]}), which is above it")


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    found = list(violations(root.resolve()))
    for message in found:
        print(message)
    if found:
        print(f"{len(found)} include(s) look up the layers: see the layers in ARCHITECTURE.md")
        return 1
    print("every include looks down the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
