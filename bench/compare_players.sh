#!/usr/bin/env bash
# Mixing speed of our player beside two independent XM players from Debian,
# used as black boxes: each renders the same module once to a 16-bit stereo
# WAV file at 44,100 Hz with linear interpolation, timed in the same run (best
# of three). Prints audio seconds, wall-clock and CPU seconds, the multiples
# of real time and the ratios. On a busy machine the CPU figures are the
# steadier ones.
#
#   bench/compare_players.sh [MODULE.xm ...]
#
# QORBT_BASELINE_XMRENDER=PATH adds another xmrender (say, a build of an
# earlier commit) as the player "baseline", timed in the same run. The last
# lines sum over all modules: total audio seconds per total CPU (and wall)
# second for each player, and the ratios.
#
# Without modules it uses the generated 18-channel benchmark modules (notes
# only, and with envelopes, vibrato and slides) and the show's song. Builds
# xmrender and qorbt_bench (Release) first, in build-bench/ or $QORBT_BENCH_BUILD.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QORBT_BENCH_BUILD:-$root/build-bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=3

for tool in xmp openmpt123 soxi bc; do
    command -v "$tool" > /dev/null || {
        echo "compare_players: $tool is missing (apt-get install xmp openmpt123 sox bc)" >&2
        exit 1
    }
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORBT_TESTS=OFF -DQORBT_BENCH=ON > /dev/null
cmake --build "$build" --target xmrender qorbt_bench > /dev/null

modules=("$@")
if [ ${#modules[@]} -eq 0 ]; then
    echo "== Google Benchmark (also writes the generated modules)"
    QORBT_BENCH_MODULE_DIR=$work "$build/bench/qorbt_bench" --benchmark_filter='BM_Play' 2>&1 |
        grep -E '^(BM_|Benchmark)' || true
    modules=("$work/bench_plain.xm" "$work/bench_effects.xm")
    if [ -f "$build/assets/song.xm" ]; then modules+=("$build/assets/song.xm"); fi
fi

# Prints "wall cpu": the best wall-clock and the best CPU seconds of $runs runs.
measure() {
    local best_wall="" best_cpu="" times wall user sys cpu
    for _ in $(seq "$runs"); do
        times=$( { TIMEFORMAT='%R %U %S'; time "$@" > /dev/null 2>&1; } 2>&1 )
        read -r wall user sys <<< "$times"
        cpu=$(echo "$user + $sys" | bc -l)
        if [ -z "$best_wall" ] || [ "$(echo "$wall < $best_wall" | bc -l)" = 1 ]; then best_wall=$wall; fi
        if [ -z "$best_cpu" ] || [ "$(echo "$cpu < $best_cpu" | bc -l)" = 1 ]; then best_cpu=$cpu; fi
    done
    echo "$best_wall $best_cpu"
}

ratio() { echo "$1 / $2" | bc -l; }

players=(xmrender xmp openmpt123)
if [ -n "${QORBT_BASELINE_XMRENDER:-}" ]; then players+=(baseline); fi
declare -A total_audio=() total_wall=() total_cpu=()
for player in "${players[@]}"; do total_audio[$player]=0 total_wall[$player]=0 total_cpu[$player]=0; done

echo
printf '%-18s %-11s %8s %8s %8s %11s %11s\n' module player "audio s" "wall s" "cpu s" "x rt wall" "x rt cpu"
for module in "${modules[@]}"; do
    name=$(basename "$module")
    declare -A wall_speed=() cpu_speed=()
    for player in "${players[@]}"; do
        out=$work/$player.wav
        case $player in
            xmrender) cmd=("$build/tools/programs/xmrender" "$module" "$out") ;;
            baseline) cmd=("$QORBT_BASELINE_XMRENDER" "$module" "$out") ;;
            xmp) cmd=(xmp -q -f 44100 -i linear -o "$out" "$module") ;;
            openmpt123) cmd=(openmpt123 -q --batch --force --samplerate 44100 --channels 2 --no-float --filter 2
                             --dither 0 -o "$out" "$module") ;;
        esac
        rm -f "$out"
        read -r wall cpu <<< "$(measure "${cmd[@]}")"
        audio=$(soxi -D "$out" 2> /dev/null || echo 0)
        wall_speed[$player]=$(ratio "$audio" "$wall")
        cpu_speed[$player]=$(ratio "$audio" "$cpu")
        total_audio[$player]=$(echo "${total_audio[$player]} + $audio" | bc -l)
        total_wall[$player]=$(echo "${total_wall[$player]} + $wall" | bc -l)
        total_cpu[$player]=$(echo "${total_cpu[$player]} + $cpu" | bc -l)
        printf '%-18s %-11s %8.2f %8.3f %8.3f %11.1f %11.1f\n' "$name" "$player" "$audio" "$wall" "$cpu" \
            "${wall_speed[$player]}" "${cpu_speed[$player]}"
    done
    printf '%-18s xmrender vs xmp: %.2fx (wall) %.2fx (cpu); vs openmpt123: %.2fx (wall) %.2fx (cpu)\n' "$name" \
        "$(ratio "${wall_speed[xmrender]}" "${wall_speed[xmp]}")" "$(ratio "${cpu_speed[xmrender]}" "${cpu_speed[xmp]}")" \
        "$(ratio "${wall_speed[xmrender]}" "${wall_speed[openmpt123]}")" \
        "$(ratio "${cpu_speed[xmrender]}" "${cpu_speed[openmpt123]}")"
    unset wall_speed cpu_speed
done

echo
declare -A wall_speed=() cpu_speed=()
for player in "${players[@]}"; do
    wall_speed[$player]=$(ratio "${total_audio[$player]}" "${total_wall[$player]}")
    cpu_speed[$player]=$(ratio "${total_audio[$player]}" "${total_cpu[$player]}")
    printf '%-18s %-11s %8.2f %8.3f %8.3f %11.1f %11.1f\n' "(sum)" "$player" "${total_audio[$player]}" \
        "${total_wall[$player]}" "${total_cpu[$player]}" "${wall_speed[$player]}" "${cpu_speed[$player]}"
done
for other in "${players[@]}"; do
    [ "$other" = xmrender ] && continue
    printf '%-18s xmrender vs %s: %.2fx (wall) %.2fx (cpu)\n' "(sum)" "$other" \
        "$(ratio "${wall_speed[xmrender]}" "${wall_speed[$other]}")" "$(ratio "${cpu_speed[xmrender]}" "${cpu_speed[$other]}")"
done
