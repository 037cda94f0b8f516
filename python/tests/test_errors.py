"""Result codes to exception classes and meanings: by table, then through the simulator."""

from __future__ import annotations

import builtins
import errno
import os
import time
from collections.abc import Callable
from typing import Any

import pytest

import drovik
from conftest import Simulator

KEY = bytes.fromhex("FFFFFFFFFFFF")


def words_from_description(document: Any, function: str, code: int) -> str:
    """What the build's description says ``code`` of ``function`` means."""
    results = document["results"]
    if function == "rf_init_com" and 1 < code < 0x100:
        for row in results["port_open_reasons"]:
            if row["code"] == code:
                return str(row["text"])
        return "the port did not open: " + os.strerror(code)
    if code < 0:
        steps = results["select_steps"]["steps"]
        return next(row["text"] for row in steps if row["code"] == code)
    for row in results["transport"]:
        if row["code"] == code:
            return "transport: " + row["text"]
    return next(row["text"] for row in results["reader_statuses"] if row["code"] == code)


@pytest.mark.parametrize(
    "function, code, cls",
    [
        ("rf_request", 2, drovik.NoCardError),
        ("rf_anticoll", 3, drovik.CollisionError),
        ("rf_M1_authentication2", 4, drovik.AuthenticationError),
        ("rf_M1_read", 5, drovik.AuthenticationError),
        ("rf_M1_authentication1", 14, drovik.AuthenticationError),
        ("rf_M1_write", 6, drovik.NotAllowedError),
        ("ISO15693_Lock_Block", 9, drovik.NotAllowedError),
        ("rf_M1_read", 8, drovik.ReaderError),
        ("rf_request", 0x102, drovik.ReaderTimeoutError),
        ("rf_request", 0x104, drovik.DeviceGoneError),
        ("rf_request", 0x103, drovik.TransportError),
        ("rf_request", 0x100, drovik.TransportError),
        ("rf_init_com", errno.EACCES, drovik.PortOpenError),
        ("rf_init_com", errno.EBUSY, drovik.PortOpenError),
        ("rf_getlockcardinfo", -1, drovik.NoCardError),
        ("rf_getlockcardinfo", -4, drovik.ReaderError),
    ],
)
def test_codes_raise_their_class_with_the_tables_words(
    build_interface: Any, function: str, code: int, cls: type[drovik.ReaderError]
) -> None:
    error = drovik.errors.error_for(function, code)
    assert type(error) is cls
    assert (error.function, error.code) == (function, code)
    assert error.meaning == words_from_description(build_interface, function, code)


@pytest.mark.parametrize(
    "function, code, name, meaning",
    [
        # Codes no table lists, worded as binding::result_meaning words them.
        ("rf_request", 0x1FE, "0x1FE", "transport: unknown transport result"),
        ("rf_request", 0xFE, "status FE", "reader status FE, which the reader does not document"),
        ("rf_request", -3, "unknown", "unknown result"),
        ("rf_request", 0x200, "unknown", "unknown result"),
        ("rf_init_com", errno.ENOENT, "ENOENT", "the port did not open: " + os.strerror(2)),
    ],
)
def test_codes_outside_the_tables(function: str, code: int, name: str, meaning: str) -> None:
    _, got_name, got_meaning = drovik.result_meaning(function, code)
    assert (got_name, got_meaning) == (name, meaning)


def test_a_message_names_function_code_and_meaning() -> None:
    error = drovik.errors.error_for("rf_request", 0x102)
    assert str(error) == (
        "rf_request returned 258 (0x102), transport: the reader said nothing within the wait"
    )
    assert isinstance(error, builtins.TimeoutError)
    assert isinstance(drovik.errors.error_for("rf_init_com", 13), drovik.PortOpenError)


Case = Callable[[Simulator, drovik.Reader], object]


def _wrong_key(sim: Simulator, reader: drovik.Reader) -> object:
    sim.field("mifare1k")
    reader.mifare_classic.search()
    return reader.mifare_classic.authenticate(4, bytes(6))


def _block_zero(sim: Simulator, reader: drovik.Reader) -> object:
    sim.field("mifare1k")
    reader.mifare_classic.search()
    reader.mifare_classic.authenticate(0, KEY)
    return reader.mifare_classic.write_block(0, bytes(16))


def _empty_field(sim: Simulator, reader: drovik.Reader) -> object:
    sim.field()
    return reader.mifare_classic.search()


def _silent_reader(sim: Simulator, reader: drovik.Reader) -> object:
    sim.command("fault silent 700")
    try:
        return reader.model()
    finally:
        time.sleep(0.3)  # until the reader listens again


def _seven_byte_uid(sim: Simulator, reader: drovik.Reader) -> object:
    sim.field("ultralight")
    return reader.mifare_classic.search()


@pytest.mark.parametrize(
    "case, cls, function, code",
    [
        (_empty_field, drovik.NoCardError, "rf_request", 2),
        (_wrong_key, drovik.AuthenticationError, "rf_M1_authentication2", 4),
        (_block_zero, drovik.NotAllowedError, "rf_M1_write", 6),
        (_silent_reader, drovik.ReaderTimeoutError, "rf_get_model", 0x102),
        (_seven_byte_uid, drovik.ReaderError, "rf_anticoll", 1),
    ],
    ids=["no card", "wrong key", "block 0", "silent reader", "7-byte UID to anticollision"],
)
def test_failures_on_the_reader_raise_their_class(
    sim: Simulator,
    reader: drovik.Reader,
    case: Case,
    cls: type[drovik.ReaderError],
    function: str,
    code: int,
) -> None:
    with pytest.raises(drovik.ReaderError) as raised:
        case(sim, reader)
    assert type(raised.value) is cls
    assert (raised.value.function, raised.value.code) == (function, code)


def test_an_unplugged_reader_is_a_device_gone() -> None:
    own = Simulator("--baud", "115200", "--card", "mifare1k")
    try:
        with drovik.Reader(1, device=own.device, field_settle=0) as reader:
            own.command("fault unplug")
            with pytest.raises(drovik.DeviceGoneError) as raised:
                reader.model()
            assert raised.value.name == "SELMEK_ERR_DEVICE_GONE"
    finally:
        own.stop()


def test_a_missing_device_is_a_port_open_error(tmp_path: Any, sim: Simulator) -> None:
    with pytest.raises(drovik.PortOpenError) as raised:
        drovik.Reader(1, device=str(tmp_path / "no-such-tty"))
    assert raised.value.errno == errno.ENOENT
    assert raised.value.function == "rf_init_com"
    # The failed open holds no port: the next reader opens.
    with drovik.Reader(1, device=sim.device, field_settle=0) as reader:
        assert len(reader.model()) == 2
