"""What went wrong, in words: the package's exceptions.

Every failed library call raises :class:`ReaderError` or one of its subclasses,
carrying the library function, its raw result code, the code's short name and
its meaning in the words of the library's own result table (shipped with the
package in ``interface.json``). The subclasses are the failures a caller
branches on; which code raises which class is decided in one table here.
"""

from __future__ import annotations

import builtins
import errno
import os

from ._interface import INTERFACE, Interface


class ReaderError(Exception):
    """A library call returned a result other than 0.

    Attributes:
        function: the library function that failed, e.g. ``"rf_M1_read"``.
        code: its raw result code.
        name: the code's short name, e.g. ``"no card"`` or ``"SELMEK_ERR_TIMEOUT"``.
        meaning: the code's meaning in words, e.g. ``"reader status 02: no card"``.
    """

    def __init__(self, function: str, code: int, name: str, meaning: str) -> None:
        self.function = function
        self.code = code
        self.name = name
        self.meaning = meaning
        shown = f"{code} (0x{code:02X})" if code > 9 else str(code)
        super().__init__(f"{function} returned {shown}, {meaning}")


class NoCardError(ReaderError):
    """No card answered (reader status 02, or no ATQA in a combined select)."""


class CollisionError(ReaderError):
    """Several cards answered and could not be told apart (reader status 03)."""


class AuthenticationError(ReaderError):
    """Authentication failed, is missing, or has no key loaded (statuses 04, 05, 0E)."""


class NotAllowedError(ReaderError):
    """The card refused by its access conditions or locks (statuses 06, 09)."""


class PortOpenError(ReaderError):
    """The serial port did not open; ``code`` is the system's error number."""

    @property
    def errno(self) -> int:
        """The system's error number (``errno.ENOENT``, ``errno.EACCES``, ...)."""
        return self.code


class TransportError(ReaderError):
    """The serial line failed (results 0x100 to 0x1FF)."""


class ReaderTimeoutError(TransportError, builtins.TimeoutError):
    """The reader said nothing within the transport's wait (``SELMEK_ERR_TIMEOUT``)."""


class DeviceGoneError(TransportError):
    """The serial device went away, e.g. unplugged (``SELMEK_ERR_DEVICE_GONE``)."""


class LibraryError(OSError):
    """The reader library could not be found or loaded, or lacks an export."""


class PortInUseError(RuntimeError):
    """Another :class:`drovik.Reader` of this process holds the port.

    The library's serial transport serves one port per process, so one reader
    is open at a time.
    """


class ReaderClosedError(RuntimeError):
    """The reader was used after :meth:`drovik.Reader.close`."""


# Which result raises which class: a code's short name in its table of the
# interface description, then the class for a whole kind of result. Codes not
# named here raise ReaderError itself.
_CLASS_BY_NAME: dict[tuple[str, str], type[ReaderError]] = {
    ("reader-status", "no card"): NoCardError,
    ("reader-status", "collision"): CollisionError,
    ("reader-status", "authentication failed"): AuthenticationError,
    ("reader-status", "not authenticated"): AuthenticationError,
    ("reader-status", "no key loaded"): AuthenticationError,
    ("reader-status", "not allowed"): NotAllowedError,
    ("reader-status", "already locked"): NotAllowedError,
    ("transport", "SELMEK_ERR_TIMEOUT"): ReaderTimeoutError,
    ("transport", "SELMEK_ERR_DEVICE_GONE"): DeviceGoneError,
    ("select-step", "no ATQA"): NoCardError,
}
_CLASS_BY_KIND: dict[str, type[ReaderError]] = {
    "transport": TransportError,
    "system-error": PortOpenError,
}


def check_class_table(interface: Interface) -> None:
    """Fails when the class table names a result the interface does not list."""
    names = {
        "reader-status": {known.name for known in interface.reader_statuses.values()},
        "transport": {known.name for known in interface.transport_results.values()},
        "select-step": {known.name for known in interface.select_steps.values()},
    }
    for kind, name in _CLASS_BY_NAME:
        if name not in names[kind]:
            raise RuntimeError(f"the interface description has no {kind} result {name!r}")


check_class_table(INTERFACE)


def result_meaning(function: str, code: int, interface: Interface = INTERFACE) -> tuple[str, str, str]:
    """The kind, short name and words of ``code`` returned by ``function``.

    Follows the library's own rules: 1 is a refused argument or a short answer,
    0x100 to 0x1FF the transport, ``rf_init_com``'s other codes the system's reason
    the port did not open, ``rf_getlockcardinfo``'s negative codes the step that
    failed, anything else up to 255 the reader's status byte.
    """
    if code == 0:
        return "done", "done", "done"
    if code == 1:
        return "refused-argument", "refused", interface.refused_text
    if 0x100 <= code <= 0x1FF:
        known = interface.transport_results.get(code)
        if known is not None:
            return "transport", known.name, "transport: " + known.text
        return "transport", f"0x{code:03X}", "transport: unknown transport result"
    if code < 0:
        step = interface.select_steps.get(code)
        if function == interface.select_steps_function and step is not None:
            return "select-step", step.name, step.text
        return "unknown", "unknown", "unknown result"
    if code > 0xFF:
        return "unknown", "unknown", "unknown result"
    if function in interface.system_error_functions:
        reason = interface.port_open_reasons.get(code)
        if reason is not None:
            return "system-error", reason.name, reason.text
        name = errno.errorcode.get(code, f"error {code}")
        return "system-error", name, "the port did not open: " + os.strerror(code)
    status = interface.reader_statuses.get(code)
    if status is not None:
        return "reader-status", status.name, status.text
    return (
        "reader-status",
        f"status {code:02X}",
        f"reader status {code:02X}, which the reader does not document",
    )


def error_for(function: str, code: int) -> ReaderError:
    """The exception for ``code`` returned by ``function`` (not 0)."""
    kind, name, meaning = result_meaning(function, code)
    cls: type[ReaderError] = ReaderError
    if (kind, name) in _CLASS_BY_NAME:
        cls = _CLASS_BY_NAME[(kind, name)]
    elif kind in _CLASS_BY_KIND:
        cls = _CLASS_BY_KIND[kind]
    return cls(function, code, name, meaning)
