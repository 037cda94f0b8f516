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
from typing import Any, Union

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
    """

    __slots__ = ("name", "export", "_function", "_given", "_derived", "_outputs", "_checked")

    def __init__(self, export: Export, function: Any) -> None:
        self.name = export.name
        self.export = export
        self._function = function
        self._checked = export.name not in _UNCHECKED and export.result != "void"
        sized_by_input = {p.size_from for p in export.parameters if p.kind == "input"}
        self._given = [
            (index, p)
            for index, p in enumerate(export.parameters)
            if p.kind in ("value", "input", "pointer") and p.name not in sized_by_input
        ]
        # (index of the length value, name of the input whose length it is)
        self._derived = [
            (
                index,
                next(
                    i.name
                    for i in export.parameters
                    if i.kind == "input" and i.size_from == p.name
                ),
            )
            for index, p in enumerate(export.parameters)
            if p.kind == "value" and p.name in sized_by_input
        ]
        self._outputs = [
            (index, p)
            for index, p in enumerate(export.parameters)
            if p.kind in ("output", "count", "value-out")
        ]
        function.argtypes = [_argument_type(p) for p in export.parameters]
        function.restype = None if export.result == "void" else _VALUE_TYPES[export.result]

    def __call__(self, *given: bytes | int | None) -> tuple[Output, ...]:
        """Calls the export; raises :class:`drovik.ReaderError` on a result other than 0."""
        result, outputs = self.call_raw(*given)
        if result and self._checked:
            raise error_for(self.name, result)
        return outputs

    def call_raw(self, *given: bytes | int | None) -> tuple[int, tuple[Output, ...]]:
        """Calls the export and returns its result code with the outputs, raising nothing."""
        parameters = self.export.parameters
        if len(given) != len(self._given):
            raise TypeError(f"{self.name} takes {len(self._given)} arguments, not {len(given)}")
        args: list[Any] = [None] * len(parameters)
        named: dict[str, Any] = {}
        for (index, parameter), value in zip(self._given, given):
            _check_given(self.name, parameter, value)
            args[index] = named[parameter.name] = value
        for index, input_name in self._derived:
            args[index] = named[parameters[index].name] = len(named[input_name])
        buffers: dict[str, Any] = {}
        for index, parameter in self._outputs:
            if parameter.kind == "output":
                room = parameter.size if parameter.size is not None else named[parameter.size_from or ""]
                if room < 0:
                    raise ValueError(f"{self.name}: {parameter.size_from} must not be negative")
                buffer = (ctypes.c_uint8 * room)()
                args[index] = buffer
            else:
                buffer = _VALUE_TYPES[parameter.type]()
                args[index] = ctypes.byref(buffer)
            buffers[parameter.name] = buffer
        result = self._function(*args)
        outputs: list[Output] = []
        for index, parameter in self._outputs:
            buffer = buffers[parameter.name]
            if parameter.kind == "count":
                data = outputs.pop()
                assert isinstance(data, bytes)
                outputs.append(data[: buffer.value])
            elif parameter.kind == "output":
                outputs.append(bytes(buffer))
            else:
                outputs.append(int(buffer.value))
        return (0 if result is None else int(result)), tuple(outputs)


def _argument_type(parameter: Parameter) -> Any:
    if parameter.kind == "value":
        return _VALUE_TYPES[parameter.type]
    if parameter.kind == "input":
        return ctypes.c_char_p
    if parameter.kind == "pointer":
        return ctypes.c_void_p
    return ctypes.POINTER(_VALUE_TYPES[parameter.type])


def _check_given(function: str, parameter: Parameter, value: object) -> None:
    if parameter.kind == "value":
        if not isinstance(value, int):
            raise TypeError(f"{function}: {parameter.name} must be an int")
        low, high = _VALUE_RANGES[parameter.type]
        if not low <= value <= high:
            raise ValueError(f"{function}: {parameter.name} {value} is out of range")
    elif parameter.kind == "input":
        if not isinstance(value, bytes):
            raise TypeError(f"{function}: {parameter.name} must be bytes")
        if parameter.size is not None and len(value) != parameter.size:
            raise ValueError(
                f"{function}: {parameter.name} must be {parameter.size} bytes, not {len(value)}"
            )
    elif value is not None and not isinstance(value, int):
        raise TypeError(f"{function}: {parameter.name} must be an address or None")


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

