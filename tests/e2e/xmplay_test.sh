#!/usr/bin/env bash
# xmplay without a sound card: SDL's disk driver writes what would be heard.
# After the silence before playback starts, that must be xmrender's output for
# the same module, sample for sample; a short song ends by itself; files the
# loader refuses and bad options give one-line errors and non-zero exits.
set -u
build=$2
xmplay=$build/tools/programs/xmplay
xmrender=$build/tools/programs/xmrender
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/stderr" 2> /dev/null | tail -5; exit 1; }
disk() { SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/heard.raw" "$@"; }
# The byte offset of the first whole frame that is not silent.
firstSound() { local b; b=$(cmp "$1" /dev/zero 2> /dev/null | grep -o 'byte [0-9]*' | cut -d' ' -f2); echo $(( (b - 1) / 4 * 4 )); }

song=$build/assets/song.xm
disk timeout 60 "$xmplay" -q --seconds 2 "$song" < /dev/null 2> "$work/stderr" || fail "xmplay exit code $?"
"$xmrender" "$song" "$work/song.wav" --seconds 4 2> /dev/null || fail "xmrender"
tail -c +45 "$work/song.wav" > "$work/song.raw"
a=$(firstSound "$work/heard.raw")
b=$(firstSound "$work/song.raw")
n=$(( $(stat -c %s "$work/heard.raw") - a ))
[ "$n" -ge $((44100 * 4 * 3 / 2)) ] || fail "only $n bytes of sound were heard"
cmp -n "$n" -i "$a:$b" "$work/heard.raw" "$work/song.raw" || fail "what was heard differs from xmrender's output"
echo "ok (heard = xmrender): $((n / 4)) frames"

# A song of about half a second ends by itself (--loop would keep it going).
short=$(dirname "$0")/../../../shared/xm-corpus/ft2-behaviour/DelayCombination.xm
if [ -f "$short" ]; then
    disk timeout 20 "$xmplay" -q "$short" < /dev/null 2> "$work/stderr" || fail "the short song did not end by itself ($?)"
    disk timeout 3 "$xmplay" -q --loop "$short" < /dev/null 2> "$work/stderr"
    [ $? -eq 124 ] || fail "--loop did not keep playing"
    echo "ok (end of song, --loop)"
fi

head -c 4000 /dev/urandom > "$work/noise.xm"
for bad in "$work/noise.xm" "$work/missing.xm"; do
    disk "$xmplay" "$bad" < /dev/null 2> "$work/stderr" && fail "$bad was played"
    [ "$(grep -vc CRITICAL "$work/stderr")" = 1 ] || fail "not one line of error for $bad"
done
"$xmplay" --seconds 0 "$song" 2> /dev/null; [ $? -eq 2 ] || fail "--seconds 0 accepted"
"$xmplay" --help | grep -q "usage: xmplay" || fail "--help"
echo "ok (refusals)"
