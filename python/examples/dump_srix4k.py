#!/usr/bin/env python3
"""Dumps an SRIX4K's 128 blocks (and its system block) to a raw file.

    dump_srix4k.py [--port 1] [--device PATH] card.bin

The file holds the blocks back to back, the system block last when the card
answers it, each block least significant byte first as the tag sends it: the
raw layout of rfcard and the common tools. The reader hands a block over the
other way round (reader-sim's `save` keeps that order), so each is reversed.
"""

import argparse
import sys
from pathlib import Path

import drovik


def main() -> int:
    parser = argparse.ArgumentParser(description="Dump an SRIX4K card.")
    parser.add_argument("output", type=Path)
    parser.add_argument("--port", type=int, default=1)
    parser.add_argument("--device")
    options = parser.parse_args()
    with drovik.Reader(options.port, device=options.device) as reader:
        srix = reader.srix4k
        chip = srix.select()
        print(f"SRIX4K chip ID {chip:02X}, UID {srix.uid().hex().upper()}")
        blocks = [srix.read_block(block)[::-1] for block in range(srix.BLOCKS)]
        try:
            blocks.append(srix.read_block(srix.SYSTEM_BLOCK)[::-1])
        except drovik.ReaderError as error:
            print(f"no system block ({error.meaning})", file=sys.stderr)
        srix.complete()
    # Written beside, then renamed: a failed run leaves no half file behind.
    partial = options.output.with_name(options.output.name + ".part")
    partial.write_bytes(b"".join(blocks))
    partial.replace(options.output)
    print(f"{len(blocks)} blocks written to {options.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
