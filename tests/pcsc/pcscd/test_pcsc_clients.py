"""The driver in Debian's pcscd, used by real PC/SC clients: pcsc_scan and pyscard."""

import subprocess
from typing import Tuple

import pytest
from smartcard.Exceptions import CardConnectionException
from smartcard.util import toBytes

from conftest import FIELD, SAM, Simulator, card_state, connect, release, send

APPLICATION = "F0 54 49 4C 56 41 4E 45 01"
SAM_APPLICATION = "F0 54 49 4C 56 53 41 4D"


def insert(sim: Simulator, kind: str) -> str:
    sim.command(f"insert {kind}")
    return card_state(FIELD)


def test_pcsc_scan_lists_the_reader_and_the_atrs(field: Simulator) -> None:
    insert(field, "mifare1k")
    listed = subprocess.run(["pcsc_scan", "-r"], capture_output=True, text=True, timeout=20)
    assert listed.returncode == 0, listed.stderr
    assert FIELD in listed.stdout and SAM in listed.stdout
    cards = subprocess.run(["pcsc_scan", "-c", "-n"], capture_output=True, text=True, timeout=20)
    assert cards.returncode == 0, cards.stderr
    assert "ATR: 3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A" in cards.stdout
    assert "ATR: 3B 2D 00 54 49 4C 56 41 4E 45 2D 53 41 4D 01 00" in cards.stdout


@pytest.mark.parametrize("kind, atr_start, uid", [
    ("cpu-a", "3B 8B 80 01", "3E 81 22 6D"),
    ("cpu-b", "3B 88 80 01", "1C 93 5E 07"),
])
def test_processor_cards_answer_select_and_get_challenge(
        field: Simulator, kind: str, atr_start: str, uid: str) -> None:
    assert insert(field, kind).startswith(atr_start)
    connection = connect(FIELD)
    try:
        fci, sw = send(connection, "00 A4 04 00 09 " + APPLICATION + " 00")
        assert sw == "90 00" and APPLICATION in fci
        assert send(connection, "00 A4 04 00 05 A0 00 00 00 01 00") == ("", "6A 82")
        first, sw = send(connection, "00 84 00 00 08")
        second, _ = send(connection, "00 84 00 00 08")
        assert sw == "90 00" and len(toBytes(first)) == 8 and first != second
        assert send(connection, "FF CA 00 00 00") == (uid, "90 00")
        assert send(connection, "00 D6 00 00 FB " + "11 " * 251) == ("", "67 00")
    finally:
        connection.disconnect()


def test_ultralight_pages(field: Simulator) -> None:
    insert(field, "ultralight")
    connection = connect(FIELD)
    try:
        assert send(connection, "FF D6 00 05 04 A1 A2 A3 A4") == ("", "90 00")
        pages, sw = send(connection, "FF B0 00 04 10")
        assert sw == "90 00" and pages == "00 00 00 00 A1 A2 A3 A4" + " 00" * 8
        assert send(connection, "FF B0 00 05 04") == ("A1 A2 A3 A4", "90 00")
    finally:
        connection.disconnect()


def test_sam_slot_gives_its_reset_answer_and_takes_apdus(field: Simulator) -> None:
    assert card_state(SAM) == "3B 2D 00 54 49 4C 56 41 4E 45 2D 53 41 4D 01 00"
    connection = connect(SAM)
    try:
        fci, sw = send(connection, "00 A4 04 00 08 " + SAM_APPLICATION + " 00")
        assert sw == "90 00" and SAM_APPLICATION in fci
        challenge, sw = send(connection, "00 84 00 00 04")
        assert sw == "90 00" and len(toBytes(challenge)) == 4
    finally:
        connection.disconnect()


def test_a_card_taken_out_and_another_put_in_while_pcscd_runs(field: Simulator) -> None:
    first = insert(field, "mifare1k")
    connection = connect(FIELD)
    assert send(connection, "FF CA 00 00 00") == ("5A 3C 71 E2", "90 00")
    field.command("remove all")
    assert card_state(FIELD, absent=True) == ""
    with pytest.raises(CardConnectionException):
        send(connection, "FF CA 00 00 00")
    release(connection)
    second = insert(field, "cpu-b")
    assert second != first
    connection = connect(FIELD)
    try:
        assert send(connection, "FF CA 00 00 00") == ("1C 93 5E 07", "90 00")
    finally:
        connection.disconnect()


def test_a_card_leaving_mid_session_ends_it(field: Simulator) -> None:
    insert(field, "cpu-a")
    connection = connect(FIELD)
    assert send(connection, "00 84 00 00 04")[1] == "90 00"
    field.command("remove all")
    with pytest.raises(CardConnectionException):
        send(connection, "00 84 00 00 04")
    release(connection)
    assert card_state(FIELD, absent=True) == ""
