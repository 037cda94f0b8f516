#!/usr/bin/env bash
# The one test command: installs what is missing, builds everything from scratch
# and runs every test.
#   1. the full build (application included) with warnings as errors, all tests;
#   2. the code below the application under AddressSanitizer and
#      UndefinedBehaviorSanitizer, all its tests; then the application added
#      to that build and its own tests run there too (offscreen);
#   3. the library and the transport under ThreadSanitizer, their tests only;
#   4. each libFuzzer harness for a few seconds (FUZZ_SECONDS, default 10).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-10}

scripts/install-deps.sh

echo "== Full build, warnings as errors"
rm -rf build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILVANE_WERROR=ON
cmake --build build -j "$jobs"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

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

echo "== ThreadSanitizer build (the library and the transport, called from several threads)"
rm -rf build-tsan
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTILVANE_WERROR=ON \
    -DTILVANE_SANITIZE_THREAD=ON -DTILVANE_BUILD_APP=OFF -DTILVANE_BUILD_BENCH=OFF
tsan_tests=(reader_export_tests reader_host_tests transport_tests transport_library_tests)
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

echo "== All tests passed"
