"""Wrong argument types and sizes are refused before any call reaches the library."""

from __future__ import annotations

from collections.abc import Callable, Iterator
from typing import Any

import pytest

import drovik
from drovik import _library

KEY = bytes(6)
UID = bytes(8)

# (call on an open reader, exception)
CASES: list[tuple[str, Callable[[drovik.Reader], object], type[Exception]]] = [
    ("block above 255", lambda r: r.mifare_classic.read_block(256), ValueError),
    ("negative block", lambda r: r.mifare_classic.read_block(-1), ValueError),
    ("block as text", lambda r: r.mifare_classic.read_block("4"), TypeError),  # type: ignore[arg-type]
    ("block as bool", lambda r: r.mifare_classic.read_block(True), TypeError),
    ("key of 5 bytes", lambda r: r.mifare_classic.authenticate(4, bytes(5)), ValueError),
    ("key as text", lambda r: r.mifare_classic.authenticate(4, "FFFFFFFFFFFF"), TypeError),  # type: ignore[arg-type]
    ("key type C", lambda r: r.mifare_classic.authenticate(4, KEY, "C"), ValueError),
    ("block data of 15 bytes", lambda r: r.mifare_classic.write_block(4, bytes(15)), ValueError),
    ("value past 32 bits", lambda r: r.mifare_classic.write_value(4, 2**31), ValueError),
    ("negative increment", lambda r: r.mifare_classic.increment(4, -1), ValueError),
    ("15 keys to load", lambda r: r.mifare_classic.load_keys([KEY] * 15), ValueError),
    ("UID of 5 bytes", lambda r: r.mifare_classic.select(bytes(5)), ValueError),
    ("Ultralight page of 5 bytes", lambda r: r.ultralight.write_page(4, bytes(5)), ValueError),
    ("empty APDU", lambda r: r.iso14443_4.transmit(b""), ValueError),
    ("APDU of 252 bytes", lambda r: r.iso14443_4.transmit(bytes(252)), ValueError),
    ("Type B APDU of 251 bytes", lambda r: r.type_b.transmit(bytes(251)), ValueError),
    ("PUPI of 3 bytes", lambda r: r.type_b.halt(bytes(3)), ValueError),
    ("SAM at 19200", lambda r: r.sam.reset(19200), ValueError),
    ("SAM APDU of 252 bytes", lambda r: r.sam.transmit(bytes(252)), ValueError),
    ("password of 7 bytes", lambda r: r.at88rf020.check_password(bytes(7)), ValueError),
    ("SR176 block of 4 bytes", lambda r: r.sr176.write_block(4, bytes(4)), ValueError),
    ("SRIX4K challenge of 5", lambda r: r.srix4k.authenticate(bytes(5)), ValueError),
    ("ISO 15693 UID of 7", lambda r: r.iso15693.system_information(bytes(7)), ValueError),
    ("ISO 15693 read of 16", lambda r: r.iso15693.read_blocks(0, 16), ValueError),
    ("ISO 15693 security of 64", lambda r: r.iso15693.block_security(0, 64, UID), ValueError),
    ("ISO 15693 flags above 255", lambda r: r.iso15693.lock_afi(flags=256), ValueError),
    ("beep of 15 ms", lambda r: r.beep(15), ValueError),
    ("beep of 2560 ms", lambda r: r.beep(2560), ValueError),
    ("light as text", lambda r: r.light("on"), TypeError),  # type: ignore[arg-type]
    ("antenna as 2", lambda r: r.antenna(2), TypeError),  # type: ignore[arg-type]
    ("digit 11", lambda r: r.display([11] * 8), ValueError),
    ("flash past the page", lambda r: r.flash_read(0, 250, 10), ValueError),
    ("flash write of 225", lambda r: r.flash_write(0, 0, bytes(225)), ValueError),
]


@pytest.fixture
def calls(monkeypatch: pytest.MonkeyPatch) -> Iterator[list[str]]:
    """The names of the library functions called while the fixture is in use."""
    made: list[str] = []
    for bound in drovik.load_library().exports.values():
        for attribute in ("call", "call_raw"):
            original = getattr(bound, attribute)

            def recording(*given: Any, _name: str = bound.name, _call: Any = original) -> Any:
                made.append(_name)
                return _call(*given)

            monkeypatch.setattr(bound, attribute, recording)
    yield made


@pytest.mark.parametrize("call, exception", [case[1:] for case in CASES], ids=[c[0] for c in CASES])
def test_wrong_arguments_never_reach_the_library(
    reader: drovik.Reader,
    calls: list[str],
    call: Callable[[drovik.Reader], object],
    exception: type[Exception],
) -> None:
    with pytest.raises(exception):
        call(reader)
    assert calls == []


@pytest.mark.parametrize(
    "arguments, exception",
    [
        ({"port": 0}, ValueError),
        ({"port": 17}, ValueError),
        ({"baud": 12345}, ValueError),
        ({"address": 65536}, ValueError),
        ({"device": 7}, TypeError),
        ({"device": ""}, ValueError),
        ({"field_settle": -1}, ValueError),
    ],
)
def test_wrong_reader_arguments_open_nothing(
    calls: list[str], arguments: dict[str, Any], exception: type[Exception]
) -> None:
    with pytest.raises(exception):
        drovik.Reader(**arguments)
    assert calls == []


@pytest.mark.parametrize(
    "key, data",
    [(bytes(7), bytes(8)), (bytes(24), bytes(8)), (bytes(8), bytes(9)), (bytes(8), "12345678")],
)
def test_des_refuses_wrong_sizes(calls: list[str], key: Any, data: Any) -> None:
    with pytest.raises((ValueError, TypeError)):
        drovik.des_encrypt(key, data)
    assert calls == []


def test_generic_calls_check_sizes_and_ranges() -> None:
    read = drovik.load_library()["rf_M1_write"]
    with pytest.raises(ValueError):
        read(0, 4, bytes(17))
    with pytest.raises(ValueError):
        read(2**31, 4, bytes(16))
    with pytest.raises(TypeError):
        read(0, 4)
