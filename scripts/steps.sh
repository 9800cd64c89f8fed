# The steps of ./run.sh and ./test.sh, one line each: "installing: ffmpeg",
# "building (Release)", ... Their full output goes to a log file, named when a
# step fails; with VERBOSE=1 (the scripts' --verbose) it goes to the terminal.
# Sourced; then each stage is one line:
#   step "label" command [arguments...]     (a shell function will do)
#   packages PACKAGE...                     installs what is missing
# A failed step prints one line naming the log and exits with its status.
STEPS_LOG=${STEPS_LOG:-build-logs/$(basename "$0" .sh).log}
VERBOSE=${VERBOSE:-0}
mkdir -p "$(dirname "$STEPS_LOG")"
: > "$STEPS_LOG"

step() {
    local label=$1 status=0
    shift
    if [ "$VERBOSE" = 1 ]; then
        echo "== $label"
        "$@" || status=$?
    else
        echo "$label"
        { echo "== $label: $*"; "$@"; } >> "$STEPS_LOG" 2>&1 || status=$?
    fi
    if [ $status -ne 0 ]; then
        if [ "$VERBOSE" = 1 ]; then
            echo "error: $label failed (exit $status)" >&2
        else
            echo "error: $label failed (exit $status); the full output is in $STEPS_LOG" >&2
        fi
        exit $status
    fi
}

packages() {
    local missing
    missing=$(scripts/ensure_packages.sh --list-missing "$@")
    if [ -n "$missing" ]; then
        # shellcheck disable=SC2086  # one word per package
        step "installing: $missing" scripts/ensure_packages.sh $missing
    fi
}
