"""Each card family's main operations against the simulated reader."""

from __future__ import annotations

from pathlib import Path

import pytest

import drovik
from conftest import Simulator

KEY = bytes.fromhex("FFFFFFFFFFFF")
SW_DONE = b"\x90\x00"
GET_CHALLENGE = bytes.fromhex("0084000008")


def test_mifare_classic_search_blocks_and_values(sim: Simulator, reader: drovik.Reader) -> None:
    (uid,) = sim.field("mifare1k")
    mifare = reader.mifare_classic
    card = mifare.search()
    assert card == drovik.Card(uid=uid, atqa=b"\x04\x00", sak=0x08)
    mifare.authenticate(4, KEY)
    data = bytes(range(16))
    mifare.write_block(5, data)
    assert mifare.read_block(5) == data
    mifare.write_value(6, 100)
    mifare.increment(6, 25)
    mifare.decrement(6, 5)
    assert mifare.read_value(6) == 120
    mifare.restore(6)
    mifare.transfer(4)
    assert mifare.read_value(4) == 120


def test_mifare_classic_halt_and_loaded_keys(sim: Simulator, reader: drovik.Reader) -> None:
    sim.field("mifare1k")
    mifare = reader.mifare_classic
    mifare.search()
    mifare.halt()
    with pytest.raises(drovik.NoCardError):
        mifare.search(wake_all=False)
    mifare.search(wake_all=True)
    mifare.load_keys([KEY] * 16)
    mifare.authenticate_loaded(8)
    assert len(mifare.read_block(8)) == 16


def test_ultralight_pages(sim: Simulator, reader: drovik.Reader) -> None:
    (uid,) = sim.field("ultralight")
    card = reader.ultralight.search()
    assert card.uid == uid
    reader.ultralight.write_page(5, b"\x01\x02\x03\x04")
    assert reader.ultralight.read_page(5) == b"\x01\x02\x03\x04"
    assert reader.ultralight.read_pages(4)[4:8] == b"\x01\x02\x03\x04"
    # Whichever card is asked, a combined select reads its whole UID.
    assert reader.select_type_a().uid == uid


def test_iso14443_4_activation_and_apdus(sim: Simulator, reader: drovik.Reader) -> None:
    (uid,) = sim.field("cpu-a")
    ats = reader.iso14443_4.activate()
    assert ats and reader.iso14443_4.uid == uid
    answer = reader.iso14443_4.transmit(GET_CHALLENGE)
    assert len(answer) == 10 and answer[-2:] == SW_DONE
    reader.iso14443_4.deselect()


def test_type_b_activation_and_apdus(sim: Simulator, reader: drovik.Reader) -> None:
    (pupi,) = sim.field("cpu-b")
    card = reader.type_b.activate()
    assert card.pupi == pupi and card.atqb[1:5] == pupi
    answer = reader.type_b.transmit(GET_CHALLENGE)
    assert len(answer) == 10 and answer[-2:] == SW_DONE
    reader.type_b.halt(card.pupi)


def test_sam_reset_and_apdus(reader: drovik.Reader) -> None:
    assert reader.sam.reset(38400)
    answer = reader.sam.transmit(GET_CHALLENGE)
    assert len(answer) == 10 and answer[-2:] == SW_DONE


def test_at88rf020_password_and_pages(sim: Simulator, reader: drovik.Reader) -> None:
    (pupi,) = sim.field("at88rf020")
    card = reader.at88rf020.search()
    assert card.pupi == pupi
    with pytest.raises(drovik.AuthenticationError):
        reader.at88rf020.check_password(b"\x01" * 8)
    reader.at88rf020.search()
    reader.at88rf020.check_password(bytes(8))
    reader.at88rf020.write_page(5, b"ABCDEFGH")
    assert reader.at88rf020.read_page(5) == b"ABCDEFGH"
    reader.at88rf020.deselect()


def test_sr176_blocks(sim: Simulator, reader: drovik.Reader) -> None:
    sim.field("sr176")
    reader.sr176.select()
    reader.sr176.write_block(5, b"\xbe\xef")
    assert reader.sr176.read_block(5) == b"\xbe\xef"
    reader.sr176.complete()


def test_srix4k_reads_as_the_card_holds_it(
    sim: Simulator, reader: drovik.Reader, tmp_path: Path
) -> None:
    (uid,) = sim.field("srix4k")
    srix = reader.srix4k
    srix.select()
    assert srix.uid() == uid
    srix.write_block(20, b"\x11\x22\x33\x44")
    read = b"".join(srix.read_block(block) for block in range(srix.BLOCKS))
    saved = tmp_path / "srix.bin"
    sim.command(f"save srix4k {saved}")
    assert read == saved.read_bytes()[: len(read)]
    assert read[80:84] == b"\x11\x22\x33\x44"


def test_iso15693_tag(sim: Simulator, reader: drovik.Reader) -> None:
    (uid,) = sim.field("iso15693")
    tag = reader.iso15693
    assert tag.inventory().uid == uid
    info = tag.system_information()
    assert (info.uid, info.block_count, info.block_size) == (uid, 64, 4)
    tag.write_block(3, b"\xde\xad\xbe\xef", uid)
    assert tag.read_block(3, uid) == drovik.Block(data=b"\xde\xad\xbe\xef", security=0)
    tag.lock_block(3, uid)
    assert tag.read_block(3).locked
    assert tag.block_security(2, 2, uid) == b"\x00\x01"
    with pytest.raises(drovik.NotAllowedError):
        tag.write_block(3, bytes(4), uid)
    tag.write_afi(0x42, uid)
    tag.write_dsfid(0x17, uid)
    info = tag.system_information(uid)
    assert (info.afi, info.dsfid) == (0x42, 0x17)
    blocks = tag.read_blocks(0, 4, uid)
    assert [block.data for block in blocks][3] == b"\xde\xad\xbe\xef"


def test_iso15693_quiet_tags_answer_only_when_addressed(
    sim: Simulator, reader: drovik.Reader
) -> None:
    (uid,) = sim.field("iso15693")
    tag = reader.iso15693
    tag.stay_quiet(uid)
    with pytest.raises(drovik.NoCardError):
        tag.inventory()
    tag.select(uid)
    tag.reset_to_ready(uid)
    assert tag.inventory().uid == uid


def test_switching_families_switches_the_field(sim: Simulator, reader: drovik.Reader) -> None:
    uids = sim.field("mifare1k", "srix4k", "iso15693")
    for _ in range(2):
        assert reader.mifare_classic.search().uid == uids[0]
        assert reader.srix4k.select() >= 0
        assert reader.iso15693.inventory().uid == uids[2]
