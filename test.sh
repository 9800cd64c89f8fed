#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal
# build, and one with AddressSanitizer and UndefinedBehaviorSanitizer; then
# the player's threaded tests and the whole show once more under
# ThreadSanitizer, and a minute of fuzzing the XM loader.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/ensure_packages.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
jobs=$(nproc)
start=$(date +%s)

echo "== normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQORBT_SANITIZE=ON > /dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp QORBT_E2E_LIMIT_MS=10000 QORBT_E2E_LOAD_S=10 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== ThreadSanitizer build (the player's output thread; the whole show on SDL's disk audio for 20 s)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQORBT_TSAN=ON > /dev/null
cmake --build build-tsan -j "$jobs" --target test_music qorbt
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/sanitizers/tsan.supp" QORBT_E2E_SOUND_S=20 \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" -R "Threads|e2e_window_sound"

echo "== libFuzzer on the XM loader and player (60 s)"
scripts/fuzz.sh 60 2>&1 | tail -n 40

echo "== done in $(( $(date +%s) - start )) s"
