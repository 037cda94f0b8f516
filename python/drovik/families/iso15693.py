"""ISO 15693 tags: inventory, system information, blocks, locks, AFI and DSFID.

UIDs are bytes most significant first, as tags are shown to people (``E0 07 ...``,
the maker's code second); they travel the other way round, which this module
handles. A method given ``uid`` addresses that tag; without it the request goes
to whichever tag is in the field. ``flags`` overrides the request flags byte
that the tag gets.
"""

from __future__ import annotations

from dataclasses import dataclass

from .._args import as_byte, as_bytes, as_int
from .._session import as_bytes_output
from ..errors import ReaderError
from ..errors import result_meaning as _result_meaning
from ._base import Family

UID_SIZE = 8
BLOCK_SIZE = 4
# Request flags (ISO 15693): high data rate, addressed, option (a read then
# gives each block's security status first).
FLAG_HIGH_RATE = 0x02
FLAG_ADDRESSED = 0x20
FLAG_OPTION = 0x40
# The library's limits on block counts per request.
MOST_READ = 15
MOST_SECURITY = 63


@dataclass(frozen=True)
class Tag:
    """A tag that answered an inventory."""

    uid: bytes
    dsfid: int


@dataclass(frozen=True)
class SystemInformation:
    """A tag's system information; fields its flags leave out are None."""

    information_flags: int
    uid: bytes
    dsfid: int | None
    afi: int | None
    block_count: int | None
    block_size: int | None
    ic_reference: int | None


@dataclass(frozen=True)
class Block:
    """A block read with its security status (bit 0 set: locked)."""

    data: bytes
    security: int

    @property
    def locked(self) -> bool:
        """Whether the block is locked."""
        return bool(self.security & 1)


def _malformed(function: str, detail: str) -> ReaderError:
    # Result 1 is the library's own word for an answer without the data expected.
    kind, name, meaning = _result_meaning(function, 1)
    return ReaderError(function, 1, name, f"{meaning}: {detail}")


