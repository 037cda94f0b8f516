"""DES and two-key triple DES through the library."""

from __future__ import annotations

import pytest

import drovik

# Published known answers (FIPS 81 / NBS test vectors).
KNOWN = [
    ("0000000000000000", "0000000000000000", "8CA64DE9C1B123A7"),
    ("0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"),
    ("133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"),
]


@pytest.mark.parametrize("key, plain, cipher", KNOWN)
def test_des_known_answers(key: str, plain: str, cipher: str) -> None:
    assert drovik.des_encrypt(bytes.fromhex(key), bytes.fromhex(plain)).hex().upper() == cipher
    assert drovik.des_decrypt(bytes.fromhex(key), bytes.fromhex(cipher)).hex().upper() == plain


def test_triple_des_is_encrypt_decrypt_encrypt() -> None:
    k1, k2 = bytes.fromhex("0123456789ABCDEF"), bytes.fromhex("FEDCBA9876543210")
    data = bytes(range(24))
    expected = drovik.des_encrypt(k1, drovik.des_decrypt(k2, drovik.des_encrypt(k1, data)))
    assert drovik.des_encrypt(k1 + k2, data) == expected
    assert drovik.des_decrypt(k1 + k2, expected) == data
    # Two equal halves are single DES.
    assert drovik.des_encrypt(k1 + k1, data) == drovik.des_encrypt(k1, data)


def test_des_takes_any_bytes_like_and_empty_data() -> None:
    key = bytearray(8)
    assert drovik.des_encrypt(key, memoryview(bytes(8))) == bytes.fromhex("8CA64DE9C1B123A7")
    assert drovik.des_encrypt(key, b"") == b""
