"""Argument checks: a wrong type or size is refused here, before any library call."""

from __future__ import annotations

import operator
from typing import Union

BytesLike = Union[bytes, bytearray, memoryview]


def as_bytes(
    name: str,
    value: object,
    size: int | None = None,
    *,
    least: int = 0,
    most: int | None = None,
) -> bytes:
    """``value`` as bytes: exactly ``size`` of them, or ``least`` to ``most``."""
    if not isinstance(value, (bytes, bytearray, memoryview)):
        raise TypeError(f"{name} must be bytes, not {type(value).__name__}")
    data = bytes(value)
    if size is not None and len(data) != size:
        raise ValueError(f"{name} must be {size} bytes, not {len(data)}")
    if len(data) < least or (most is not None and len(data) > most):
        limit = f"{least} to {most}" if most is not None else f"at least {least}"
        raise ValueError(f"{name} must be {limit} bytes, not {len(data)}")
    return data


def as_int(name: str, value: object, low: int, high: int) -> int:
    """``value`` as an int from ``low`` to ``high``; a bool is not a number here."""
    if isinstance(value, bool):
        raise TypeError(f"{name} must be an int, not bool")
    try:
        number = operator.index(value)  # type: ignore[arg-type]
    except TypeError:
        raise TypeError(f"{name} must be an int, not {type(value).__name__}") from None
    if not low <= number <= high:
        raise ValueError(f"{name} must be from {low} to {high}, not {number}")
    return number


def as_byte(name: str, value: object) -> int:
    """``value`` as a single byte, 0 to 255 (block, page and similar numbers)."""
    return as_int(name, value, 0, 0xFF)


def as_bool(name: str, value: object) -> bool:
    """``value`` as a bool (``True``/``False``, or 0 and 1)."""
    if isinstance(value, bool):
        return value
    if isinstance(value, int) and value in (0, 1):
        return bool(value)
    raise TypeError(f"{name} must be a bool, not {type(value).__name__}")


def as_key_type(value: object) -> str:
    """A Mifare key kind: ``"A"`` or ``"B"``."""
    if value == "A" or value == "B":
        return value  # type: ignore[return-value]
    if not isinstance(value, str):
        raise TypeError(f"key_type must be 'A' or 'B', not {type(value).__name__}")
    if value not in ("A", "B"):
        raise ValueError(f"key_type must be 'A' or 'B', not {value!r}")
    return value
