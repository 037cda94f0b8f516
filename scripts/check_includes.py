#!/usr/bin/env python3
"""Checks that the tree's layers hold: every quoted #include of a component reaches
only its own files, the public headers other components publish under
<component>/include/<component>/, and the C interfaces in include/; never another
component's private header through the tree's top. In app/, the shell and the
workbench sit above the pages, and the pages above common/ and controls/. No CMake
target may put the tree's top on an include path.

Run from anywhere; exits 1 and lists each violation when there is one."""

import re
import sys
from pathlib import Path

TOP = Path(__file__).resolve().parent.parent
NOT_COMPONENTS = {"tests", "bench", "fuzz", "cmake", "scripts", "docs", "packaging", "python",
                  "include", "build"}
SOURCES = {".c", ".cc", ".cpp", ".h", ".hpp"}
# Headers the build generates into a component's public include path.
GENERATED = {"binding/export_entries.h"}
# app/'s layers, lowest first: a file may include its own layer and those below.
APP_LAYERS = {"common": 0, "controls": 0, "pages": 1, "shell": 2, "workbench": 2, "tools": 3}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def components():
    return sorted(p.name for p in TOP.iterdir()
                  if p.is_dir() and (p / "CMakeLists.txt").exists()
                  and p.name not in NOT_COMPONENTS and not p.name.startswith("build"))


def public_header(name, comps):
    first, _, rest = name.partition("/")
    return bool(rest) and first in comps and (TOP / first / "include" / first / rest).is_file()


def check_file(path, owner, comps, private_roots):
    """Violations of one file. `owner` is the component the file belongs to (None for
    tests, benchmarks and fuzz harnesses); `private_roots` the folders whose private
    headers it may reach by bare name."""
    problems = []
    text = path.read_text(encoding="utf-8", errors="replace")
    for match in INCLUDE.finditer(text):
        name = match.group(1)
        line = text.count("\n", 0, match.start()) + 1
        where = f"{path.relative_to(TOP)}:{line}: \"{name}\""
        if (path.parent / name).is_file() or (TOP / "include" / name).is_file():
            continue
        if public_header(name, comps) or name in GENERATED:
            continue
        if any((root / name).is_file() for root in private_roots):
            if owner == "app" and path.parts[len(TOP.parts) + 1] in APP_LAYERS:
                own = path.parts[len(TOP.parts) + 1]
                layer = name.split("/")[0]
                if layer in APP_LAYERS and APP_LAYERS[layer] > APP_LAYERS[own]:
                    problems.append(f"{where}: app/{own} may not include app/{layer}, "
                                    "which sits above it")
            continue
        if (TOP / name).is_file():
            problems.append(f"{where}: reaches a private header through the tree's top")
        else:
            problems.append(f"{where}: no such header on the paths this file may use")
    return problems


def main():
    comps = components()
    problems = []
    for comp in comps:
        root = TOP / comp
        for path in sorted(root.rglob("*")):
            if path.suffix in SOURCES and path.is_file():
                problems += check_file(path, comp, comps, [root])
    # Tests, benchmarks and harnesses reach the private headers of the component
    # they exercise through its *_private target, and the shared test support.
    for folder in ("tests", "bench", "fuzz"):
        for path in sorted((TOP / folder).rglob("*")):
            if path.suffix not in SOURCES or not path.is_file():
                continue
            roots = [TOP / c for c in comps] + [TOP / "tests" / "support"]
            parts = path.relative_to(TOP / folder).parts
            if folder == "tests" and len(parts) > 1:
                roots.append(TOP / "tests" / parts[0] / "support")
            problems += check_file(path, None, comps, roots)
    # No target may put the tree's top on an include path.
    top_path = re.compile(r"\$\{(PROJECT|CMAKE)_SOURCE_DIR\}(?![/\w])")
    for cmake in sorted(TOP.rglob("CMakeLists.txt")):
        if any(part.startswith("build") for part in cmake.relative_to(TOP).parts):
            continue
        text = cmake.read_text()
        for match in re.finditer(r"(target_)?include_directories\s*\(([^)]*)\)", text, re.S):
            if top_path.search(match.group(2)):
                line = text.count("\n", 0, match.start()) + 1
                problems.append(f"{cmake.relative_to(TOP)}:{line}: puts the tree's top on an "
                                "include path")
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) cross the layers", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
