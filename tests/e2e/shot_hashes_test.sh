#!/usr/bin/env bash
# Every frame the show draws is fixed to the bit: the hashes of shots spread
# over the whole show (loading, all six scenes, the frames either side of each
# scene change) must equal the recorded ones in shot_hashes.txt. When a change
# is meant to alter pictures, record them again with:
#   qorbt --headless $(awk '{printf "--hash %s ", $1}' shot_hashes.txt) > shot_hashes.txt
set -u
qorbt=$1
expected="$(dirname "$0")/shot_hashes.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

args=()
while read -r t _; do args+=(--hash "$t"); done < "$expected"

status=0
check() {  # check LABEL [OPTIONS...]
    local label=$1
    shift
    if ! "$qorbt" --headless "${args[@]}" "$@" > "$work/actual" 2> "$work/stderr"; then
        echo "FAIL ($label): exit code"; tail -5 "$work/stderr"; status=1; return
    fi
    if ! diff "$expected" "$work/actual" > "$work/diff"; then
        echo "FAIL ($label): frames differ from the recorded ones:"; cat "$work/diff"; status=1; return
    fi
    echo "ok ($label): $(wc -l < "$expected") frames"
}

check "default"
exit $status
