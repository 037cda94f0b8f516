#!/usr/bin/env python3
"""Activates an ISO 14443-4 card (Type A, else Type B) and sends it APDUs.

    send_apdus.py [--port 1] [--device PATH] 00A4040009F054494C56414E4501 0084000008
"""

import argparse
import sys

import drovik


def main() -> int:
    parser = argparse.ArgumentParser(description="Send APDUs to a processor card.")
    parser.add_argument("apdus", nargs="+", help="commands in hex")
    parser.add_argument("--port", type=int, default=1)
    parser.add_argument("--device")
    options = parser.parse_args()
    try:
        commands = [bytes.fromhex(text) for text in options.apdus]
    except ValueError as error:
        parser.error(str(error))
    with drovik.Reader(options.port, device=options.device) as reader:
        try:
            ats = reader.iso14443_4.activate()
            print(f"Type A card {reader.iso14443_4.uid.hex()}, ATS {ats.hex(' ')}")
            transmit = reader.iso14443_4.transmit
        except drovik.ReaderError:
            card = reader.type_b.activate()
            print(f"Type B card, PUPI {card.pupi.hex()}")
            transmit = reader.type_b.transmit
        for command in commands:
            answer = transmit(command)
            data, status = answer[:-2], answer[-2:]
            print(f"> {command.hex(' ')}\n< {data.hex(' ')}  [{status.hex(' ').upper()}]")
    return 0


if __name__ == "__main__":
    sys.exit(main())
