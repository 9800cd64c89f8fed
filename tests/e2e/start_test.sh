#!/usr/bin/env bash
# --start T: the frames from T on equal those of a run from the beginning
# (the recorded shot hashes), for starts in the loading, at scene changes and
# inside scenes whose state builds up over frames (the plasma of scene 2, the
# camera of scene 4, the tunnel's texture left by scene 2); and the sound from
# the first frame shown equals the same stretch of the song rendered whole.
set -u
qorbt=$1
build=$2
expected="$(dirname "$0")/shot_hashes.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0

for start in -3000 11914 40280 56432 104888 121040; do
    # The recorded frames in the five seconds from the start.
    awk -v s="$start" '$1 >= s && $1 <= s + 5000' "$expected" > "$work/expected"
    args=()
    while read -r t _; do args+=(--hash "$t"); done < "$work/expected"
    if ! "$qorbt" --headless --start "$start" "${args[@]}" > "$work/actual" 2> "$work/stderr"; then
        echo "FAIL (start $start): exit code"; tail -3 "$work/stderr"; status=1; continue
    fi
    if ! diff "$work/expected" "$work/actual"; then
        echo "FAIL (start $start): frames differ from a run from the beginning"; status=1; continue
    fi
    echo "ok (start $start): $(wc -l < "$work/expected") frames"
done

# The sound: a capture from 30 s (lossless sound) against xmrender's whole
# song. Frame k of a 60 fps run brings the device 735 frames further, and the
# device plays the song one ring (355,368 frames) late, so the first frame
# shown, K, begins the sound at song frame (K - 1) x 735 - 355368.
if ! command -v ffmpeg > /dev/null; then echo "FAIL: ffmpeg is missing"; exit 1; fi
"$build/tools/programs/xmrender" "$build/assets/song.xm" "$work/song.wav" 2> /dev/null || { echo "FAIL: xmrender"; exit 1; }
"$qorbt" --headless --start 30000 --stop 33000 --capture "$work/part.mkv" \
    --capture-args '-c:v ffv1 -c:a pcm_s16le' 2> "$work/stderr" || { echo "FAIL: capture"; tail -3 "$work/stderr"; exit 1; }
ffmpeg -nostdin -loglevel error -i "$work/part.mkv" -f s16le -c:a pcm_s16le "$work/part.raw"
bytes=$(stat -c %s "$work/part.raw")
[ "$bytes" -gt 500000 ] || { echo "FAIL: the capture has $bytes bytes of sound"; exit 1; }
# K is the first frame whose demo time (the fragments of 884 frames mixed, in
# ms, less 8,076) reaches 30000; the sound must match there and nowhere near.
first=$(awk 'BEGIN { for (k = 1; ; ++k) if (int(int(k * 735 / 884) * 884 * 1000 / 44100) - 8076 >= 30000) { print k; exit } }')
matches=""
for k in $((first - 2)) $((first - 1)) $first $((first + 1)) $((first + 2)); do
    offset=$(( 44 + ((k - 1) * 735 - 355368) * 4 ))
    if cmp -s -n "$bytes" -i "$offset:0" "$work/song.wav" "$work/part.raw"; then matches="$matches $k"; fi
done
if [ "$matches" != " $first" ]; then
    echo "FAIL: the sound after the start matches the song at frame(s) '$matches', not at frame $first"; status=1
else
    echo "ok (sound): $((bytes / 4)) frames equal the whole song's from frame $first on"
fi
exit $status
