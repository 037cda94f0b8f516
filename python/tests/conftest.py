"""Fixtures: the simulated reader on a pseudo-terminal, and a reader open on it.

The build is looked for in DROVIK_BUILD_DIR, else the repository's build/.
"""

from __future__ import annotations

import json
import os
import subprocess
from collections.abc import Iterator
from pathlib import Path
from typing import Any

import pytest

import drovik

REPOSITORY = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("DROVIK_BUILD_DIR", REPOSITORY / "build"))


class Simulator:
    """reader-sim with its control pipe: ``command`` sends one line, returns the answer."""

    def __init__(self, *arguments: str) -> None:
        self.process = subprocess.Popen(
            [str(BUILD / "bin" / "reader-sim"), *arguments],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            text=True,
        )
        assert self.process.stdout is not None
        self.device = self.process.stdout.readline().strip()
        if not self.device:
            self.stop()
            raise RuntimeError("reader-sim printed no device")

    def command(self, line: str) -> str:
        assert self.process.stdin is not None and self.process.stdout is not None
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline().strip()
        if not answer.startswith("ok"):
            raise RuntimeError(f"reader-sim: {line!r} gave {answer!r}")
        return answer[3:]

    def field(self, *kinds: str) -> list[bytes]:
        """Empties the field, then puts fresh cards of ``kinds`` in; their UIDs."""
        self.command("remove all")
        return [bytes.fromhex(self.command(f"insert {kind}")) for kind in kinds]

    def stop(self) -> None:
        # The end of its input ends it.
        assert self.process.stdin is not None
        self.process.stdin.close()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


@pytest.fixture(scope="session")
def sim() -> Iterator[Simulator]:
    simulator = Simulator("--baud", "115200")
    yield simulator
    simulator.stop()


@pytest.fixture
def reader(sim: Simulator) -> Iterator[drovik.Reader]:
    with drovik.Reader(1, device=sim.device, field_settle=0) as opened:
        yield opened


@pytest.fixture(scope="session")
def build_interface() -> Any:
    """The interface description the build wrote."""
    with (BUILD / "drovik-interface.json").open(encoding="utf-8") as stream:
        return json.load(stream)
