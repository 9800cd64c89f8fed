#!/bin/bash
# check_refusals.sh <figuregen> <poses.txt> <skin.txt>
# The generator gives the same bytes every time from the same sources, and stops
# on any source that would not give the resources' fixed sizes.
set -u
generator=$1 poses=$2 skin=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*"
    exit 1
}

# Runs the generator on the given sources; it must fail and say why.
expect_refusal() {
    local what=$1 poses=$2 skin=$3 message=$4
    mkdir -p "$work/out"
    if "$generator" "$poses" "$skin" "$work/out" 2>"$work/err"; then
        fail "$what was accepted"
    fi
    grep -qF -- "$message" "$work/err" || fail "$what: expected '$message', got: $(cat "$work/err")"
}

mkdir -p "$work/a" "$work/b"
"$generator" "$poses" "$skin" "$work/a" || fail "the sources were refused"
"$generator" "$poses" "$skin" "$work/b" || fail "the sources were refused the second time"
for file in figure_skin.bin figure_pose0.bin figure_pose1.bin figure_pose2.bin figure_pose3.bin figure_pose4.bin; do
    cmp -s "$work/a/$file" "$work/b/$file" || fail "$file differs between two runs"
done
[ "$(stat -c %s "$work/a/figure_skin.bin")" = 522 ] || fail "the skin is not 522 bytes"
for pose in 0 1 2 3 4; do
    [ "$(stat -c %s "$work/a/figure_pose$pose.bin")" = 80 ] || fail "pose $pose is not 80 bytes"
done

# A skin one rule short, a part with a point too few, a point the part does not have.
grep -v '^quad head.3 head.2 head.7 head.8' "$skin" >"$work/short_skin.txt"
expect_refusal "a skin of 172 triangles" "$poses" "$work/short_skin.txt" "make 172 triangles, the skin has 174"
awk '$1 == "part" && $2 == "head" {$3 = 12; NF = NF - 2; $0 = $0 " 11"} {print}' "$skin" >"$work/small_part.txt"
expect_refusal "a skin over 188 points" "$poses" "$work/small_part.txt" "the parts have 188 points"
sed 's/footR.0 footR.3 footR.4 footR.1/footR.0 footR.3 footR.4 footR.6/' "$skin" >"$work/bad_point.txt"
expect_refusal "a point beyond its part" "$poses" "$work/bad_point.txt" "no point footR.6"

# A pose one joint short, a value beyond a signed byte, a missing pose.
awk '/^pose 2/ {skip = 1} skip && /^ *toeL/ {skip = 0; next} {print}' "$poses" >"$work/short_pose.txt"
expect_refusal "a pose of 19 joints" "$work/short_pose.txt" "$skin" "pose 2 has 19 of its 20 joints"
sed -E '0,/^ *hips /s/^( *hips +)-?[0-9]+/\1128/' "$poses" >"$work/big_value.txt"
expect_refusal "a coordinate of 128" "$work/big_value.txt" "$skin" "'128' is not a number from -128 to 127"
awk '/^pose 4/ {exit} {print}' "$poses" >"$work/four_poses.txt"
expect_refusal "four poses" "$work/four_poses.txt" "$skin" "pose 4 is missing"
echo "figuregen: same bytes twice, and every malformed source refused"
