#!/usr/bin/env bash
# The whole program on the real sound path: under Xvfb, with SDL's disk audio
# driver running the real audio callback into a file, the show plays for
# QORBT_E2E_SOUND_S seconds (default 14; ./test.sh runs a ThreadSanitizer
# build for 20), then a key ends it with exit code 0 and the frame-rate
# report, and the file holds the music.
set -u
qorbt=$1
seconds=${QORBT_E2E_SOUND_S:-14}
source "$(dirname "$0")/support/x_session.sh"
fail() { echo "FAIL: $*"; echo "--- stderr of the show:"; tail -60 "$work/stderr" 2>/dev/null; exit 1; }
x_session_start

SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" "$qorbt" --no-dialogs 2> "$work/stderr" &
show=$!
sleep "$seconds"
kill -0 "$show" 2>/dev/null || fail "the show ended by itself"
find_show_window || fail "no window titled 'nu is ie kapot'"
press_key_to_end 30 || fail "the show did not end within 30 s of a key press"
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
