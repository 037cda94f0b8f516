"""drovik: Python over the contactless card reader library libDrovik.

Open a reader with :class:`Reader` (a context manager); the card families are
its attributes (``reader.mifare_classic``, ``reader.iso15693``, ...). A failed
call raises :class:`ReaderError`, whose ``code``, ``function`` and ``meaning``
say what went wrong; :class:`NoCardError`, :class:`AuthenticationError`,
:class:`NotAllowedError`, :class:`CollisionError`, :class:`TransportError`
(:class:`ReaderTimeoutError`, :class:`DeviceGoneError`) and
:class:`PortOpenError` are the failures worth branching on.

Example::

    import drovik

    with drovik.Reader(1, device="/dev/ttyUSB0") as reader:
        card = reader.mifare_classic.search()
        reader.mifare_classic.authenticate(4, bytes.fromhex("FFFFFFFFFFFF"))
        print(card.uid.hex(), reader.mifare_classic.read_block(4).hex())
"""

from __future__ import annotations

from ._library import LIBRARY_VARIABLE, candidate_paths, load_library
from .des import des_decrypt, des_encrypt
from .errors import (
    AuthenticationError,
    CollisionError,
    DeviceGoneError,
    LibraryError,
    NoCardError,
    NotAllowedError,
    PortInUseError,
    PortOpenError,
    ReaderClosedError,
    ReaderError,
    ReaderTimeoutError,
    TransportError,
    result_meaning,
)
from .families.at88rf020 import At88rf020Card
from .families.iso15693 import Block, SystemInformation, Tag
from .families.mifare_classic import Card
from .families.type_b import TypeBCard
from .families.ultralight import UltralightCard
from .reader import Light, Reader, TypeACard

__all__ = [
    "At88rf020Card",
    "AuthenticationError",
    "Block",
    "Card",
    "CollisionError",
    "DeviceGoneError",
    "LIBRARY_VARIABLE",
    "LibraryError",
    "Light",
    "NoCardError",
    "NotAllowedError",
    "PortInUseError",
    "PortOpenError",
    "Reader",
    "ReaderClosedError",
    "ReaderError",
    "ReaderTimeoutError",
    "SystemInformation",
    "Tag",
    "TransportError",
    "TypeACard",
    "TypeBCard",
    "UltralightCard",
    "candidate_paths",
    "des_decrypt",
    "des_encrypt",
    "library_version",
    "load_library",
    "result_meaning",
]


def library_version(*, library: str | None = None) -> int:
    """The version number of the reader library (``lib_ver``)."""
    (version,) = load_library(library)["lib_ver"]()
    assert isinstance(version, int)
    return version
