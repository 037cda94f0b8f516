"""Finding and loading libDrovik, and calling its exports safely.

The ctypes prototypes are built from the interface description, not written
by hand: every buffer's room comes from the export list, every input's length
parameter is set from the bytes given, and every result goes through the one
table of result meanings right after the call.
"""

from __future__ import annotations

import ctypes
import os
import sys
import threading
from pathlib import Path
from typing import Any, Callable, Union

from ._interface import INTERFACE, Export, Interface, Parameter
from .errors import LibraryError, error_for

LIBRARY_NAME = "Drovik.dll" if sys.platform == "win32" else "libDrovik.so"
LIBRARY_VARIABLE = "DROVIK_LIBRARY"
INSTALLED_DIRECTORY = Path("/usr/lib/tilvane")

Output = Union[bytes, int]
PathLike = Union[str, "os.PathLike[str]"]

_VALUE_TYPES: dict[str, Any] = {
    "u8": ctypes.c_uint8,
    "u16": ctypes.c_uint16,
    "i32": ctypes.c_int32,
    "u32": ctypes.c_uint32,
}
_VALUE_RANGES: dict[str, tuple[int, int]] = {
    "i32": (-(2**31), 2**31 - 1),
    "u32": (0, 2**32 - 1),
}
# The one export whose result is a value rather than a result code.
_UNCHECKED = frozenset({"rf_GetErrorMessage"})


def _library_file(path: Path) -> Path:
    return path / LIBRARY_NAME if path.is_dir() else path


def candidate_paths(library: PathLike | None = None) -> list[Path]:
    """Where the library is looked for, in order.

    ``library`` (a file, or a directory holding it) when given, else the
    ``DROVIK_LIBRARY`` environment variable; only those when set. Otherwise the
    package's own directory, the ``build/bin`` of the source tree the package
    lies in, and the installed ``/usr/lib/tilvane``.
    """
    if library is not None:
        return [_library_file(Path(library))]
    named = os.environ.get(LIBRARY_VARIABLE)
    if named:
        return [_library_file(Path(named))]
    package = Path(__file__).resolve().parent
    return [
        package / LIBRARY_NAME,
        package.parents[1] / "build" / "bin" / LIBRARY_NAME,
        INSTALLED_DIRECTORY / LIBRARY_NAME,
    ]


class BoundExport:
    """One export of a loaded library, called with Python values.

    The caller gives the value parameters that are not an input's length, and
    the input buffers as ``bytes``; the outputs (buffers cut to their count,
    values returned through pointers) come back as a tuple, in the order of
    the parameters. Output rooms are allocated here from the export list, so a
    call cannot write past a buffer.

    ``call`` (raises :class:`drovik.ReaderError` on a result other than 0) and
    ``call_raw`` (returns the result with the outputs) are straight-line
    functions generated from the export's description when the library loads:
    a call costs little more than the bare ctypes call.
    """

    __slots__ = ("name", "export", "call", "call_raw")

    def __init__(self, export: Export, function: Any) -> None:
        self.name = export.name
        self.export = export
        # The prototype is the generated caller: it checks every argument's type,
        # range and size itself and hands ctypes only ints within 32 bits, bytes
        # and ctypes objects, which ctypes passes as they are. Setting argtypes
        # would check them again on every call, at twice a bare call's cost.
        function.restype = None if export.result == "void" else _VALUE_TYPES[export.result]
        checked = export.name not in _UNCHECKED and export.result != "void"
        self.call: Callable[..., tuple[Output, ...]] = _generate(export, function, checked)
        self.call_raw: Callable[..., tuple[int, tuple[Output, ...]]] = _generate(
            export, function, checked=False, raw=True
        )

    def __call__(self, *given: bytes | int | None) -> tuple[Output, ...]:
        """Calls the export; raises :class:`drovik.ReaderError` on a result other than 0."""
        return self.call(*given)


