#!/usr/bin/env bash
# Tries the application on the simulated reader: installs what is missing,
# builds, starts reader-sim in the background and Tilvane connected to it on
# port 1. Tilvane keeps its settings of this demo in build/demo-settings, so your
# own settings are left alone. The simulator ends when Tilvane ends.
#
# Run it on a desktop, as root or as a user (it asks sudo only to install missing
# packages); without a display, run it under a virtual one:
#   xvfb-run -a scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."

# First, so that xvfb-run is there when the display is missing.
scripts/install-deps.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'TEXT'
There is no display here (DISPLAY and WAYLAND_DISPLAY are empty), so the
application's window has nowhere to appear. Run the demo on a desktop, or under
a virtual display:

    xvfb-run -a scripts/demo.sh
TEXT
    exit 1
fi

if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --target tilvane Drovik Selmek reader-sim

# The demo's own settings: port 1 (where the simulator is), 115200 baud, the
# Mifare Std page. The reader starts at 9600, so connecting shows the rate search.
settings_home=$(pwd)/build/demo-settings
settings=$settings_home/Velomar/IORFCard.conf
mkdir -p "$(dirname "$settings")"
if [ ! -f "$settings" ]; then
    printf '[General]\nCurCard=1\nComPort=1\nBaudRate=6\n' >"$settings"
else
    # Whatever was chosen last time, the simulator is on port 1.
    sed -i 's/^ComPort=.*/ComPort=1/' "$settings"
    grep -q '^ComPort=' "$settings" || printf 'ComPort=1\n' >>"$settings"
fi

# shellcheck source=scripts/reader-sim.bash
source scripts/reader-sim.bash
# At the speed of a real line, so that a read takes as long as on a real reader.
start_reader_sim --realtime --card mifare4k --card cpu-b --card at88rf020 --card srix4k --card iso15693
echo "reader-sim serves the simulated reader on $READER_SIM_DEVICE"
echo "Starting Tilvane (if no window appears, a Tilvane is already running)."

SELMEK_PORT1=$READER_SIM_DEVICE XDG_CONFIG_HOME=$settings_home build/bin/tilvane
