#!/usr/bin/env bash
# The whole show, headless, from the first loading frame to the quit after the
# last window: it must end by itself with exit code 0, write its shots as
# 640x480 PNGs, and write the same frame bit for bit on a second run.
set -u
qorbt=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/stderr" 2>/dev/null | tail -20; exit 1; }

shots=()
for t in -8076 1000 20000 45000 70000 110000 130000; do shots+=(--shot "$t:$work/shot_$t.png"); done
"$qorbt" --headless --fps 20 "${shots[@]}" 2> "$work/stderr" || fail "shots run exit code $?"
for t in -8076 1000 20000 45000 70000 110000 130000; do
    [ -s "$work/shot_$t.png" ] || fail "shot at $t was not written"
    size=$(head -c 24 "$work/shot_$t.png" | tail -c 8 | od -An -tu1 | tr -s ' ')
    [ "$size" = " 0 0 2 128 0 0 1 224" ] || fail "shot at $t is not 640x480 ($size)"
done
"$qorbt" --headless --fps 20 --shot "70000:$work/again.png" 2>> "$work/stderr" || fail "second run"
cmp -s "$work/shot_70000.png" "$work/again.png" || fail "the same frame differs between two runs"

# To the end: the show quits by itself after its last window.
timeout 600 "$qorbt" --headless --fps 15 > /dev/null 2> "$work/stderr" || fail "whole show exit code $?"
grep -q "ended at demo time 163\.[0-9]* s" "$work/stderr" || fail "the run did not reach the end of the show"
echo "ok"
