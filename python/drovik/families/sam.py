"""The reader's SAM slot: reset and APDUs."""

from __future__ import annotations

from .._args import as_byte, as_bytes
from .._session import as_bytes_output
from ._base import Family

# rf_init_sam's configuration byte for each rate the SAM slot runs at.
SAM_RATES = {9600: 0, 38400: 1}
LONGEST_COMMAND = 251


class Sam(Family):
    """SAM commands (``reader.sam``); the SAM answers only after :meth:`reset`."""

    def configure(self, configuration: int) -> None:
        """Sends rf_init_sam's raw configuration byte."""
        self._session.command("rf_init_sam", as_byte("configuration", configuration))

    def reset(self, baud: int = 9600) -> bytes:
        """Sets the slot to ``baud`` (9600 or 38400) and resets the SAM; its ATR."""
        if isinstance(baud, bool) or not isinstance(baud, int):
            raise TypeError("baud must be an int")
        if baud not in SAM_RATES:
            raise ValueError(f"baud must be one of {sorted(SAM_RATES)}, not {baud}")
        with self._session.lock:
            self._session.command("rf_init_sam", SAM_RATES[baud])
            (answer,) = self._session.command("rf_sam_rst")
            return as_bytes_output(answer)

    def transmit(self, apdu: bytes) -> bytes:
        """Sends a command APDU (1 to 251 bytes); the answer with its status words."""
        command = as_bytes("apdu", apdu, least=1, most=LONGEST_COMMAND)
        (answer,) = self._session.command("rf_sam_cos", command)
        return as_bytes_output(answer)
