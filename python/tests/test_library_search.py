"""Where the library is found, and a process that ends without closing its reader."""

from __future__ import annotations

import os
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import drovik
from conftest import BUILD, REPOSITORY, Simulator

PACKAGE = Path(drovik.__file__).resolve().parent
LIBRARY = BUILD / "bin" / "libDrovik.so"


def run_python(code: str, site: Path, **environment: str) -> subprocess.CompletedProcess[str]:
    """Runs ``code`` in a fresh interpreter that imports drovik from ``site``."""
    env = {k: v for k, v in os.environ.items() if k != "DROVIK_LIBRARY"}
    env.update(PYTHONPATH=str(site), **environment)
    return subprocess.run(
        [sys.executable, "-c", code],
        env=env,
        cwd=site,  # not the source tree, whose drovik would come first
        capture_output=True,
        text=True,
        timeout=60,
    )


def copy_package(site: Path, with_library: bool) -> None:
    shutil.copytree(PACKAGE, site / "drovik", ignore=shutil.ignore_patterns("*.so", "__pycache__"))
    if with_library:
        for name in ("libDrovik.so", "libSelmek.so"):
            shutil.copy(BUILD / "bin" / name, site / "drovik" / name)


def copy_libraries(directory: Path) -> Path:
    directory.mkdir()
    for name in ("libDrovik.so", "libSelmek.so"):
        shutil.copy(BUILD / "bin" / name, directory / name)
    return directory / "libDrovik.so"


FOUND = "import drovik, sys; print(drovik.load_library(*sys.argv[1:]).path)"


def test_found_beside_the_package(tmp_path: Path) -> None:
    copy_package(tmp_path, with_library=True)
    run = run_python(FOUND, tmp_path)
    assert run.stdout.strip() == str(tmp_path / "drovik" / "libDrovik.so"), run.stderr


@pytest.mark.skipif(BUILD != REPOSITORY / "build", reason="the build is not the source tree's")
def test_found_in_the_source_trees_build() -> None:
    run = run_python(FOUND, PACKAGE.parent)
    assert run.stdout.strip() == str(LIBRARY.resolve()), run.stderr


def test_found_in_the_installed_directory(tmp_path: Path) -> None:
    copy_package(tmp_path / "site", with_library=False)
    installed = copy_libraries(tmp_path / "tilvane")
    code = (
        "import drovik, drovik._library as found, pathlib, sys;"
        "found.INSTALLED_DIRECTORY = pathlib.Path(sys.argv[1]);"
        "print(drovik.load_library().path)"
    )
    run = subprocess.run(
        [sys.executable, "-c", code, str(installed.parent)],
        env={**os.environ, "PYTHONPATH": str(tmp_path / "site"), "DROVIK_LIBRARY": ""},
        cwd=tmp_path,
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert run.stdout.strip() == str(installed), run.stderr


def test_found_where_the_variable_names(tmp_path: Path) -> None:
    copy_package(tmp_path / "site", with_library=True)
    named = copy_libraries(tmp_path / "named")
    run = run_python(FOUND, tmp_path / "site", DROVIK_LIBRARY=str(named.parent))
    assert run.stdout.strip() == str(named), run.stderr


def test_found_where_the_argument_names(tmp_path: Path) -> None:
    named = copy_libraries(tmp_path / "named")
    assert drovik.load_library(named).path == named
    assert drovik.load_library(str(named.parent)).path == named


def test_a_named_library_that_is_missing_is_not_looked_for_elsewhere(tmp_path: Path) -> None:
    missing = tmp_path / "nowhere"
    with pytest.raises(drovik.LibraryError, match=str(missing)):
        drovik.load_library(missing)
    run = run_python(FOUND, PACKAGE.parent, DROVIK_LIBRARY=str(missing))
    assert "LibraryError" in run.stderr and str(missing) in run.stderr


def test_a_reader_over_a_library_named_by_argument(tmp_path: Path, sim: Simulator) -> None:
    named = copy_libraries(tmp_path / "named")
    with drovik.Reader(1, device=sim.device, library=named, field_settle=0) as reader:
        assert reader.library.path == named
        assert len(reader.model()) == 2


@pytest.mark.parametrize("busy_thread", [False, True], ids=["idle", "thread in a call"])
def test_exit_without_closing_ends_cleanly(sim: Simulator, busy_thread: bool) -> None:
    code = (
        "import drovik, sys, threading\n"
        "reader = drovik.Reader(1, device=sys.argv[1], field_settle=0)\n"
        "reader.model()\n"
        "def poll():\n"
        "    while True:\n"
        "        reader.model()\n"
        "if sys.argv[2] == 'yes':\n"
        "    threading.Thread(target=poll, daemon=True).start()\n"
        "print('leaving')\n"
    )
    run = subprocess.run(
        [sys.executable, "-c", code, sim.device, "yes" if busy_thread else "no"],
        env={**os.environ, "PYTHONPATH": str(PACKAGE.parent)},
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert (run.returncode, run.stdout, run.stderr) == (0, "leaving\n", "")
    # The port was let go with the process: it opens again.
    with drovik.Reader(1, device=sim.device, field_settle=0) as reader:
        assert len(reader.model()) == 2
