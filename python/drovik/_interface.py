"""The reader library's interface, read from the description the build writes.

``interface.json`` is a copy of ``build/drovik-interface.json`` (a test fails when
they differ): the exports with their parameters, the table of result meanings,
the rates and card protocols. Nothing here is written by hand twice.
"""

from __future__ import annotations

import json
from dataclasses import dataclass
from pathlib import Path
from typing import Any

INTERFACE_FILE = Path(__file__).with_name("interface.json")


@dataclass(frozen=True)
class Parameter:
    """One parameter of an export, as ``reader/exports.list`` declares it."""

    name: str
    kind: str  # value, input, output, count, value-out, pointer
    type: str  # u8, u16, i32, u32, void
    size: int | None = None  # fixed room of a buffer
    size_from: str | None = None  # the value parameter that sizes a buffer
    counts: str | None = None  # the output buffer a count byte belongs to


@dataclass(frozen=True)
class Export:
    """One exported function: its ordinal, name, result type and parameters."""

    ordinal: int
    name: str
    result: str
    parameters: tuple[Parameter, ...]


@dataclass(frozen=True)
class KnownResult:
    """A result code with its short name and its words."""

    code: int
    name: str
    text: str


@dataclass(frozen=True)
class Interface:
    """Everything the package takes from the interface description."""

    exports: dict[str, Export]
    refused_text: str
    reader_statuses: dict[int, KnownResult]
    transport_results: dict[int, KnownResult]
    system_error_functions: frozenset[str]
    port_open_reasons: dict[int, KnownResult]
    select_steps_function: str
    select_steps: dict[int, KnownResult]
    baud_rates: tuple[int, ...]
    card_protocols: dict[str, int]
    request_codes: dict[str, int]


def _known(rows: list[dict[str, Any]]) -> dict[int, KnownResult]:
    return {
        int(row["code"]): KnownResult(int(row["code"]), str(row["name"]), str(row["text"]))
        for row in rows
    }


def parse_interface(document: dict[str, Any]) -> Interface:
    """Turns the JSON description into the package's own types."""
    exports: dict[str, Export] = {}
    for entry in document["exports"]:
        parameters = tuple(
            Parameter(
                name=str(p["name"]),
                kind=str(p["kind"]),
                type=str(p["type"]),
                size=int(p["size"]) if "size" in p else None,
                size_from=str(p["size_from"]) if "size_from" in p else None,
                counts=str(p["counts"]) if "counts" in p else None,
            )
            for p in entry["parameters"]
        )
        exports[str(entry["name"])] = Export(
            int(entry["ordinal"]), str(entry["name"]), str(entry["result"]), parameters
        )
    results = document["results"]
    reader = document["reader"]
    return Interface(
        exports=exports,
        refused_text=str(results["refused_argument"]["text"]),
        reader_statuses=_known(results["reader_statuses"]),
        transport_results=_known(results["transport"]),
        system_error_functions=frozenset(str(f) for f in results["system_error_functions"]),
        port_open_reasons=_known(results["port_open_reasons"]),
        select_steps_function=str(results["select_steps"]["function"]),
        select_steps=_known(results["select_steps"]["steps"]),
        baud_rates=tuple(int(rate) for rate in reader["baud_rates"]),
        card_protocols={str(k): int(v) for k, v in reader["card_protocols"].items()},
        request_codes={str(k): int(v) for k, v in reader["request_codes"].items()},
    )


def load_interface(path: Path = INTERFACE_FILE) -> Interface:
    """Reads and parses an interface description file."""
    with path.open(encoding="utf-8") as stream:
        return parse_interface(json.load(stream))


INTERFACE = load_interface()
