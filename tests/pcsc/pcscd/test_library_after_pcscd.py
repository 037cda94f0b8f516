"""A card written through pcscd reads the same through the reader library once
pcscd has given the port back."""

import ctypes
import gc
import os
from typing import List, Tuple

import pytest
from smartcard.util import toHexString

from conftest import BIN_DIR, FIELD, Setup, card_state, connect, send

DATA = "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF"


class Library:
    """The reader library as an application loads it, on the simulator's device."""

    def __init__(self, device: str) -> None:
        os.environ["SELMEK_PORT1"] = device
        self.lib = ctypes.CDLL(str(BIN_DIR / "libDrovik.so"))

    def read_mifare_block(self, block: int, key: bytes) -> str:
        lib = self.lib
        assert lib.rf_init_com(1, 115200) == 0
        try:
            assert lib.rf_init_type(0, ord("A")) == 0
            atqa = (ctypes.c_uint8 * 2)()
            # A card left selected falls back at the first request and answers the second.
            if lib.rf_request(0, 0x52, atqa) != 0:
                assert lib.rf_request(0, 0x52, atqa) == 0
            uid = (ctypes.c_uint8 * 10)()
            length = ctypes.c_uint8()
            assert lib.rf_anticoll(0, 4, uid, ctypes.byref(length)) == 0
            sak = ctypes.c_uint8()
            assert lib.rf_select(0, uid, 4, ctypes.byref(sak)) == 0
            assert lib.rf_M1_authentication2(0, 0x60, block, (ctypes.c_uint8 * 6)(*key)) == 0
            data = (ctypes.c_uint8 * 16)()
            assert lib.rf_M1_read(0, block, data, ctypes.byref(length)) == 0
            return toHexString(list(data))
        finally:
            lib.rf_ClosePort()


@pytest.mark.cards("mifare1k")
def test_mifare_classic_written_through_pcsc_reads_back_through_the_library(
        own_daemon: Setup) -> None:
    card_state(FIELD)
    connection = connect(FIELD)
    steps: List[Tuple[str, Tuple[str, str]]] = [
        ("FF 82 00 00 06 FF FF FF FF FF FF", ("", "90 00")),      # load key A, slot 0
        ("FF 86 00 00 05 01 00 09 60 00", ("", "90 00")),         # authenticate block 9
        ("FF B0 00 09 10", (" ".join(["00"] * 16), "90 00")),
        ("FF D6 00 09 10 " + DATA, ("", "90 00")),
        ("FF B0 00 09 10", (DATA, "90 00")),
        ("FF B0 00 0C 10", ("", "69 82")),                        # sector 3: not opened
    ]
    for apdu, expected in steps:
        assert send(connection, apdu) == expected, apdu
    # pyscard releases a connection's context when the object goes: while pcscd runs.
    connection.disconnect()
    del connection
    gc.collect()
    # pcscd gives the port back when it ends; the library then reads the card.
    own_daemon.daemon.stop()
    assert Library(own_daemon.sim.device).read_mifare_block(9, b"\xff" * 6) == DATA
