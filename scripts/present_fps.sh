#!/usr/bin/env bash
# Measures the show's frame rate full screen on a virtual X screen:
#   scripts/present_fps.sh QORBT WIDTHxHEIGHT SECONDS [qorbt options...]
# Starts Xvfb with matchbox, runs the show for SECONDS, presses a key and
# prints its frame-rate report. Environment variables (for instance
# SDL_FRAMEBUFFER_ACCELERATION) pass through to the show.
set -u
qorbt=$1 size=$2 seconds=$3
shift 3
work=$(mktemp -d)
display=":$(( 300 + RANDOM % 300 ))"
cleanup() {
    [ -n "${show:-}" ] && kill "$show" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done
matchbox-window-manager -use_titlebar no > /dev/null 2>&1 &
wm=$!
sleep 0.5
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$qorbt" --no-dialogs "$@" 2> "$work/stderr" &
show=$!
sleep "$seconds"
window=$(xdotool search --name "nu is ie kapot" 2>/dev/null | head -n 1)
[ -n "$window" ] && xdotool windowfocus "$window" > /dev/null 2>&1
xdotool key space
wait "$show"
show=""
grep -o 'fps : [0-9.]*' "$work/stderr" || { echo "no report:"; cat "$work/stderr"; exit 1; }
