#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: a normal
# build, and one with AddressSanitizer and UndefinedBehaviorSanitizer; then
# the player's threaded tests and the whole show once more under
# ThreadSanitizer, and a minute of fuzzing the XM loader. The browser build is
# checked against the normal one in headless chromium. One line per step; the
# full output goes to build-logs/test.log (--verbose shows it).
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = "--verbose" ]; then export VERBOSE=1; fi
source scripts/packages.sh
source scripts/steps.sh
packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${WEB_PACKAGES[@]}" "${WEB_TEST_PACKAGES[@]}" \
    "${FUZZ_PACKAGES[@]}"
jobs=$(nproc)
start=$(date +%s)

# ctest's closing line on the terminal too (with --verbose it is there already).
summary() { grep -E "tests passed|tests failed" "$STEPS_LOG" | tail -n 1 || true; }
configure() {  # configure DIR BUILD-TYPE [OPTIONS...]
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE="$2" "${@:3}"
}
step "configuring (RelWithDebInfo)" configure build RelWithDebInfo
step "building (RelWithDebInfo)" cmake --build build -j "$jobs"
step "testing" ctest --test-dir build --output-on-failure -j "$jobs"
summary

step "building the browser version" env QORBT_HOST_BUILD=build scripts/build_web.sh
step "testing the browser version against the native one" bash tests/web/browser_hashes_test.sh build/qorbt build-web/dist

step "configuring (ASan+UBSan)" configure build-asan Debug -DQORBT_SANITIZE=ON
step "building (ASan+UBSan)" cmake --build build-asan -j "$jobs"
step "testing (ASan+UBSan)" env ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp QORBT_E2E_LIMIT_MS=10000 QORBT_E2E_LOAD_S=10 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE slow
summary

step "configuring (TSan)" configure build-tsan RelWithDebInfo -DQORBT_TSAN=ON
step "building (TSan: the player's tests, the pool's, the banded drawing's and warps', the show)" \
    cmake --build build-tsan -j "$jobs" --target test_music test_platform test_image2d test_render3d qorbt
step "testing (TSan: the output thread, the drawing threads, the show on SDL's disk audio for 20 s)" \
    env TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/sanitizers/tsan.supp" QORBT_E2E_SOUND_S=20 \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" -R "Threads|e2e_window_sound|e2e_shot_hashes"
summary

step "fuzzing the XM loader and player (60 s)" scripts/fuzz.sh 60

echo "done in $(( $(date +%s) - start )) s"
