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
    # the network lines' tests and benchmarks: a serial-port server on the
    # network (RFC 2217 and raw TCP) in front of reader-sim's pseudo-terminal
    ser2net
    # the Debian package: its contents, its dependencies (dpkg-shlibdeps) and its
    # desktop entry's check
    dpkg-dev file desktop-file-utils
    # the package's man pages (help2man; man-db renders them in the check), its
    # AppStream entry's check, lintian
    help2man man-db appstream lintian
    # the Python package: Debian's Python with pytest and mypy, and venv, pip and
    # setuptools for installing it offline (pip install --no-build-isolation)
    python3 python3-pytest mypy python3-venv python3-pip python3-setuptools
    # the PC/SC driver: pcsc-lite's driver headers, and the daemon with real
    # clients for its tests (pytest and pyscard for Debian's own python3)
    libpcsclite-dev pcscd python3-pyscard
)

# The Windows libraries: the mingw-w64 cross compilers with posix threads (their
# libstdc++ has std::mutex), GoogleTest's sources to build the tests for Windows,
# and the 64-bit Wine to run them; pcsc-tools. Installed without what they merely
# recommend, which for Wine is a desktop's worth.
lean_packages=(
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest wine64
    # pcsc_scan for the driver's tests, without the GTK of its graphical tool
    pcsc-tools
)

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
missing=()
for package in "${packages[@]}"; do
    installed "$package" || missing+=("$package")
done
missing_lean=()
for package in "${lean_packages[@]}"; do
    installed "$package" || missing_lean+=("$package")
done

if [ ${#missing[@]} -eq 0 ] && [ ${#missing_lean[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]} ${missing_lean[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        as_root=(sudo)
    else
        echo "These packages are missing and installing them needs root: ${missing[*]} ${missing_lean[*]}" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
if [ ${#missing[@]} -gt 0 ]; then
    "${as_root[@]}" apt-get install -y -q "${missing[@]}"
fi
if [ ${#missing_lean[@]} -gt 0 ]; then
    "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing_lean[@]}"
fi
