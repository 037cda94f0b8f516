"""SR176 and SRIX4K cards (the reader's short-range protocol)."""

from __future__ import annotations

from .._args import as_byte, as_bytes
from .._session import as_bytes_output, as_int_output
from ._base import Family


class _ShortRange(Family):
    def select(self) -> int:
        """Finds and selects the card; its 1-byte chip ID."""
        with self._session.lock:
            self._session.use_protocol("short_range")
            (chip_id,) = self._session.command("rf_st_select")
            return as_int_output(chip_id)

    def complete(self) -> None:
        """Deactivates the card (until the field is switched off and on)."""
        self._session.command("rf_st_completion")


class Sr176(_ShortRange):
    """SR176 commands (``reader.sr176``): 16 blocks of 2 bytes."""

    BLOCK_SIZE = 2

    def read_block(self, block: int) -> bytes:
        """The 2 bytes of ``block``."""
        (data,) = self._session.command("rf_sr176_readblock", as_byte("block", block))
        return as_bytes_output(data)

    def write_block(self, block: int, data: bytes) -> None:
        """Writes 2 bytes to ``block``."""
        self._session.command(
            "rf_sr176_writeblock", as_byte("block", block), as_bytes("data", data, 2)
        )

    def protect(self, lock: int) -> None:
        """Writes the lock byte, protecting blocks for good."""
        self._session.command("rf_sr176_protectblock", as_byte("lock", lock))


class Srix4k(_ShortRange):
    """SRIX4K commands (``reader.srix4k``): 128 blocks of 4 bytes, block 255 the system block."""

    BLOCK_SIZE = 4
    BLOCKS = 128
    SYSTEM_BLOCK = 255

    def uid(self) -> bytes:
        """The 8-byte UID, as the reader gives it."""
        (uid,) = self._session.command("rf_srix4k_getuid")
        return as_bytes_output(uid)

    def read_block(self, block: int) -> bytes:
        """The 4 bytes of ``block``, as the reader gives them."""
        (data,) = self._session.command("rf_srix4k_readblock", as_byte("block", block))
        return as_bytes_output(data)

    def write_block(self, block: int, data: bytes) -> None:
        """Writes 4 bytes to ``block``."""
        self._session.command(
            "rf_srix4k_writeblock", as_byte("block", block), as_bytes("data", data, 4)
        )

    def write_lock_register(self, value: int) -> None:
        """Writes the lock register, protecting blocks 7 to 15 for good."""
        self._session.command("rf_srix4k_writelockreg", as_byte("value", value))

    def authenticate(self, challenge: bytes) -> bytes:
        """Sends a 6-byte challenge; the card's answer."""
        (answer,) = self._session.command(
            "rf_srix4k_authenticate", as_bytes("challenge", challenge, 6)
        )
        return as_bytes_output(answer)
