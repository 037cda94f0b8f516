"""Mifare Ultralight cards: 7-byte UID, 16 pages of 4 bytes."""

from __future__ import annotations

from dataclasses import dataclass

from .._args import as_byte, as_bytes
from .._session import as_bytes_output
from ._base import Family
from .mifare_classic import request_code

PAGE_SIZE = 4


@dataclass(frozen=True)
class UltralightCard:
    """A selected Ultralight card: its 7-byte UID and its ATQA."""

    uid: bytes
    atqa: bytes


class Ultralight(Family):
    """Ultralight commands (``reader.ultralight``)."""

    def search(self, *, wake_all: bool = True) -> UltralightCard:
        """Finds and selects an Ultralight card (request, then its select)."""
        with self._session.lock:
            self._session.use_protocol("type_a")
            (atqa,) = self._session.command("rf_request", request_code(wake_all))
            (uid,) = self._session.command("rf_ul_select")
            return UltralightCard(uid=as_bytes_output(uid), atqa=as_bytes_output(atqa))

    def read_pages(self, page: int) -> bytes:
        """16 bytes: four pages from ``page`` on (the card wraps past its last page)."""
        (data,) = self._session.command("rf_M1_read", as_byte("page", page))
        return as_bytes_output(data)

    def read_page(self, page: int) -> bytes:
        """The 4 bytes of ``page``."""
        return self.read_pages(page)[:PAGE_SIZE]

    def write_page(self, page: int, data: bytes) -> None:
        """Writes 4 bytes to ``page`` (lock and one-time bits are only ever set)."""
        self._session.command(
            "rf_ul_write", as_byte("page", page), as_bytes("data", data, PAGE_SIZE)
        )

    def halt(self) -> None:
        """Halts the card."""
        self._session.command("rf_halt")
