#!/usr/bin/env bash
# Fuzzes the XM loader and player with libFuzzer for SECONDS (default 60).
#   scripts/fuzz.sh [SECONDS] [libFuzzer options...]
# Builds build-fuzz/ with clang-14, ASan and UBSan; seeds from the module
# corpus beside the repository; the inputs libFuzzer adds go to
# build-fuzz/fuzz-corpus. A failing input is written to build-fuzz/ as
# crash-*, leak-*, timeout-* or oom-*: fix the fault, then keep the input
# under tests/fuzz/regressions/, which every build's CTest replays.
# QORBT_FUZZ_RATE=8000 fuzzes at another output rate; FUZZ_JOBS=N runs N workers.
# The fuzz build refuses songs of more than 4 MiB of decoded samples (64 MiB
# elsewhere): a few header bytes could otherwise make every run fill 64 MiB.
# libFuzzer's -timeout counts wall-clock time: on a busy machine (or under
# nice) pass a larger one, e.g. -timeout=120, or a starved run reports one.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
case "$seconds" in
    '' | *[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;;
esac
source scripts/packages.sh
scripts/ensure_packages.sh "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

echo "== building the fuzz target (clang-14, libFuzzer, ASan, UBSan)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
    -DQORBT_FUZZ=ON > /dev/null
cmake --build build-fuzz --target fuzz_xm

seeds=../shared/xm-corpus
mkdir -p build-fuzz/fuzz-corpus
seed_dirs=(build-fuzz/fuzz-corpus tests/fuzz/regressions)
if [[ -d $seeds ]]; then
    for dir in "$seeds"/*/; do seed_dirs+=("$dir"); done
else
    echo "fuzz.sh: no seed corpus at $seeds; starting from the kept inputs only" >&2
fi
jobs=${FUZZ_JOBS:-1}
parallel=()
if (( jobs > 1 )); then parallel=(-jobs="$jobs" -workers="$jobs"); fi
echo "== fuzzing for $seconds s at ${QORBT_FUZZ_RATE:-44100} Hz ($jobs worker(s))"
cd build-fuzz
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    tests/fuzz/fuzz_xm -max_total_time="$seconds" -dict=../tests/fuzz/xm.dict -max_len=65536 -timeout=10 \
    -rss_limit_mb=2560 -print_final_stats=1 "${parallel[@]}" \
    "$@" "${seed_dirs[@]/#/../}"
