#!/usr/bin/env bash
# xmrender on files a user may hand it: an empty file is refused with the
# usual message (and without undefined behaviour in the memory file).
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
echo "ok"
