#!/usr/bin/env bash
# Every frame the show draws is fixed to the bit: the hashes of shots spread
# over the whole show (loading, all six scenes, the frames either side of each
# scene change) must equal the recorded ones in shot_hashes.txt. When a change
# is meant to alter pictures, record them again with:
#   qorbt --headless $(awk '{printf "--hash %s ", $1}' shot_hashes.txt) > shot_hashes.txt
# The frames must not depend on the thread count nor on the vector paths
# (QORBT_SCALAR=1 turns them off). The slow sanitizer builds (Debug, or
# ThreadSanitizer) check two of the variants; an optimised build all of them.
set -u
qorbt=$1
build=${2:-}
expected="$(dirname "$0")/shot_hashes.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

args=()
while read -r t _; do args+=(--hash "$t"); done < "$expected"

status=0
check() {  # check LABEL [NAME=VALUE...] QORBT [OPTIONS...]
    local label=$1
    shift
    if ! env "$@" --headless "${args[@]}" > "$work/actual" 2> "$work/stderr"; then
        echo "FAIL ($label): exit code"; tail -5 "$work/stderr"; status=1; return
    fi
    if ! diff "$expected" "$work/actual" > "$work/diff"; then
        echo "FAIL ($label): frames differ from the recorded ones:"; cat "$work/diff"; status=1; return
    fi
    echo "ok ($label): $(wc -l < "$expected") frames"
}

check "default" "$qorbt"
check "3 threads" "$qorbt" --threads 3
if ! grep -qsE '^(CMAKE_BUILD_TYPE:STRING=Debug|QORBT_TSAN:BOOL=ON)$' "$build/CMakeCache.txt"; then
    check "1 thread" "$qorbt" --threads 1
    check "2 threads" "$qorbt" --threads 2
    check "scalar, 1 thread" QORBT_SCALAR=1 "$qorbt" --threads 1
    check "scalar, 2 threads" QORBT_SCALAR=1 "$qorbt" --threads 2
fi
exit $status
