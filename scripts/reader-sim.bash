# Sourced by the scripts that need a simulated reader: start_reader_sim starts
# build/bin/reader-sim in the background with the given arguments, sets
# READER_SIM_DEVICE to its pseudo-terminal, and arranges that it ends when the
# calling script ends.

start_reader_sim() {
    local output
    output=$(mktemp -d)
    build/bin/reader-sim "$@" </dev/null >"$output/out" 2>"$output/err" &
    READER_SIM_PID=$!
    READER_SIM_OUTPUT=$output
    trap stop_reader_sim EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    local waited=0
    READER_SIM_DEVICE=
    while [ -z "$READER_SIM_DEVICE" ]; do
        if ! kill -0 "$READER_SIM_PID" 2>/dev/null; then
            echo "reader-sim did not start:" >&2
            cat "$output/err" >&2
            return 1
        fi
        if [ "$waited" -ge 50 ]; then
            echo "reader-sim printed no device within 5 seconds" >&2
            return 1
        fi
        sleep 0.1
        waited=$((waited + 1))
        READER_SIM_DEVICE=$(head -n 1 "$output/out")
    done
}

stop_reader_sim() {
    if [ -n "${READER_SIM_PID:-}" ]; then
        kill "$READER_SIM_PID" 2>/dev/null || true
        wait "$READER_SIM_PID" 2>/dev/null || true
        READER_SIM_PID=
    fi
    if [ -n "${READER_SIM_OUTPUT:-}" ]; then
        rm -rf "$READER_SIM_OUTPUT"
        READER_SIM_OUTPUT=
    fi
}
