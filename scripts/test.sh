#!/usr/bin/env bash
# The one test command: installs what is missing, builds everything from scratch
# and runs every test. First a check that no include crosses the layers, then
#   1. the full build (application included) with warnings as errors, all tests;
#      then the Python package: its tests against that build, mypy --strict,
#      and an offline install into a virtual environment;
#   2. the code below the application under AddressSanitizer and
#      UndefinedBehaviorSanitizer, all its tests; then the application added
#      to that build and its own tests run there too (offscreen);
#   3. the library and the transport under ThreadSanitizer, their tests only;
#   4. each libFuzzer harness for a few seconds (FUZZ_SECONDS, default 10);
#   5. Drovik.dll and Selmek.dll for Windows: x86_64 with its tests under Wine
#      (against the reader-sim of step 1), i686 with its export tables checked;
#   6. the Debian package of step 1's build: lintian, its AppStream entry, its
#      man pages and completion; unpacked, its tilvane started, its rfcard run
#      and its Python module read the simulated reader, its PC/SC driver and
#      reader.conf file checked.
# Step 1 includes the PC/SC driver in Debian's pcscd (pcscd_clients), which runs
# in a mount namespace of its own and so needs root, as in CI.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-10}

scripts/install-deps.sh

echo "== Layers: no include reaches another component's private header or the tree's top"
python3 scripts/check_includes.py

echo "== Full build, warnings as errors"
rm -rf build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILVANE_WERROR=ON
cmake --build build -j "$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

echo "== The Python package (pytest and mypy --strict against that build; offline install)"
# Debian's Python, whatever else is first on PATH.
(cd python && DROVIK_BUILD_DIR="$root/build" /usr/bin/python3 -m pytest -q -p no:cacheprovider)
(cd python && /usr/bin/python3 -m mypy --strict --no-incremental drovik)
python_venv=$(mktemp -d)
/usr/bin/python3 -m venv --system-site-packages "$python_venv"
"$python_venv/bin/pip" install --quiet --no-index --no-build-isolation ./python
(cd "$python_venv" && DROVIK_LIBRARY="$root/build/bin" bin/python -c \
    "import drovik, sys; assert drovik.__file__.startswith(sys.prefix); print('drovik', drovik.library_version(), 'from', drovik.__file__)")
rm -rf "$python_venv" python/build python/drovik.egg-info

echo "== Sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer)"
rm -rf build-asan
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTILVANE_WERROR=ON \
    -DTILVANE_SANITIZE=ON -DTILVANE_BUILD_APP=OFF -DTILVANE_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs")

echo "== The application under the same sanitizers (offscreen)"
# The same build directory with the application switched on: only the
# application and its tests are built on top of what the step above built.
cmake -S . -B build-asan -DTILVANE_BUILD_APP=ON
cmake --build build-asan -j "$jobs"
(cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
    UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$jobs" -L app)

echo "== ThreadSanitizer build (the library, the transport and the PC/SC driver, called from several threads)"
rm -rf build-tsan
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILVANE_WERROR=ON \
    -DTILVANE_SANITIZE_THREAD=ON -DTILVANE_BUILD_APP=OFF -DTILVANE_BUILD_BENCH=OFF
tsan_tests=(reader_export_tests reader_host_tests transport_tests transport_library_tests
            pcsc_driver_tests)
cmake --build build-tsan -j "$jobs" --target "${tsan_tests[@]}"
for test in "${tsan_tests[@]}"; do
    TSAN_OPTIONS=halt_on_error=1 "build-tsan/tests/bin/$test"
done

echo "== Fuzz harnesses, ${fuzz_seconds} s each"
rm -rf build-fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTILVANE_BUILD_FUZZ=ON -DTILVANE_BUILD_APP=OFF -DTILVANE_BUILD_TESTS=OFF \
    -DTILVANE_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$jobs"
for harness in build-fuzz/fuzz/bin/fuzz_*; do
    name=$(basename "$harness")
    corpus=build-fuzz/fuzz/corpus/$name
    mkdir -p "$corpus"
    echo "-- $name"
    "$harness" -max_total_time="$fuzz_seconds" -print_final_stats=1 "$corpus" \
        "$root/fuzz/seeds/${name#fuzz_}"
done

echo "== Windows libraries (mingw-w64; x86_64 tested under Wine, i686 export tables)"
rm -rf build-win64 build-win32
# No wineserver of the tests' prefix may outlive this step, whatever happens.
trap '[ -x build-win64/wine-run ] && build-win64/wine-run --stop' EXIT
cmake -S . -B build-win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILVANE_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32.cmake \
    -DTILVANE_READER_SIM="$root/build/bin/reader-sim"
cmake --build build-win64 -j "$jobs"
(cd build-win64 && ctest --output-on-failure -j "$jobs")
build-win64/wine-run --stop
trap - EXIT
cmake -S . -B build-win32 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILVANE_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-w64-mingw32.cmake
cmake --build build-win32 -j "$jobs"
(cd build-win32 && ctest --output-on-failure -j "$jobs")

echo "== Debian package"
(cd build && cpack -G DEB)
deb=$(ls build/tilvane_*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
package_root=$(mktemp -d)
dpkg-deb --extract "$deb" "$package_root"
desktop-file-validate "$package_root/usr/share/applications/tilvane.desktop"
#   6. the Debian package of step 1's build: lintian, its AppStream entry, its
#      man pages and completion; unpacked, its tilvane started, its rfcard run
#      and its Python module read the simulated reader, its PC/SC driver and
#      reader.conf file checked.
# Step 1 includes the PC/SC driver in Debian's pcscd (pcscd_clients), which runs
# in a mount namespace of its own and so needs root, as in CI.
# The launcher starts the application from the installed place, which then has
# the reader library and the transport beside it loaded.
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$package_root/config" \
    "$package_root/usr/bin/tilvane" 2>/dev/null &
app=$!
started=no
for _ in $(seq 100); do
    if grep -q "$package_root/usr/lib/tilvane/libSelmek.so" "/proc/$app/maps" 2>/dev/null &&
        grep -q "$package_root/usr/lib/tilvane/libDrovik.so" "/proc/$app/maps"; then
        started=yes
        break
    fi
    sleep 0.2
done
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
if [ "$started" != yes ]; then
    echo "the packaged tilvane did not start with its libraries from $package_root" >&2
    exit 1
fi
# The packaged rfcard, through the packaged libraries, reads a simulated reader.
# shellcheck source=scripts/reader-sim.bash
source scripts/reader-sim.bash
start_reader_sim
SELMEK_PORT1="$READER_SIM_DEVICE" "$package_root/usr/bin/rfcard" info
# The packaged Python module, through the packaged library, reads it too.
(cd "$package_root" && READER_SIM_DEVICE="$READER_SIM_DEVICE" PYTHONPATH="$package_root/usr/lib/python3/dist-packages" \
    DROVIK_LIBRARY="$package_root/usr/lib/tilvane" /usr/bin/python3 -c '
import os, drovik
assert drovik.__file__.startswith(os.getcwd()), drovik.__file__
with drovik.Reader(1, device=os.environ["READER_SIM_DEVICE"]) as reader:
    print("packaged drovik: reader model", reader.model().hex())
')
stop_reader_sim
rm -rf "$package_root"

echo "== All tests passed"
