#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
# Needs root (or sudo) when something is missing.
set -euo pipefail

packages=(
    # toolchain and build
    build-essential cmake ninja-build pkg-config
    # tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # fuzzing: clang with its sanitizer and libFuzzer runtimes
    clang libclang-rt-14-dev
    # DES cross-checks in the tests and the DES benchmark only
    libssl-dev
    # JSON dump files in cardkit
    nlohmann-json3-dev
    # rfcard's command line
    libcli11-dev
    # the application: Qt 6 Widgets and Qt Test, SVG icons, a CJK font
    qt6-base-dev qt6-svg-dev libgl-dev fonts-wqy-microhei
    # running the application without a display
    xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        as_root=(sudo)
    else
        echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q "${missing[@]}"
