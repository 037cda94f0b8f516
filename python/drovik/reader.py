"""The reader on a serial port: connecting, reader-level commands, the families."""

from __future__ import annotations

import enum
import os
import threading
from collections.abc import Sequence
from dataclasses import dataclass
from types import TracebackType

from ._args import as_bool, as_byte, as_bytes, as_int
from ._interface import INTERFACE
from ._library import Library, PathLike, load_library
from ._session import Session, as_bytes_output, as_int_output
from .errors import PortInUseError, error_for
from .families.at88rf020 import At88rf020
from .families.iso14443_4 import Iso14443_4
from .families.iso15693 import Iso15693
from .families.mifare_classic import MifareClassic, request_code
from .families.sam import Sam
from .families.short_range import Sr176, Srix4k
from .families.type_b import TypeB
from .families.ultralight import Ultralight

PORT_VARIABLE = "SELMEK_PORT{port}"
FLASH_PAGE_SIZE = 256
# The library's limits on one flash transfer.
FLASH_WRITE_MOST = 224
FLASH_READ_MOST = 200


class Light(enum.IntEnum):
    """The colours of the reader's light."""

    OFF = 0
    RED = 1
    GREEN = 2
    YELLOW = 3


@dataclass(frozen=True)
class TypeACard:
    """A Type A card found by :meth:`Reader.select_type_a`: its UID (4 or 7 bytes) and ATQA."""

    uid: bytes
    atqa: bytes


# The transport serves one port per process: the Reader that holds it.
_port_lock = threading.Lock()
_port_holder: Reader | None = None


