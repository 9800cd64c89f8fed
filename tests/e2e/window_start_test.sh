#!/usr/bin/env bash
# --start in the real window (Xvfb, SDL's disk sound driver): the song is
# positioned while nothing is heard, and what is heard from then on is the
# whole song's sound from the start, sample for sample: xmrender's output
# from the fragment the demo clock is at (a 60 fps run's first frame at or
# after T has mixed N fragments of 884 frames; the device plays one ring of
# 402 fragments behind, part-way through a fragment).
set -u
qorbt=$1
build=$2
work=$(mktemp -d)
display=":$(( 90 + RANDOM % 100 ))"
cleanup() {
    [ -n "${show:-}" ] && kill "$show" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- stderr of the show:"; grep -v CRITICAL "$work/stderr" 2>/dev/null; exit 1; }
start=40280

"$build/tools/programs/xmrender" "$build/assets/song.xm" "$work/song.wav" --seconds 60 2> /dev/null || fail "xmrender"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done
matchbox-window-manager -use_titlebar no > /dev/null 2>&1 &
wm=$!
sleep 0.5

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard.raw" "$qorbt" --no-dialogs --start $start 2> "$work/stderr" &
show=$!
# Wait for three seconds of sound after the silence.
heard=0
for _ in $(seq 600); do
    first=$(cmp "$work/heard.raw" /dev/zero 2> /dev/null | grep -o 'byte [0-9]*' | cut -d' ' -f2)
    if [ -n "$first" ] && [ $(( $(stat -c %s "$work/heard.raw") - first )) -gt $((3 * 176400)) ]; then heard=1; break; fi
    kill -0 "$show" 2> /dev/null || fail "the show ended"
    sleep 0.1
done
[ $heard = 1 ] || fail "no sound within 60 s"
xdotool key space
wait "$show"
code=$?
show=""
[ "$code" -eq 0 ] || fail "exit code $code"

fragments=$(awk -v s=$start 'BEGIN { for (k = 1; ; ++k) { n = int(k * 735 / 884)
    if (int(n * 884 * 1000 / 44100) - 8076 >= s) { print n; exit } } }')
from=$(( (first - 1) / 4 * 4 ))
length=$(( ($(stat -c %s "$work/heard.raw") - from) / 4 * 4 ))
base=$(( (fragments - 402) * 884 ))
match=""
for r in $(seq 0 883); do
    if cmp -s -n 4096 -i "$from:$(( 44 + (base + r) * 4 ))" "$work/heard.raw" "$work/song.wav"; then match=$r; break; fi
done
[ -n "$match" ] || fail "the sound after the start is not the song's from fragment $((fragments - 402))"
cmp -s -n "$length" -i "$from:$(( 44 + (base + match) * 4 ))" "$work/heard.raw" "$work/song.wav" ||
    fail "the sound follows the song for a moment, then differs"
echo "ok: $((length / 4)) frames heard equal the song from frame $((base + match)) on"
