"""Mifare Classic (ISO 14443 Type A) cards: search, keys, blocks and values."""

from __future__ import annotations

from collections.abc import Sequence
from dataclasses import dataclass

from .._args import as_byte, as_bytes, as_int, as_key_type
from .._interface import INTERFACE
from .._session import Session, as_bytes_output, as_int_output
from ._base import Family

KEY_SIZE = 6
BLOCK_SIZE = 16
SECTOR_KEYS = 16  # rf_download_key loads one key per sector 0 to 15
_AUTH_CODES = {"A": 0x60, "B": 0x61}
_INT32 = (-(2**31), 2**31 - 1)


@dataclass(frozen=True)
class Card:
    """A selected Type A card: its UID, its ATQA as sent, its SAK."""

    uid: bytes
    atqa: bytes
    sak: int


def request_code(wake_all: bool) -> int:
    """The request code that wakes every card (halted ones too) or idle cards only."""
    return INTERFACE.request_codes["all" if wake_all else "idle"]


class MifareClassic(Family):
    """Mifare Classic commands (``reader.mifare_classic``).

    Blocks are numbered 0 to 255 across the card (sector 1 of a 1K card is
    blocks 4 to 7). A block must be authenticated before it is read or written.
    """

    def __init__(self, session: Session) -> None:
        super().__init__(session)
        # The calls of a whole-card read, bound once.
        self._authenticate = session.bind("rf_M1_authentication2")
        self._read = session.bind("rf_M1_read")

    def search(self, *, wake_all: bool = True) -> Card:
        """Finds and selects a card with a 4-byte UID: request, anticollision, select.

        Raises :class:`drovik.NoCardError` when no card answers.
        """
        with self._session.lock:
            self._session.use_protocol("type_a")
            atqa = self.request(wake_all=wake_all)
            uid = self.anticollision()
            sak = self.select(uid)
            return Card(uid=uid, atqa=atqa, sak=sak)

    def request(self, *, wake_all: bool = True) -> bytes:
        """Sends a Type A request; the 2-byte ATQA of the cards that answered."""
        (atqa,) = self._session.command("rf_request", request_code(wake_all))
        return as_bytes_output(atqa)

    def anticollision(self) -> bytes:
        """Runs the anticollision for a 4-byte UID and returns it."""
        (uid,) = self._session.command("rf_anticoll", 4)
        return as_bytes_output(uid)

    def select(self, uid: bytes) -> int:
        """Selects the card with ``uid`` (4, 7 or 10 bytes); its SAK."""
        data = as_bytes("uid", uid)
        if len(data) not in (4, 7, 10):
            raise ValueError(f"uid must be 4, 7 or 10 bytes, not {len(data)}")
        (sak,) = self._session.command("rf_select", data)
        return as_int_output(sak)

    def halt(self) -> None:
        """Halts the selected card (a request with ``wake_all`` wakes it again)."""
        self._session.command("rf_halt")

    def authenticate(self, block: int, key: bytes, key_type: str = "A") -> None:
        """Authenticates ``block``'s sector with the 6-byte ``key`` as key A or B.

        Raises :class:`drovik.AuthenticationError` for a wrong key.
        """
        code = _AUTH_CODES[as_key_type(key_type)]
        if key.__class__ is not bytes or len(key) != KEY_SIZE:
            key = as_bytes("key", key, KEY_SIZE)
        if block.__class__ is not int or not 0 <= block <= 0xFF:
            block = as_byte("block", block)
        self._authenticate(code, block, key)

    def load_keys(self, keys: Sequence[bytes], key_type: str = "A") -> None:
        """Loads 16 keys (one per sector 0 to 15) of kind A or B into the reader."""
        kind = as_key_type(key_type)
        if isinstance(keys, (bytes, bytearray, memoryview, str)) or len(keys) != SECTOR_KEYS:
            raise ValueError(f"keys must be a sequence of {SECTOR_KEYS} keys")
        joined = b"".join(as_bytes(f"keys[{i}]", key, KEY_SIZE) for i, key in enumerate(keys))
        self._session.command("rf_download_key", ord(kind), joined)

    def authenticate_loaded(self, block: int, key_type: str = "A") -> None:
        """Authenticates ``block``'s sector with a key :meth:`load_keys` loaded."""
        kind = as_key_type(key_type)
        self._session.command("rf_M1_authentication1", ord(kind), as_byte("block", block))

    def read_block(self, block: int) -> bytes:
        """The 16 bytes of ``block``."""
        if block.__class__ is not int or not 0 <= block <= 0xFF:
            block = as_byte("block", block)
        (data,) = self._read(block)
        return data  # type: ignore[return-value]  # a buffer, as the export list declares

    def write_block(self, block: int, data: bytes) -> None:
        """Writes 16 bytes to ``block``."""
        self._session.command(
            "rf_M1_write", as_byte("block", block), as_bytes("data", data, BLOCK_SIZE)
        )

    def write_value(self, block: int, value: int) -> None:
        """Formats ``block`` as a value block holding the signed 32-bit ``value``."""
        self._session.command(
            "rf_M1_initval", as_byte("block", block), as_int("value", value, *_INT32)
        )

    def read_value(self, block: int) -> int:
        """The value of a value block."""
        (value,) = self._session.command("rf_M1_readval", as_byte("block", block))
        return as_int_output(value)

    def increment(self, block: int, value: int) -> None:
        """Adds ``value`` (0 to 2**31 - 1) to a value block; the card stores the result."""
        self._session.command(
            "rf_M1_increment", as_byte("block", block), as_int("value", value, 0, _INT32[1])
        )

    def decrement(self, block: int, value: int) -> None:
        """Takes ``value`` (0 to 2**31 - 1) from a value block; the card stores the result."""
        self._session.command(
            "rf_M1_decrement", as_byte("block", block), as_int("value", value, 0, _INT32[1])
        )

    def restore(self, block: int) -> None:
        """Copies a value block into the card's transfer buffer."""
        self._session.command("rf_M1_restore", as_byte("block", block))

    def transfer(self, block: int) -> None:
        """Writes the card's transfer buffer into ``block``."""
        self._session.command("rf_M1_transfer", as_byte("block", block))
