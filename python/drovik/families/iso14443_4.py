"""ISO 14443-4 Type A processor cards: activation and APDUs."""

from __future__ import annotations

from .._args import as_bytes
from .._session import Session, as_bytes_output
from ._base import Family
from .mifare_classic import request_code

# rf_typea_rst answers the card's 4-byte serial number, then its ATS.
UID_SIZE = 4
# A request carries at most 251 data bytes.
LONGEST_COMMAND = 251


class Iso14443_4(Family):
    """ISO 14443-4 Type A commands (``reader.iso14443_4``)."""

    def __init__(self, session: Session) -> None:
        super().__init__(session)
        self._uid: bytes | None = None

    @property
    def uid(self) -> bytes | None:
        """The serial number of the card the last :meth:`activate` found."""
        return self._uid

    def activate(self, *, wake_all: bool = True) -> bytes:
        """Activates a Type A processor card; its ATS (answer to select).

        Raises :class:`drovik.NoCardError` when no card answers and
        :class:`drovik.ReaderError` (status 0F) for a card that is not ISO 14443-4.
        """
        with self._session.lock:
            self._session.use_protocol("type_a")
            self._uid = None
            (answer,) = self._session.command("rf_typea_rst", request_code(wake_all))
            whole = as_bytes_output(answer)
            self._uid = whole[:UID_SIZE]
            return whole[UID_SIZE:]

    def transmit(self, apdu: bytes) -> bytes:
        """Sends a command APDU (1 to 251 bytes); the answer with its status words.

        A card answering an error status word is still a successful exchange:
        look at the last two bytes.
        """
        command = as_bytes("apdu", apdu, least=1, most=LONGEST_COMMAND)
        (answer,) = self._session.command("rf_cos_command", command)
        return as_bytes_output(answer)

    def deselect(self) -> None:
        """Deselects the card."""
        self._session.command("rf_cl_deselect")
