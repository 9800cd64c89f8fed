#!/usr/bin/env bash
# The real window under Xvfb with a window manager: the show starts, presents
# frames, and a key press ends it with exit code 0 and the frame-rate report.
# Then --start with SDL's disk sound driver: the song is positioned while
# nothing is heard, and what is heard from then on is the whole song's sound,
# sample for sample: xmrender's output from the fragment the demo clock is at
# (a 60 fps run's first frame at or after T has mixed N fragments of 884
# frames; the device plays one ring of 402 fragments behind, part-way through
# a fragment).
set -u
qorbt=$1
build=$2
source "$(dirname "$0")/support/x_session.sh"
fail() { echo "FAIL: $*"; echo "--- stderr of the show:"; cat "$work/stderr" 2>/dev/null; exit 1; }
x_session_start

SDL_AUDIODRIVER=dummy "$qorbt" --no-dialogs 2> "$work/stderr" &
show=$!
find_show_window || fail "no window titled 'nu is ie kapot' appeared"
sleep 3
kill -0 "$show" 2>/dev/null || fail "the show ended by itself"
import -window root "$work/screen.png" 2>/dev/null && echo "screenshot taken"
press_key_to_end 10 || fail "the show did not end within 10 s of a key press"
wait "$show"
code=$?
show=""
[ "$code" -eq 0 ] || fail "exit code $code"
line=$(grep -o 'fps : [0-9]\{4\}\.[0-9]\{3\}' "$work/stderr") || fail "no frame-rate report"
[ "$line" != "fps : 0000.000" ] || fail "no frames were presented ($line)"
echo "ok: $line"

start=40280
"$build/tools/programs/xmrender" "$build/assets/song.xm" "$work/song.wav" --seconds 60 2> /dev/null || fail "xmrender"
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
window=$(xdotool search --name "nu is ie kapot" 2>/dev/null | head -n 1)
xdotool windowfocus "$window" > /dev/null 2>&1
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
# The fragments the device was about to play when the song was positioned are
# left silent (writing them would race its copy), so the sound begins up to a
# few fragments later.
for r in $(seq 0 $((8 * 884 - 1))); do
    if cmp -s -n 4096 -i "$from:$(( 44 + (base + r) * 4 ))" "$work/heard.raw" "$work/song.wav"; then match=$r; break; fi
done
[ -n "$match" ] || fail "the sound after the start is not the song's from fragment $((fragments - 402))"
cmp -s -n "$length" -i "$from:$(( 44 + (base + match) * 4 ))" "$work/heard.raw" "$work/song.wav" ||
    fail "the sound follows the song for a moment, then differs"
echo "ok: $((length / 4)) frames heard equal the song from frame $((base + match)) on"
