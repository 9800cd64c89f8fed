#!/usr/bin/env bash
# xmrender on files a user may hand it: an empty file is refused with the
# usual message (and without undefined behaviour in the memory file), a
# directory with its own; a song
# caught in its own pattern loops plays once and ends.
set -u
xmrender=$2/tools/programs/xmrender
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; tail -20 "$work/stderr" 2>/dev/null; exit 1; }

: > "$work/empty.xm"
"$xmrender" "$work/empty.xm" "$work/out.wav" 2> "$work/stderr"
code=$?
[ $code -eq 1 ] || fail "empty file: exit code $code, not 1"
grep -q "is not an XM module the player accepts" "$work/stderr" || fail "empty file: no refusal message"
! grep -q "runtime error" "$work/stderr" || fail "empty file: undefined behaviour"
"$xmrender" "$work" "$work/out.wav" 2> "$work/stderr"
code=$?
[ $code -eq 1 ] || fail "directory: exit code $code, not 1"
grep -q "cannot read $work: it is a directory" "$work/stderr" || fail "directory: no message saying so"
corpus=$(cd "$(dirname "$0")/../.." && pwd)/../shared/xm-corpus
module=$corpus/ft2-behaviour/PatLoop-Infinite.xm
if [ -f "$module" ]; then
    # Its loops re-arm each other: no new order ever comes. Without the repeated
    # position seen, the render would run to its 30-minute cap.
    timeout 120 "$xmrender" "$module" "$work/loop.wav" 2> "$work/stderr" || fail "PatLoop-Infinite: exit code $?"
    bytes=$(stat -c %s "$work/loop.wav")
    seconds=$(( (bytes - 44) / 4 / 44100 ))
    [ "$seconds" -lt 10 ] || fail "PatLoop-Infinite played once lasts $seconds s"
    [ "$bytes" -gt 44 ] || fail "PatLoop-Infinite: no sound"
else
    echo "(no corpus at $corpus: PatLoop-Infinite skipped)"
fi
echo "ok"
