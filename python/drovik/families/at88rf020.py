"""AT88RF020 cards: password, 32 pages of 8 bytes, lock bytes, counter."""

from __future__ import annotations

from dataclasses import dataclass

from .._args import as_byte, as_bytes
from .._session import as_bytes_output
from ._base import Family

PAGE_SIZE = 8


@dataclass(frozen=True)
class At88rf020Card:
    """A card that answered: its PUPI (ATQB bytes 1 to 4) and whole ATQB."""

    pupi: bytes
    atqb: bytes


class At88rf020(Family):
    """AT88RF020 commands (``reader.at88rf020``)."""

    def search(self) -> At88rf020Card:
        """Finds a card."""
        with self._session.lock:
            self._session.use_protocol("at88rf020")
            (answer,) = self._session.command("rf_atqb", 0)
            atqb = as_bytes_output(answer)
            return At88rf020Card(pupi=atqb[1:5], atqb=atqb)

    def check_password(self, password: bytes) -> None:
        """Checks the 8-byte password; writes and locks need it.

        Raises :class:`drovik.AuthenticationError` for a wrong one.
        """
        self._session.command("rf_at020_check", as_bytes("password", password, 8))

    def read_page(self, page: int) -> bytes:
        """The 8 bytes of ``page``."""
        (data,) = self._session.command("rf_at020_read", as_byte("page", page))
        return as_bytes_output(data)

    def write_page(self, page: int, data: bytes) -> None:
        """Writes 8 bytes to ``page``."""
        self._session.command(
            "rf_at020_write", as_byte("page", page), as_bytes("data", data, PAGE_SIZE)
        )

    def lock(self, lock_bytes: bytes) -> None:
        """Writes the 4 lock bytes."""
        self._session.command("rf_at020_lock", as_bytes("lock_bytes", lock_bytes, 4))

    def count(self, signature: bytes) -> None:
        """The count operation, with a 6-byte signature."""
        self._session.command("rf_at020_count", as_bytes("signature", signature, 6))

    def deselect(self) -> None:
        """Deselects the card."""
        self._session.command("rf_at020_deselect")
