#!/usr/bin/env bash
# Runs wine_exchange under Wine against the Linux reader-sim. Wine's COM<PORT> is
# mapped to the simulator's pseudo-terminal through the registry
# (HKLM\Software\Wine\Ports), which Wine reads when its server starts: so the
# server is stopped after the change and the mapping awaited before the run.
#   wine_exchange.sh WINE_RUN WINE_PREFIX READER_SIM PROGRAM BIN_DIR PORT
set -euo pipefail
wine_run=$1 prefix=$2 reader_sim=$3 program=$4 bin_dir=$5 port=$6

# The simulator ends when its standard input, a pipe held by this script, closes.
coproc SIM { exec "$reader_sim" --baud 9600 2>/dev/null; }
sim_pid=$SIM_PID
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
read -r device <&"${SIM[0]}"
echo "reader-sim on $device as COM$port"

"$wine_run" reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /t REG_SZ /d "$device" /f >/dev/null
"$wine_run" --stop
"$wine_run" cmd /c exit
link=$prefix/dosdevices/com$port
for _ in $(seq 300); do
    [ "$(readlink "$link" 2>/dev/null)" = "$device" ] && break
    sleep 0.1
done
[ "$(readlink "$link" 2>/dev/null)" = "$device" ] || { echo "Wine did not map COM$port" >&2; exit 1; }

"$wine_run" "$program" "$bin_dir" "$port"
