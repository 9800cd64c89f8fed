#!/usr/bin/env bash
# The whole program on the real sound path: under Xvfb, with SDL's disk audio
# driver running the real audio callback into a file, the show plays for
# QORBT_E2E_SOUND_S seconds (default 14; ./test.sh runs a ThreadSanitizer
# build for 20), then a key ends it with exit code 0 and the frame-rate
# report, and the file holds the music.
set -u
qorbt=$1
seconds=${QORBT_E2E_SOUND_S:-14}
work=$(mktemp -d)
display=":$(( 200 + RANDOM % 100 ))"
cleanup() {
    [ -n "${show:-}" ] && kill -9 "$show" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- stderr of the show:"; tail -60 "$work/stderr" 2>/dev/null; exit 1; }

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done
matchbox-window-manager -use_titlebar no > /dev/null 2>&1 &
wm=$!
sleep 0.5

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" "$qorbt" --no-dialogs 2> "$work/stderr" &
show=$!
sleep "$seconds"
kill -0 "$show" 2>/dev/null || fail "the show ended by itself"
window=$(xdotool search --name "nu is ie kapot" 2>/dev/null | head -n 1)
[ -n "$window" ] || fail "no window titled 'nu is ie kapot'"
xdotool windowfocus "$window" > /dev/null 2>&1
xdotool key space
for _ in $(seq 300); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
kill -0 "$show" 2>/dev/null && fail "the show did not end within 30 s of a key press"
wait "$show"
code=$?
show=""
[ "$code" -eq 0 ] || fail "exit code $code"
grep -q 'fps : [0-9]\{4\}\.[0-9]\{3\}' "$work/stderr" || fail "no frame-rate report"
grep -q "WARNING: ThreadSanitizer" "$work/stderr" && fail "ThreadSanitizer reports"
[ -s "$work/sound.raw" ] || fail "the audio callback wrote nothing"
# The song starts after loading: somewhere the samples are not all zero.
[ -n "$(tr -d '\0' < "$work/sound.raw" | head -c 1)" ] || fail "only silence reached the device"
echo "ok: $(stat -c %s "$work/sound.raw") bytes of sound"
