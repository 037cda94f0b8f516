"""The reader's life: opening, one port per process, closing, threads, reader commands."""

from __future__ import annotations

import os
import threading

import pytest

import drovik
from conftest import Simulator

KEY = bytes.fromhex("FFFFFFFFFFFF")


def test_reader_commands(sim: Simulator, reader: drovik.Reader) -> None:
    assert len(reader.model()) == 2
    assert len(reader.serial_number()) == 8
    reader.beep(100)
    reader.light(True)
    reader.light(drovik.Light.YELLOW)
    reader.light(False)
    reader.display([1, 2, 3, 4, 5, 6, 7, 10], point=2)
    reader.flash_write(3, 16, b"drovik")
    assert reader.flash_read(3, 16, 6) == b"drovik"
    assert reader.device_number() == 0
    assert reader.last_status() == 0


def test_antenna_off_leaves_no_card_in_the_field(sim: Simulator, reader: drovik.Reader) -> None:
    sim.field("mifare1k")
    reader.mifare_classic.search()
    reader.antenna(False)
    with pytest.raises(drovik.NoCardError):
        reader.mifare_classic.search()
    reader.antenna(True)
    reader.mifare_classic.search()


def test_one_reader_per_process(sim: Simulator) -> None:
    first = drovik.Reader(1, device=sim.device, field_settle=0)
    try:
        with pytest.raises(drovik.PortInUseError):
            drovik.Reader(1, device=sim.device)
        assert len(first.model()) == 2
    finally:
        first.close()
    with drovik.Reader(1, device=sim.device, field_settle=0) as second:
        assert len(second.model()) == 2


def test_closing_releases_once_and_refuses_later_use(
    sim: Simulator, monkeypatch: pytest.MonkeyPatch
) -> None:
    with drovik.Reader(1, device=sim.device, field_settle=0) as reader:
        close_port = reader.library["rf_ClosePort"]
        closes: list[int] = []
        original = close_port.call_raw

        def recording(*given: object) -> object:
            closes.append(1)
            return original(*given)

        monkeypatch.setattr(close_port, "call_raw", recording)
    assert reader.closed
    reader.close()
    assert closes == [1]
    with pytest.raises(drovik.ReaderClosedError):
        reader.model()
    with pytest.raises(drovik.ReaderClosedError):
        reader.mifare_classic.read_block(4)


def test_device_is_set_only_while_the_port_opens(sim: Simulator) -> None:
    os.environ["SELMEK_PORT1"] = "/dev/null-before"
    try:
        with drovik.Reader(1, device=sim.device, field_settle=0) as reader:
            assert os.environ["SELMEK_PORT1"] == "/dev/null-before"
            assert len(reader.model()) == 2
    finally:
        del os.environ["SELMEK_PORT1"]
    assert "SELMEK_PORT2" not in os.environ
    with drovik.Reader(2, device=sim.device, field_settle=0):
        assert "SELMEK_PORT2" not in os.environ


def test_threads_sharing_a_reader(sim: Simulator, reader: drovik.Reader) -> None:
    sim.field("mifare1k")
    mifare = reader.mifare_classic
    mifare.search()
    mifare.authenticate(4, KEY)
    expected = mifare.read_block(4)
    mifare.halt()
    failures: list[BaseException] = []

    def work() -> None:
        try:
            for _ in range(15):
                # Held across search, authentication and read: one operation.
                with reader.lock:
                    mifare.search()
                    mifare.authenticate(4, KEY)
                    assert mifare.read_block(4) == expected
                    mifare.halt()
                assert len(reader.model()) == 2
        except BaseException as error:  # noqa: BLE001 - reported below
            failures.append(error)

    threads = [threading.Thread(target=work) for _ in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []
