#!/usr/bin/env bash
# Saves a picture of the main window with each built page into
# build/screenshots/, offscreen, with the simulated reader on port 1 so the
# pages show card data.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --target tilvane-screenshots Drovik Selmek reader-sim

# shellcheck source=scripts/reader-sim.bash
source scripts/reader-sim.bash
start_reader_sim --card mifare4k

mkdir -p build/screenshots
SELMEK_PORT1=$READER_SIM_DEVICE QT_QPA_PLATFORM=offscreen \
    build/tools/tilvane-screenshots --library build/bin/libDrovik.so --out build/screenshots

# The processor card in a field of its own: beside a Mifare card, the
# activation would find the Mifare card.
stop_reader_sim
start_reader_sim --card cpu-a
SELMEK_PORT1=$READER_SIM_DEVICE QT_QPA_PLATFORM=offscreen \
    build/tools/tilvane-screenshots --library build/bin/libDrovik.so --out build/screenshots \
    --page Iso14443Part4Page