class Reader:
    """A reader on a serial port, open from construction until :meth:`close`.

    ``Reader(port, baud)`` opens serial port ``port`` (1 to 16, mapped to a
    device as the transport's ``SELMEK_PORT<n>`` variable, ``ports.conf`` or
    ``/dev/ttyS<n-1>`` say) and finds the reader at whatever rate it runs,
    then puts it and the port at ``baud``. ``device`` names the serial device
    instead: it is set as ``SELMEK_PORT<port>`` while the port opens, and the
    variable is put back as it was right after.

    ``library`` is the libDrovik to load (a file, or a directory holding it);
    without it ``DROVIK_LIBRARY``, then the package's own directory, the source
    tree's ``build/bin`` and ``/usr/lib/tilvane`` are tried.

    The library's serial transport serves one port per process, so one Reader
    is open at a time in a process: opening a second raises
    :class:`drovik.PortInUseError` until the first is closed. A Reader may be
    shared between threads; each operation holds its lock.

    ``field_settle`` is the pause in seconds after the field is switched on for
    another card protocol, for the cards to wake; ``address`` the reader's
    address on the line (0 reaches any reader).

    Use it as a context manager, which closes it::

        with drovik.Reader(1) as reader:
            print(reader.model().hex())
    """

    def __init__(
        self,
        port: int = 1,
        baud: int = 115200,
        *,
        device: str | None = None,
        library: PathLike | None = None,
        address: int = 0,
        field_settle: float = 0.05,
    ) -> None:
        global _port_holder
        port = as_int("port", port, 1, 16)
        baud = as_int("baud", baud, 1, 2**31 - 1)
        if baud not in INTERFACE.baud_rates:
            raise ValueError(f"baud must be one of {list(INTERFACE.baud_rates)}, not {baud}")
        address = as_int("address", address, 0, 0xFFFF)
        if device is not None:
            if not isinstance(device, str):
                raise TypeError(f"device must be a str, not {type(device).__name__}")
            if not device or "\0" in device:
                raise ValueError("device must be a path without NUL characters")
        if isinstance(field_settle, bool) or not isinstance(field_settle, (int, float)):
            raise TypeError("field_settle must be a number of seconds")
        if not 0 <= field_settle <= 10:
            raise ValueError("field_settle must be from 0 to 10 seconds")
        loaded = load_library(library)
        with _port_lock:
            if _port_holder is not None:
                raise PortInUseError(
                    "another drovik.Reader of this process has the port open; close it first"
                )
            _open_port(loaded, port, baud, device)
            self._session = Session(loaded, address, float(field_settle))
            _port_holder = self
        self.port = port
        self.baud = baud
        self.mifare_classic = MifareClassic(self._session)
        self.ultralight = Ultralight(self._session)
        self.iso14443_4 = Iso14443_4(self._session)
        self.type_b = TypeB(self._session)
        self.sam = Sam(self._session)
        self.at88rf020 = At88rf020(self._session)
        self.sr176 = Sr176(self._session)
        self.srix4k = Srix4k(self._session)
        self.iso15693 = Iso15693(self._session)

    @property
    def library(self) -> Library:
        """The loaded library this reader talks through."""
        return self._session.library

    @property
    def lock(self) -> threading.RLock:
        """The reader's lock: hold it to make several calls one operation.

        Every call takes it on its own; a thread that holds it across, say, an
        authentication and the reads after it keeps other threads' commands
        from coming between them.
        """
        return self._session.lock

    @property
    def closed(self) -> bool:
        """Whether :meth:`close` has been called."""
        return not self._session.open

    def close(self) -> None:
        """Closes the port. Calling it again does nothing."""
        global _port_holder
        with self._session.lock:
            if not self._session.open:
                return
            self._session.open = False
            self._session.library["rf_ClosePort"].call_raw()
        with _port_lock:
            if _port_holder is self:
                _port_holder = None

    def __enter__(self) -> Reader:
        return self

    def __exit__(
        self,
        kind: type[BaseException] | None,
        value: BaseException | None,
        traceback: TracebackType | None,
    ) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self.closed else f"port {self.port} at {self.baud} baud"
        return f"<drovik.Reader {state}>"

    # Reader-level commands.

    def model(self) -> bytes:
        """The reader's 2-byte model."""
        (model,) = self._session.command("rf_get_model")
        return as_bytes_output(model)

    def serial_number(self) -> bytes:
        """The reader's 8-byte serial number."""
        (serial,) = self._session.command("rf_get_snr")
        return as_bytes_output(serial)

    def beep(self, ms: int) -> None:
        """Sounds the buzzer for ``ms`` milliseconds: a multiple of 10, up to 2550."""
        duration = as_int("ms", ms, 0, 2550)
        if duration % 10:
            raise ValueError(f"ms must be a multiple of 10, not {duration}")
        self._session.command("rf_beep", duration // 10)

    def light(self, on: bool | Light) -> None:
        """Sets the light: a :class:`Light` colour, or ``True`` (green) / ``False`` (off)."""
        if isinstance(on, Light):
            colour = on
        else:
            colour = Light.GREEN if as_bool("on", on) else Light.OFF
        self._session.command("rf_light", int(colour))

    def antenna(self, on: bool) -> None:
        """Switches the antenna field on or off."""
        self._session.command("rf_antenna_sta", int(as_bool("on", on)))

    def last_status(self) -> int:
        """The reader status byte of the most recent command (0 done)."""
        result, _ = self._session.library["rf_GetErrorMessage"].call_raw()
        return result

    def device_number(self) -> int:
        """The reader's address on the line."""
        (number,) = self._session.call("rf_get_device_number")
        return as_int_output(number)

    def set_device_number(self, number: int) -> None:
        """Sets the reader's address on the line (0 to 65535)."""
        self._session.call("rf_init_device_number", as_int("number", number, 0, 0xFFFF))

    def display(self, digits: Sequence[int], *, point: int = 0) -> None:
        """Shows eight digits (0 to 9, 10 blank); ``point`` 1 to 8 lights that decimal point."""
        values = bytes(as_int(f"digits[{i}]", d, 0, 10) for i, d in enumerate(digits))
        if len(values) != 8:
            raise ValueError(f"digits must be 8 digits, not {len(values)}")
        self._session.command("rf_display", 1, as_int("point", point, 0, 8), values)

    def display_segments(self, patterns: bytes) -> None:
        """Shows eight raw segment patterns."""
        self._session.command("rf_display", 0, 0, as_bytes("patterns", patterns, 8))

    def flash_read(self, page: int, offset: int, count: int) -> bytes:
        """``count`` bytes (up to 200) at ``offset`` of the reader's flash page ``page``."""
        start, number = _flash_span(offset, count, FLASH_READ_MOST)
        (data,) = self._session.command("rf_flash_read", as_byte("page", page), start, number)
        return as_bytes_output(data)

    def flash_write(self, page: int, offset: int, data: bytes) -> None:
        """Writes ``data`` (up to 224 bytes) at ``offset`` of flash page ``page``."""
        content = as_bytes("data", data, least=1, most=FLASH_WRITE_MOST)
        start, _ = _flash_span(offset, len(content), FLASH_WRITE_MOST)
        self._session.command("rf_flash_write", as_byte("page", page), start, content)

    def select_type_a(self, *, wake_all: bool = True) -> TypeACard:
        """Finds and selects one Type A card of either UID size (4 or 7 bytes).

        Several exchanges, made under the reader's lock. Raises
        :class:`drovik.NoCardError` when no card answered.
        """
        with self._session.lock:
            self._session.use_protocol("type_a")
            uid, atqa = self._session.command("rf_getlockcardinfo", request_code(wake_all))
            return TypeACard(uid=as_bytes_output(uid), atqa=as_bytes_output(atqa))

    def request_080(self, first: int, second: int) -> bytes:
        """The reader's two-byte request with an 8-byte answer."""
        (data,) = self._session.command(
            "rf_request_080", as_byte("first", first), as_byte("second", second)
        )
        return as_bytes_output(data)


def _flash_span(offset: int, count: int, most: int) -> tuple[int, int]:
    start = as_int("offset", offset, 0, FLASH_PAGE_SIZE - 1)
    number = as_int("count", count, 1, most)
    if start + number > FLASH_PAGE_SIZE:
        raise ValueError(f"{number} bytes at offset {start} pass the end of the page")
    return start, number


def _open_port(library: Library, port: int, baud: int, device: str | None) -> None:
    variable = PORT_VARIABLE.format(port=port)
    previous = os.environ.get(variable)
    if device is not None:
        os.environ[variable] = device
    try:
        result, _ = library["rf_init_com"].call_raw(port, baud)
    finally:
        if device is not None:
            if previous is None:
                del os.environ[variable]
            else:
                os.environ[variable] = previous
    if result != 0:
        # A port that opened stays open when the reader was not found.
        library["rf_ClosePort"].call_raw()
        raise error_for("rf_init_com", result)
