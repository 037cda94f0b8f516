"""ISO 14443 Type B processor cards: request, ATTRIB, APDUs, halt."""

from __future__ import annotations

from dataclasses import dataclass

from .._args import as_byte, as_bytes
from .._session import as_bytes_output
from ._base import Family

PUPI_SIZE = 4
# rf_atqb's modes: 0 requests idle cards, 1 wakes every card.
_REQUEST_MODES = {False: 0, True: 1}
# rf_typeb_cos sends a leading byte before the command: one byte fewer than 251.
LONGEST_COMMAND = 250


@dataclass(frozen=True)
class TypeBCard:
    """A Type B card that answered: its PUPI (ATQB bytes 1 to 4) and whole ATQB."""

    pupi: bytes
    atqb: bytes


def pupi_value(pupi: bytes) -> int:
    """The PUPI as rf_attrib and rf_hltb take it: its bytes go out in their own order."""
    return int.from_bytes(as_bytes("pupi", pupi, PUPI_SIZE), "little")


class TypeB(Family):
    """Type B commands (``reader.type_b``)."""

    def request(self, *, wake_up: bool = True) -> TypeBCard:
        """Sends REQB (or WUPB with ``wake_up``); the card that answered."""
        with self._session.lock:
            self._session.use_protocol("type_b")
            (answer,) = self._session.command("rf_atqb", _REQUEST_MODES[bool(wake_up)])
            atqb = as_bytes_output(answer)
            return TypeBCard(pupi=atqb[1 : 1 + PUPI_SIZE], atqb=atqb)

    def attrib(self, pupi: bytes, parameter: int = 0) -> None:
        """Sends ATTRIB to the card with ``pupi``, which then takes APDUs."""
        self._session.command("rf_attrib", pupi_value(pupi), as_byte("parameter", parameter))

    def activate(self, *, wake_up: bool = True) -> TypeBCard:
        """Finds a card and sends it ATTRIB: :meth:`request`, then :meth:`attrib`."""
        with self._session.lock:
            card = self.request(wake_up=wake_up)
            self.attrib(card.pupi)
            return card

    def transmit(self, apdu: bytes, *, leading_byte: int = 0) -> bytes:
        """Sends a command APDU (1 to 250 bytes); the answer with its status words."""
        command = as_bytes("apdu", apdu, least=1, most=LONGEST_COMMAND)
        (answer,) = self._session.command(
            "rf_typeb_cos", as_byte("leading_byte", leading_byte), command
        )
        return as_bytes_output(answer)

    def halt(self, pupi: bytes) -> None:
        """Halts the card with ``pupi``."""
        self._session.command("rf_hltb", pupi_value(pupi))
