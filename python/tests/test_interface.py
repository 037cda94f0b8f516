"""The package's copy of the interface description, and how it is bound."""

from __future__ import annotations

import ctypes
import json
from pathlib import Path
from typing import Any

import pytest

import drovik
from drovik import _interface, _library


def test_shipped_description_is_the_builds(build_interface: Any) -> None:
    # Regenerate with: cp build/drovik-interface.json python/drovik/interface.json
    shipped = json.loads(_interface.INTERFACE_FILE.read_text(encoding="utf-8"))
    assert shipped == build_interface


def test_every_export_is_bound_from_the_description() -> None:
    library = drovik.load_library()
    assert sorted(library.exports) == sorted(_interface.INTERFACE.exports)
    read = library["rf_M1_read"]
    assert read.export.ordinal == 22


def test_class_table_refuses_a_name_the_description_lacks(build_interface: Any) -> None:
    document = json.loads(json.dumps(build_interface))
    document["results"]["reader_statuses"] = [
        row for row in document["results"]["reader_statuses"] if row["name"] != "no card"
    ]
    with pytest.raises(RuntimeError, match="no card"):
        drovik.errors.check_class_table(_interface.parse_interface(document))


# A stand-in export: records its arguments, writes `written` bytes and a count.
def _fake_export(
    description: dict[str, Any], written: int, count: int, seen: list[tuple[int, bytes]]
) -> tuple[_library.BoundExport, Any]:
    prototype = ctypes.CFUNCTYPE(
        ctypes.c_int32,
        ctypes.c_int32,
        ctypes.c_void_p,
        ctypes.c_int32,
        ctypes.POINTER(ctypes.c_uint8),
        ctypes.POINTER(ctypes.c_uint8),
    )

    def body(address: int, command: int, length: int, answer: Any, counted: Any) -> int:
        seen.append((length, ctypes.string_at(command, length)))
        for index in range(written):
            answer[index] = index & 0xFF
        counted[0] = count
        return 0

    callback = prototype(body)
    export = _interface.parse_interface({**description}).exports["rf_cos_command"]
    function = ctypes.cast(callback, type(callback))
    return _library.BoundExport(export, function), callback


@pytest.mark.parametrize(
    "count, expected",
    [
        (3, bytes([0, 1, 2])),
        (255, bytes(range(250))),  # a count past the room never reads past it
    ],
    ids=["cut to the count", "count past the room"],
)
def test_outputs_are_cut_to_their_count_within_their_room(
    build_interface: Any, count: int, expected: bytes
) -> None:
    seen: list[tuple[int, bytes]] = []
    bound, keep = _fake_export(build_interface, 250, count, seen)
    (answer,) = bound(0, b"\x00\xa4\x04\x00")
    assert answer == expected
    # The length parameter is the input's own length.
    assert seen == [(4, b"\x00\xa4\x04\x00")]
    del keep


def test_shipped_description_parses_into_every_table() -> None:
    interface = _interface.load_interface(Path(_interface.INTERFACE_FILE))
    assert len(interface.exports) == 76
    assert interface.reader_statuses and interface.transport_results and interface.select_steps
