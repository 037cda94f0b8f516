#!/usr/bin/env python3
"""Reads one sector of a Mifare Classic card with key A.

    read_mifare_sector.py [--port 1] [--device /dev/ttyUSB0] [--key FFFFFFFFFFFF] SECTOR
"""

import argparse
import sys

import drovik


def main() -> int:
    parser = argparse.ArgumentParser(description="Read a Mifare Classic sector.")
    parser.add_argument("sector", type=int, help="0 to 15 (1K) or 0 to 39 (4K)")
    parser.add_argument("--port", type=int, default=1)
    parser.add_argument("--device", help="serial device, instead of the port's mapping")
    parser.add_argument("--key", default="FFFFFFFFFFFF", help="key A, 12 hex digits")
    options = parser.parse_args()
    # Sectors 32 to 39 of a 4K card have 16 blocks.
    first = options.sector * 4 if options.sector < 32 else 128 + (options.sector - 32) * 16
    count = 4 if options.sector < 32 else 16
    try:
        with drovik.Reader(options.port, device=options.device) as reader:
            card = reader.mifare_classic.search()
            print(f"card {card.uid.hex().upper()}, ATQA {card.atqa.hex()}, SAK {card.sak:02X}")
            reader.mifare_classic.authenticate(first, bytes.fromhex(options.key))
            for block in range(first, first + count):
                print(f"block {block:3}: {reader.mifare_classic.read_block(block).hex(' ')}")
    except drovik.NoCardError:
        print("no card on the reader", file=sys.stderr)
        return 1
    except drovik.AuthenticationError:
        print(f"key A {options.key} does not open sector {options.sector}", file=sys.stderr)
        return 1
    except drovik.ReaderError as error:
        print(error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
