#!/usr/bin/env python3
"""Writes an installation's source with its helper classes folded in.

    amalgamate.py INSTALLATION.java OUTPUT.java

An installation runs from one class file, so it cannot load helper classes.
Each line "// @include NAME" in INSTALLATION.java is replaced by the members
between "// @members-begin" and "// @members-end" of NAME.java (found in
INSTALLATION.java's folder, else beside this script, where ArchiveReader.java
lives), calls written "NAME.member" lose their "NAME." and NAME's imports go
to the top of the output. OUTPUT's folder is created when missing.
"""

import re
import sys
from pathlib import Path

INCLUDE = re.compile(r"^\s*// @include (\w+)\s*$", re.MULTILINE)


def helper_parts(path):
    text = path.read_text(encoding="utf-8")
    begin, end = text.index("// @members-begin\n"), text.index("// @members-end")
    members = text[begin:end].split("\n", 1)[1]
    imports = "".join(line + "\n" for line in text.splitlines() if line.startswith("import "))
    return imports, members


def helper_path(source, name):
    for folder in (Path(source).parent, Path(__file__).resolve().parent):
        if (folder / (name + ".java")).is_file():
            return folder / (name + ".java")
    sys.exit(f"amalgamate.py: {source}: no {name}.java beside it or beside {__file__}")


def main(source, output):
    try:
        text = Path(source).read_text(encoding="utf-8")
    except OSError as error:
        sys.exit(f"amalgamate.py: cannot read '{source}': {error.strerror}")
    imports = ""
    for name in INCLUDE.findall(text):
        helper_imports, members = helper_parts(helper_path(source, name))
        imports += helper_imports
        text = INCLUDE.sub(lambda m: members if m.group(1) == name else m.group(0), text)
        text = re.sub(r"\b" + name + r"\.(?=\w)", "", text)
    try:
        Path(output).parent.mkdir(parents=True, exist_ok=True)
        Path(output).write_text(imports + text, encoding="utf-8")
    except OSError as error:
        sys.exit(f"amalgamate.py: cannot write '{output}': {error.strerror}")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
