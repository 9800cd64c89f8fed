#!/usr/bin/env bash
# Renders the README's gallery: every scene at two moments, headless, scaled
# to half size. Usage: tools/make_gallery.sh [path/to/qorbt]
set -euo pipefail
cd "$(dirname "$0")/.."
qorbt=${1:-build/qorbt}
out=docs/gallery
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# name:demo time in ms
moments=(
    loading:-6076
    scene1_title:3000 scene1_shells:9000
    scene2_lattice:16014 scene2_ring:37014
    scene3_code:43280 scene3_music:47280
    scene4_dance:73500 scene4_pose3:85432
    scene5_tunnel:108888 scene5_names:116888
    scene6_end:130000
)
shots=()
for m in "${moments[@]}"; do shots+=(--shot "${m#*:}:$work/${m%%:*}.png"); done
"$qorbt" --headless "${shots[@]}"
for m in "${moments[@]}"; do
    convert "$work/${m%%:*}.png" -resize 50% "$out/${m%%:*}.png"
done
echo "wrote ${#moments[@]} pictures to $out"
