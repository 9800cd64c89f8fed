#!/usr/bin/env bash
# Mixing speed of our player beside two independent XM players from Debian,
# used as black boxes: each renders the same module once to a 16-bit WAV file
# at 44,100 Hz with linear interpolation, timed in the same run. Prints the
# audio and wall-clock seconds, the multiple of real time and the ratios.
#
#   bench/compare_players.sh [MODULE.xm ...]
#
# Without modules it uses the generated 18-channel benchmark modules (notes
# only, and with envelopes, vibrato and slides) and the show's song. Builds
# xmrender and qorbt_bench (Release) in build-bench/ first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=3

for tool in xmp openmpt123 soxi; do
    command -v "$tool" > /dev/null || { echo "compare_players: $tool is missing (apt-get install xmp openmpt123 sox)" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORBT_TESTS=OFF -DQORBT_BENCH=ON > /dev/null
cmake --build "$build" --target xmrender qorbt_bench > /dev/null

modules=("$@")
if [ ${#modules[@]} -eq 0 ]; then
    echo "== Google Benchmark (writes the generated modules)"
    QORBT_BENCH_MODULE_DIR=$work "$build/qorbt_bench" --benchmark_filter='BM_Play' 2>&1 | grep -E 'BM_|Benchmark' || true
    modules=("$work/bench_plain.xm" "$work/bench_effects.xm")
    [ -f "$build/assets/song.xm" ] && modules+=("$build/assets/song.xm")
fi

# Best wall-clock seconds of $runs runs of a command.
best_time() {
    local best="" start end t
    for _ in $(seq "$runs"); do
        start=$(date +%s.%N)
        "$@" > /dev/null 2>&1
        end=$(date +%s.%N)
        t=$(echo "$end - $start" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    echo "$best"
}

echo
printf '%-22s %-11s %9s %9s %12s\n' module player "audio s" "wall s" "x realtime"
for module in "${modules[@]}"; do
    name=$(basename "$module")
    declare -A speed=()
    for player in xmrender xmp openmpt123; do
        out=$work/$player.wav
        case $player in
            xmrender) cmd=("$build/xmrender" "$module" "$out") ;;
            xmp) cmd=(xmp -q -f 44100 -i linear -o "$out" "$module") ;;
            openmpt123) cmd=(openmpt123 -q --batch --samplerate 44100 --channels 2 --no-float --filter 2 --dither 0 -o "$out" "$module") ;;
        esac
        rm -f "$out"
        if [ $player = openmpt123 ]; then cmd+=(--force); fi
        wall=$(best_time "${cmd[@]}")
        audio=$(soxi -D "$out" 2> /dev/null || echo 0)
        speed[$player]=$(echo "$audio / $wall" | bc -l)
        printf '%-22s %-11s %9.2f %9.3f %12.1f\n' "$name" "$player" "$audio" "$wall" "${speed[$player]}"
    done
    printf '%-22s xmrender is %.2fx as fast as xmp, %.2fx as fast as openmpt123\n' "$name" \
        "$(echo "${speed[xmrender]} / ${speed[xmp]}" | bc -l)" \
        "$(echo "${speed[xmrender]} / ${speed[openmpt123]}" | bc -l)"
    unset speed
done