class Iso15693(Family):
    """ISO 15693 commands (``reader.iso15693``)."""

    def _target(self, uid: bytes | None, flags: int | None, extra: int = 0) -> tuple[int, bytes]:
        if uid is None:
            wire_uid = bytes(UID_SIZE)
            default = FLAG_HIGH_RATE | extra
        else:
            wire_uid = as_bytes("uid", uid, UID_SIZE)[::-1]
            default = FLAG_HIGH_RATE | FLAG_ADDRESSED | extra
        return (default if flags is None else as_byte("flags", flags)), wire_uid

    def _run(self, function: str, *given: bytes | int) -> bytes:
        # Every command puts the field on ISO 15693 first: a tag whose UID is
        # known needs no inventory before it is addressed.
        with self._session.lock:
            self._session.use_protocol("iso15693")
            outputs = self._session.command(function, *given)
        return as_bytes_output(outputs[0]) if outputs else b""

    def inventory(self) -> Tag:
        """The tag in the field (one slot): its UID and DSFID."""
        data = self._run("ISO15693_Inventory")
        if len(data) != 1 + UID_SIZE:
            raise _malformed("ISO15693_Inventory", f"{len(data)} bytes, not 9")
        return Tag(uid=data[1:][::-1], dsfid=data[0])

    def stay_quiet(self, uid: bytes) -> None:
        """Sends the tag with ``uid`` to the quiet state."""
        self._run("ISO15693_Stay_Quiet", as_bytes("uid", uid, UID_SIZE)[::-1])

    def select(self, uid: bytes) -> None:
        """Selects the tag with ``uid``."""
        self._run("ISO15693_Select", as_bytes("uid", uid, UID_SIZE)[::-1])

    def reset_to_ready(self, uid: bytes | None = None, *, flags: int | None = None) -> None:
        """Returns the tag to the ready state."""
        self._run("ISO15693_Reset_To_Ready", *self._target(uid, flags))

    def system_information(
        self, uid: bytes | None = None, *, flags: int | None = None
    ) -> SystemInformation:
        """The tag's UID, DSFID, AFI, block count and size and IC reference."""
        function = "ISO15693_Get_System_Information"
        data = self._run(function, *self._target(uid, flags))
        if len(data) < 1 + UID_SIZE:
            raise _malformed(function, f"{len(data)} bytes")
        information = data[0]
        fields: dict[str, int | None] = {}
        rest = data[1 + UID_SIZE :]
        for name, bit, size in (("dsfid", 1, 1), ("afi", 2, 1), ("memory", 4, 2), ("ic", 8, 1)):
            if not information & bit:
                continue
            if len(rest) < size:
                raise _malformed(function, f"{len(data)} bytes, shorter than its flags say")
            fields[name] = rest[0]
            if name == "memory":
                fields["block_count"] = rest[0] + 1
                fields["block_size"] = (rest[1] & 0x1F) + 1
            rest = rest[size:]
        return SystemInformation(
            information_flags=information,
            uid=data[1 : 1 + UID_SIZE][::-1],
            dsfid=fields.get("dsfid"),
            afi=fields.get("afi"),
            block_count=fields.get("block_count"),
            block_size=fields.get("block_size"),
            ic_reference=fields.get("ic"),
        )

    def read_blocks(
        self, first: int, count: int, uid: bytes | None = None, *, flags: int | None = None
    ) -> list[Block]:
        """``count`` blocks (1 to 15) from ``first``, each with its security status."""
        function = "ISO15693_Read"
        number = as_int("count", count, 1, MOST_READ)
        data = self._run(
            function, *self._target(uid, flags, FLAG_OPTION), as_byte("first", first), number
        )
        if not data or len(data) % number:
            raise _malformed(function, f"{len(data)} bytes for {number} blocks")
        step = len(data) // number
        return [Block(data=data[i + 1 : i + step], security=data[i]) for i in range(0, len(data), step)]

    def read_block(self, block: int, uid: bytes | None = None, *, flags: int | None = None) -> Block:
        """One block with its security status."""
        return self.read_blocks(block, 1, uid, flags=flags)[0]

    def write_block(
        self, block: int, data: bytes, uid: bytes | None = None, *, flags: int | None = None
    ) -> None:
        """Writes 4 bytes to ``block``."""
        self._run(
            "ISO15693_Write",
            *self._target(uid, flags),
            as_byte("block", block),
            as_bytes("data", data, BLOCK_SIZE),
        )

    def lock_block(self, block: int, uid: bytes | None = None, *, flags: int | None = None) -> None:
        """Locks ``block`` for good."""
        self._run(
            "ISO15693_Lock_Block", *self._target(uid, flags), as_byte("block", block)
        )

    def block_security(
        self, first: int, count: int, uid: bytes | None = None, *, flags: int | None = None
    ) -> bytes:
        """The security status bytes of ``count`` blocks (1 to 63) from ``first``."""
        return self._run(
            "ISO15693_Get_Block_Security",
            *self._target(uid, flags),
            as_byte("first", first),
            as_int("count", count, 1, MOST_SECURITY),
        )

    def write_afi(self, afi: int, uid: bytes | None = None, *, flags: int | None = None) -> None:
        """Writes the AFI (application family identifier)."""
        self._run("ISO15693_Write_AFI", *self._target(uid, flags), as_byte("afi", afi))

    def lock_afi(self, uid: bytes | None = None, *, flags: int | None = None) -> None:
        """Locks the AFI for good."""
        self._run("ISO15693_Lock_AFI", *self._target(uid, flags))

    def write_dsfid(self, dsfid: int, uid: bytes | None = None, *, flags: int | None = None) -> None:
        """Writes the DSFID (data storage format identifier)."""
        self._run(
            "ISO15693_Write_DSFID", *self._target(uid, flags), as_byte("dsfid", dsfid)
        )

    def lock_dsfid(self, uid: bytes | None = None, *, flags: int | None = None) -> None:
        """Locks the DSFID for good."""
        self._run("ISO15693_Lock_DSFID", *self._target(uid, flags))
