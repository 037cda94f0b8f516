"""DES and two-key triple DES on the host, through the library (no reader needed)."""

from __future__ import annotations

from ._args import as_bytes
from ._library import PathLike, load_library
from ._session import as_bytes_output

BLOCK = 8


def _check(key: object, data: object) -> tuple[bytes, bytes]:
    key_bytes = as_bytes("key", key)
    if len(key_bytes) not in (8, 16):
        raise ValueError(f"key must be 8 bytes (DES) or 16 (triple DES), not {len(key_bytes)}")
    data_bytes = as_bytes("data", data)
    if len(data_bytes) % BLOCK:
        raise ValueError(f"data must be whole 8-byte blocks, not {len(data_bytes)} bytes")
    return key_bytes, data_bytes


def des_encrypt(key: bytes, data: bytes, *, library: PathLike | None = None) -> bytes:
    """Encrypts whole 8-byte blocks (ECB): an 8-byte key is DES, 16 two-key triple DES."""
    key_bytes, data_bytes = _check(key, data)
    (output,) = load_library(library)["des_encrypt"](data_bytes, key_bytes)
    return as_bytes_output(output)


def des_decrypt(key: bytes, data: bytes, *, library: PathLike | None = None) -> bytes:
    """Decrypts whole 8-byte blocks (ECB), the inverse of :func:`des_encrypt`."""
    key_bytes, data_bytes = _check(key, data)
    (output,) = load_library(library)["des_decrypt"](data_bytes, key_bytes)
    return as_bytes_output(output)