def _generate(export: Export, function: Any, checked: bool, raw: bool = False) -> Any:
    """The Python source of one export's caller, compiled."""
    parameters = export.parameters
    sized_by_input = {p.size_from: p.name for p in parameters if p.kind == "input"}
    given = [
        p.name
        for p in parameters
        if p.kind in ("value", "input", "pointer") and p.name not in sized_by_input
    ]
    lines = [f"def {export.name}({', '.join(given)}):"]
    arguments: list[str] = []
    outputs: list[str] = []
    for p in parameters:
        if p.kind == "value" and p.name in sized_by_input:
            arguments.append(f"len({sized_by_input[p.name]})")
        elif p.kind == "value":
            low, high = _VALUE_RANGES[p.type]
            lines.append(
                f"    if {p.name}.__class__ is not int or not {low} <= {p.name} <= {high}:\n"
                f"        {p.name} = _value({export.name!r}, {p.name!r}, {p.name}, {low}, {high})"
            )
            arguments.append(f"_u32({p.name})" if p.type == "u32" else p.name)
        elif p.kind == "input":
            lines.append(
                f"    if {p.name}.__class__ is not bytes:\n"
                f"        raise TypeError('{export.name}: {p.name} must be bytes')"
            )
            if p.size is not None:
                lines.append(
                    f"    if len({p.name}) != {p.size}:\n"
                    f"        _wrong_size({export.name!r}, {p.name!r}, {p.name}, {p.size})"
                )
            arguments.append(p.name)
        elif p.kind == "pointer":
            lines.append(
                f"    if {p.name} is not None and {p.name}.__class__ is not int:\n"
                f"        raise TypeError('{export.name}: {p.name} must be an address or None')"
            )
            arguments.append(f"_void_p({p.name})")
        elif p.kind == "output":
            if p.size is not None:
                lines.append(f"    {p.name}_ = _array_{p.size}()")
            else:
                room = p.size_from
                source = sized_by_input.get(room or "")
                room_of = f"len({source})" if source else room
                lines.append(
                    f"    if {room_of} < 0:\n"
                    f"        raise ValueError('{export.name}: {room} must not be negative')\n"
                    f"    {p.name}_ = (_u8 * {room_of})()"
                )
            arguments.append(f"{p.name}_")
            outputs.append(f"bytes({p.name}_)")
        else:  # count, value-out
            lines.append(f"    {p.name}_ = _{p.type}()")
            arguments.append(f"_byref({p.name}_)")
            if p.kind == "count":
                outputs[-1] = f"{outputs[-1]}[:{p.name}_.value]"
            else:
                outputs.append(f"{p.name}_.value")
    lines.append(f"    result = _function({', '.join(arguments)})")
    if export.result == "void":
        lines.append("    result = 0")
    if checked:
        lines.append(f"    if result:\n        raise _error_for({export.name!r}, result)")
    returned = "(" + "".join(f"{o}, " for o in outputs) + ")"
    lines.append(f"    return (result, {returned})" if raw else f"    return {returned}")
    namespace: dict[str, Any] = {
        "_function": function,
        "_value": _value,
        "_wrong_size": _wrong_size,
        "_error_for": error_for,
        "_byref": ctypes.byref,
        "_u8": ctypes.c_uint8,
        "_void_p": ctypes.c_void_p,
        **{f"_{name}": kind for name, kind in _VALUE_TYPES.items()},
        **{
            f"_array_{p.size}": ctypes.c_uint8 * p.size
            for p in parameters
            if p.kind == "output" and p.size is not None
        },
    }
    exec("\n".join(lines), namespace)  # noqa: S102 - source built above from the description
    return namespace[export.name]


def _value(function: str, name: str, value: object, low: int, high: int) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{function}: {name} must be an int")
    if not low <= value <= high:
        raise ValueError(f"{function}: {name} {value} is out of range")
    return int(value)


def _wrong_size(function: str, name: str, value: bytes, size: int) -> None:
    raise ValueError(f"{function}: {name} must be {size} bytes, not {len(value)}")


class Library:
    """A loaded libDrovik with every export bound from the interface description."""

    def __init__(self, path: Path, interface: Interface = INTERFACE) -> None:
        self.path = path
        try:
            if sys.platform == "win32":
                handle: ctypes.CDLL = ctypes.WinDLL(str(path))
            else:
                handle = ctypes.CDLL(str(path))
        except OSError as error:
            raise LibraryError(f"{path} could not be loaded: {error}") from error
        self._handle = handle
        self.exports: dict[str, BoundExport] = {}
        for name, export in interface.exports.items():
            try:
                function = getattr(handle, name)
            except AttributeError:
                raise LibraryError(f"{path} lacks the export {name}") from None
            self.exports[name] = BoundExport(export, function)

    def __getitem__(self, name: str) -> BoundExport:
        return self.exports[name]


_loaded: dict[Path, Library] = {}
_loading = threading.Lock()


def load_library(library: PathLike | None = None) -> Library:
    """The library found as :func:`candidate_paths` says, loaded once per process."""
    tried = candidate_paths(library)
    for path in tried:
        if path.is_file():
            resolved = path.resolve()
            with _loading:
                if resolved not in _loaded:
                    _loaded[resolved] = Library(resolved)
                return _loaded[resolved]
    where = ", ".join(str(path) for path in tried)
    raise LibraryError(
        f"{LIBRARY_NAME} not found (looked at {where}); "
        f"name it with library= or {LIBRARY_VARIABLE}"
    )

