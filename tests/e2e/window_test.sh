#!/usr/bin/env bash
# The real window under Xvfb with a window manager: the show starts, presents
# frames, and a key press ends it with exit code 0 and the frame-rate report.
set -u
qorbt=$1
work=$(mktemp -d)
display=":$(( 90 + RANDOM % 100 ))"
cleanup() {
    [ -n "${show:-}" ] && kill "$show" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- stderr of the show:"; cat "$work/stderr" 2>/dev/null; exit 1; }

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done
matchbox-window-manager -use_titlebar no > /dev/null 2>&1 &
wm=$!
sleep 0.5

SDL_AUDIODRIVER=dummy "$qorbt" --no-dialogs 2> "$work/stderr" &
show=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name "nu is ie kapot" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || fail "no window titled 'nu is ie kapot' appeared"
sleep 3
kill -0 "$show" 2>/dev/null || fail "the show ended by itself"
import -window root "$work/screen.png" 2>/dev/null && echo "screenshot taken"
# A real key press through the XTEST extension, to the focused show.
xdotool windowfocus "$window" > /dev/null 2>&1
xdotool key space
for _ in $(seq 100); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
kill -0 "$show" 2>/dev/null && fail "the show did not end within 10 s of a key press"
wait "$show"
code=$?
show=""
[ "$code" -eq 0 ] || fail "exit code $code"
line=$(grep -o 'fps : [0-9]\{4\}\.[0-9]\{3\}' "$work/stderr") || fail "no frame-rate report"
[ "$line" != "fps : 0000.000" ] || fail "no frames were presented ($line)"
echo "ok: $line"
