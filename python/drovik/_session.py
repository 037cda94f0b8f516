"""The state one open reader shares with its families: library, address, lock."""

from __future__ import annotations

import threading
import time
from typing import Callable

from ._interface import INTERFACE
from ._library import Library, Output
from .errors import ReaderClosedError


class Session:
    """Calls on one open port, under one lock.

    The lock is reentrant: a family holds it across the several exchanges of
    one operation (request, anticollision and select), so another thread's
    commands cannot come between them.
    """

    def __init__(self, library: Library, address: int, field_settle: float) -> None:
        self.library = library
        self.address = address
        self.field_settle = field_settle
        self.lock = threading.RLock()
        self.open = True
        self.protocol: int | None = None
        self._calls = {name: bound.call for name, bound in library.exports.items()}

    def call(self, name: str, *given: bytes | int | None) -> tuple[Output, ...]:
        """Calls an export that takes no reader address."""
        with self.lock:
            if not self.open:
                raise ReaderClosedError("the reader is closed")
            return self._calls[name](*given)

    def command(self, name: str, *given: bytes | int | None) -> tuple[Output, ...]:
        """Calls a reader command: the reader address, then ``given``."""
        with self.lock:
            if not self.open:
                raise ReaderClosedError("the reader is closed")
            return self._calls[name](self.address, *given)

    def bind(self, name: str) -> Callable[..., tuple[Output, ...]]:
        """:meth:`command` for one export, looked up once."""
        call = self._calls[name]
        lock = self.lock

        def command(*given: bytes | int | None) -> tuple[Output, ...]:
            with lock:
                if not self.open:
                    raise ReaderClosedError("the reader is closed")
                return call(self.address, *given)

        return command

    def use_protocol(self, kind: str) -> None:
        """Puts the field on card protocol ``kind`` unless it already is.

        The field is switched off, the protocol set and the field switched on
        again, so the cards start from power-up; then ``field_settle`` seconds
        pass for them to wake.
        """
        code = INTERFACE.card_protocols[kind]
        with self.lock:
            if self.protocol == code:
                return
            self.protocol = None
            self.command("rf_antenna_sta", 0)
            self.command("rf_init_type", code)
            self.command("rf_antenna_sta", 1)
            if self.field_settle > 0:
                time.sleep(self.field_settle)
            self.protocol = code


def as_bytes_output(value: Output) -> bytes:
    """An output that the export list declares as a buffer."""
    assert isinstance(value, bytes)
    return value


def as_int_output(value: Output) -> int:
    """An output that the export list declares as a value."""
    assert isinstance(value, int)
    return value
