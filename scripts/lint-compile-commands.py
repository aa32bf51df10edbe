#!/usr/bin/env python3
"""The test build's compile commands as clang-tidy reads them: BUILD/lint/compile_commands.json.

The build precompiles Qt's headers for GCC, which clang cannot read. They are precompiled once more for
clang, from the same header and with the same flags, and each command that used GCC's takes clang's
instead: clang-tidy then parses Qt's headers once for all the files rather than once for each.

    lint-compile-commands.py BUILD CLANG
"""
import json
import re
import shlex
import subprocess
import sys
from pathlib import Path

GCC_PCH = re.compile(r" -Winvalid-pch -include (\S*/kpv_qt_pch_(library|program)\.dir/cmake_pch\.hxx)")


def main(build: Path, clang: str) -> None:
    commands = json.loads((build / "compile_commands.json").read_text())
    lint = (build / "lint").resolve()
    lint.mkdir(exist_ok=True)
    made = {}
    for entry in commands:
        found = GCC_PCH.search(entry["command"])
        if not found:
            continue
        header, kind = found.group(1), found.group(2)
        if kind not in made:
            # The flags of the file that makes this very header for GCC, for clang's: the same defines and
            # folders (the tests' header is made from the same source file, with another header).
            maker = next(e for e in commands
                         if e["file"].endswith(f"kpv_qt_pch/{kind}.cpp") and header in e["command"])
            flags = shlex.split(GCC_PCH.sub("", maker["command"]))
            flags = [f for f in drop_output(flags[1:]) if f != "-Werror"]
            pch = lint / f"{kind}.pch"
            subprocess.run([clang, *flags, "-Wno-pragma-system-header-outside-header", "-x", "c++-header",
                            header, "-o", str(pch)], check=True, cwd=maker["directory"])
            made[kind] = pch
        entry["command"] = GCC_PCH.sub(f" -include-pch {made[kind]}", entry["command"])
    (lint / "compile_commands.json").write_text(json.dumps(commands, indent=1))


def drop_output(flags: list) -> list:
    """The flags without the object file and the source: `-o FILE`, `-c FILE`."""
    kept, skip = [], False
    for f in flags:
        if skip:
            skip = False
        elif f in ("-o", "-c"):
            skip = True
        else:
            kept.append(f)
    return kept


if __name__ == "__main__":
    main(Path(sys.argv[1]), sys.argv[2])
