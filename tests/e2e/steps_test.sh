#!/usr/bin/env bash
# The quiet steps of ./run.sh and ./test.sh: a step shows one line and keeps
# its output in the log; a failing one ends the script with its exit status and
# one line on stderr naming the log; --verbose (VERBOSE=1) shows everything.
set -u
steps=$(cd "$(dirname "$0")/../../scripts" && pwd)/steps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
run() {  # run VERBOSE: two steps, the second failing with status 3
    (cd "$work" && VERBOSE=$1 STEPS_LOG="$work/logs/x.log" bash -c "
        source '$steps'
        step 'building (one)' echo compiler chatter
        step 'testing (two)' sh -c 'echo the failure; exit 3'
        echo after" > "$work/out" 2> "$work/err")
}
run 0
status=$?
[ $status -eq 3 ] || fail "exit status $status, not the failed step's 3"
[ "$(cat "$work/out")" = "building (one)
testing (two)" ] || fail "quiet output: $(cat "$work/out")"
[ "$(cat "$work/err")" = "error: testing (two) failed (exit 3); the full output is in $work/logs/x.log" ] ||
    fail "error line: $(cat "$work/err")"
grep -q "compiler chatter" "$work/logs/x.log" && grep -q "the failure" "$work/logs/x.log" || fail "the log lacks the output"
run 1
grep -q "compiler chatter" "$work/out" && grep -q "the failure" "$work/out" || fail "--verbose hides the output"
echo "ok"
