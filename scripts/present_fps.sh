#!/usr/bin/env bash
# Measures the show's frame rate full screen on a virtual X screen:
#   scripts/present_fps.sh QORBT WIDTHxHEIGHT SECONDS [qorbt options...]
# Starts Xvfb with matchbox, runs the show for SECONDS, presses a key and
# prints its frame-rate report. Environment variables (for instance
# SDL_FRAMEBUFFER_ACCELERATION) pass through to the show.
set -u
qorbt=$1 size=$2 seconds=$3
shift 3
source "$(dirname "$0")/../tests/e2e/support/x_session.sh"
x_session_start "$size"
SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} "$qorbt" --no-dialogs "$@" 2> "$work/stderr" &
show=$!
sleep "$seconds"
find_show_window && press_key_to_end 30
wait "$show"
show=""
grep -o 'fps : [0-9.]*' "$work/stderr" || { echo "no report:"; cat "$work/stderr"; exit 1; }
