#!/usr/bin/env bash
# Runs a command where a pcscd it starts cannot meet one already running on the
# machine: pcscd's socket is fixed at /run/pcscd/, so the command gets a mount
# namespace of its own with a tmpfs over /run/pcscd (possible as root, as in CI).
# Without that, it runs as it is when no pcscd listens and /run/pcscd is
# writable; else it is skipped with exit status 77 and the reason.
set -euo pipefail

if [ "$(id -u)" -eq 0 ] && unshare --mount --propagation private true 2>/dev/null; then
    exec unshare --mount --propagation private -- bash -c \
        'mkdir -p /run/pcscd && mount -t tmpfs -o mode=0755 tmpfs /run/pcscd && exec "$@"' \
        private-pcscd "$@"
fi
if [ ! -e /run/pcscd/pcscd.comm ] && [ -d /run/pcscd ] && [ -w /run/pcscd ]; then
    exec "$@"
fi
echo "SKIP: no private /run/pcscd (not root, or unshare refused) and /run/pcscd is taken" \
     "or not writable; run as root to test against pcscd"
exit 77
