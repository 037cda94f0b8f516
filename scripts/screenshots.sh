#!/usr/bin/env bash
# Saves a picture of the main window with each built page, and one of the
# exchange log's window, into build/screenshots/, offscreen, with the simulated
# reader on port 1 so the pages show card data; then two of the card workbench
# (a decoded Mifare Classic 1K card read through it, and that read compared with
# an earlier one).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --target tilvane-screenshots Drovik Selmek reader-sim

# shellcheck source=scripts/reader-sim.bash
source scripts/reader-sim.bash
mkdir -p build/screenshots

# Takes the pictures of the pages named in $1 with the cards that follow in the
# field. An Ultralight and a Mifare card would both answer a Type A search, and an
# SR176 and an SRIX4K the same short-range select, so the Ultralight and the
# SRIX4K get a reader of their own.
pictures() {
    local pages=$1
    shift
    start_reader_sim "$@"
    SELMEK_PORT1=$READER_SIM_DEVICE QT_QPA_PLATFORM=offscreen \
        build/tools/tilvane-screenshots --library build/bin/libDrovik.so \
        --out build/screenshots --pages "$pages"
    stop_reader_sim
}

pictures MifareClassicPage,At88rf020Page,Sr176Page,ExchangeLog \
    --card mifare4k --card at88rf020 --card sr176
pictures UltralightPage --card ultralight
pictures Srix4kPage,Iso15693Page --card srix4k --card iso15693
# The processor card in a field of its own: beside a Mifare card, its
# activation would find the Mifare card. The SAM needs no card.
pictures Iso14443Part4Page,SamPage --card cpu-a

# The workbench reads, writes and reads again a Mifare Classic 1K card of its own.
start_reader_sim --card mifare1k
SELMEK_PORT1=$READER_SIM_DEVICE QT_QPA_PLATFORM=offscreen \
    build/tools/tilvane-screenshots --library build/bin/libDrovik.so \
    --out build/screenshots --workbench --width 1100 --height 760
stop_reader_sim
