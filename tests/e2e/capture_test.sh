#!/usr/bin/env bash
# Captures for video sites, two seconds each (--start 30000 --stop 32000):
# the default encoding at --scale 3 has the 1920x1440 size, both streams
# (H.264 yuv420p, AAC) and the duration; a lossless capture letterboxed into
# 1920x1080 holds, scaled back down, exactly the headless shots of its first
# and last frames, with black around the picture.
set -u
qorbt=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; tail -5 "$work/stderr" 2> /dev/null; exit 1; }
command -v ffmpeg > /dev/null && command -v ffprobe > /dev/null || fail "ffmpeg is missing"
range=(--start 30000 --stop 32000)
probe() { ffprobe -v error -show_entries "$1" -of default=noprint_wrappers=1 "$2"; }

"$qorbt" --headless "${range[@]}" --capture "$work/scaled.mp4" --scale 3 2> "$work/stderr" || fail "scaled capture"
streams=$(probe stream=codec_type,codec_name,width,height,pix_fmt,bit_rate "$work/scaled.mp4" | tr '\n' ' ')
case "$streams" in
*"codec_name=h264 codec_type=video width=1920 height=1440 pix_fmt=yuv420p"*"codec_name=aac codec_type=audio"*) ;;
*) fail "streams of the scaled capture: $streams" ;;
esac
# 121 frames at 60 fps (the frames at 30000 and 32000 included): 2.017 s.
duration=$(probe format=duration "$work/scaled.mp4" | cut -d= -f2)
awk -v d="$duration" 'BEGIN { exit !(d >= 1.99 && d <= 2.05) }' || fail "duration $duration s, not about 2.02 s"
grep -q "capture: demo time  *32\.0[0-9] s  100%" "$work/stderr" || fail "no progress line reaching 100%"
echo "ok (scaled): $streams, $duration s"

"$qorbt" --headless "${range[@]}" --capture "$work/boxed.mkv" --capture-size 1920x1080 \
    --capture-args '-c:v ffv1 -pix_fmt bgr0' 2> "$work/stderr" || fail "letterboxed capture"
"$qorbt" --headless --shot "30000:$work/first.png" --shot "32000:$work/last.png" 2> "$work/stderr" || fail "shots"
size=$(probe stream=width,height "$work/boxed.mkv" | tr '\n' ' ')
[ "$size" = "width=1920 height=1080 " ] || fail "letterboxed size: $size"
rgb() { ffmpeg -nostdin -loglevel error "$@" -pix_fmt rgb24 -f rawvideo -; }
# Scale 2 fits: 1280x960 at (320, 60).
rgb -i "$work/boxed.mkv" -vf "crop=1280:960:320:60,scale=640:480:flags=neighbor" > "$work/frames"
frame=$((640 * 480 * 3))
head -c $frame "$work/frames" > "$work/first.video"
tail -c $frame "$work/frames" > "$work/last.video"
for which in first last; do
    rgb -i "$work/$which.png" > "$work/$which.shot"
    cmp -s "$work/$which.video" "$work/$which.shot" || fail "the $which frame, scaled down, differs from the shot"
done
rgb -i "$work/boxed.mkv" -frames:v 1 -vf "crop=320:1080:0:0" > "$work/border"
[ -z "$(tr -d '\0' < "$work/border" | head -c 1)" ] || fail "the pillarbox border is not black"
echo "ok (letterboxed, lossless): first and last frames equal the shots"

# ffmpeg refusing the extra options: a clear failure, not a silent death.
"$qorbt" --headless "${range[@]}" --capture "$work/bad.mp4" --capture-args '-no-such-option' 2> "$work/stderr"
status=$?
[ $status -eq 1 ] || fail "exit code $status when ffmpeg refuses its options"
grep -q "qorbt: " "$work/stderr" || fail "no message when ffmpeg refuses its options"
echo "ok (refused options)"
