#!/usr/bin/python3
"""A whole Mifare Classic 1K read through the drovik package, set against C++.

Starts one reader-sim (unpaced, so the line costs microseconds and the host
side shows) with a Mifare Classic 1K card, then alternates rounds of reads:
build/bench/bin/bench_mifare_read_calls (the exports called from C++) and the
same calls through the package (search, every sector authenticated with key A
and its four blocks read, halt). Prints each round's median read time, the
median over rounds and the ratio Python / C++; the goal is at most 1.2.

    /usr/bin/python3 bench/python_mifare_read.py [--rounds 5] [--reads 50] [--build build]
"""

from __future__ import annotations

import argparse
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

GOAL = 1.2
KEY = bytes.fromhex("FFFFFFFFFFFF")


def python_read_times(drovik: object, device: str, reads: int) -> float:
    """The median time in ms of ``reads`` whole reads through the package."""
    import drovik as package  # noqa: F811 - the one put on the path in main

    times = []
    with package.Reader(1, device=device, field_settle=0) as reader:
        mifare = reader.mifare_classic
        for index in range(reads + 1):
            start = time.perf_counter()
            mifare.search()
            for sector in range(16):
                mifare.authenticate(sector * 4, KEY)
                for block in range(sector * 4, sector * 4 + 4):
                    mifare.read_block(block)
            mifare.halt()
            took = (time.perf_counter() - start) * 1000
            if index:  # the first one warms up (and sets the field)
                times.append(took)
    return statistics.median(times)


def c_read_time(program: Path, device: str, reads: int) -> float:
    run = subprocess.run(
        [str(program), str(reads)],
        env={**os.environ, "SELMEK_PORT1": device},
        capture_output=True,
        text=True,
        check=True,
    )
    fields = run.stdout.split()
    return float(fields[fields.index("median_ms") + 1])


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--reads", type=int, default=100)
    parser.add_argument("--build", type=Path, default=Path(__file__).resolve().parents[1] / "build")
    options = parser.parse_args()
    build = options.build.resolve()
    sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "python"))
    os.environ["DROVIK_LIBRARY"] = str(build / "bin" / "libDrovik.so")
    import drovik

    sim = subprocess.Popen(
        [str(build / "bin" / "reader-sim"), "--baud", "115200", "--card", "mifare1k"],
        stdin=subprocess.PIPE,
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        text=True,
    )
    try:
        assert sim.stdout is not None
        device = sim.stdout.readline().strip()
        program = build / "bench" / "bin" / "bench_mifare_read_calls"
        c_times, python_times = [], []
        print(f"{'round':>5} {'C++ ms':>8} {'Python ms':>10} {'ratio':>6}")
        for round_number in range(1, options.rounds + 1):
            c_ms = c_read_time(program, device, options.reads)
            python_ms = python_read_times(drovik, device, options.reads)
            c_times.append(c_ms)
            python_times.append(python_ms)
            print(f"{round_number:>5} {c_ms:>8.3f} {python_ms:>10.3f} {python_ms / c_ms:>6.3f}")
    finally:
        assert sim.stdin is not None
        sim.stdin.close()
        sim.wait(timeout=10)
    c_median, python_median = statistics.median(c_times), statistics.median(python_times)
    ratio = python_median / c_median
    # On shared cores a round now and then runs while others build; the best
    # round of each shows what the calls themselves cost.
    best = min(python_times) / min(c_times)
    print(
        f"median of {options.rounds} rounds of {options.reads} reads (84 exchanges each): "
        f"C++ {c_median:.3f} ms, Python {python_median:.3f} ms, ratio {ratio:.3f}; "
        f"best rounds {min(c_times):.3f} and {min(python_times):.3f} ms, ratio {best:.3f} "
        f"(goal at most {GOAL})"
    )
    return 0 if ratio <= GOAL else 1


if __name__ == "__main__":
    sys.exit(main())
