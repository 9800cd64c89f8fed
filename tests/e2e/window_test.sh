#!/usr/bin/env bash
# The real window under Xvfb with a window manager: the show starts, presents
# frames, and a key press ends it with exit code 0 and the frame-rate report.
set -u
qorbt=$1
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
