#!/usr/bin/env bash
# Every way to end the show, in every state, under Xvfb with a window
# manager: a key while loading, the close button, SIGINT while minimised and
# while another window has the focus, SIGTERM while active. Each must end the
# show within one second with exit code 0 and the frame-rate report. Sanitizer
# builds load, shut down and check for leaks several times slower: there
# QORBT_E2E_LIMIT_MS and QORBT_E2E_LOAD_S (the wait for loading) are larger.
set -u
qorbt=$1
limit_ms=${QORBT_E2E_LIMIT_MS:-1000}
source "$(dirname "$0")/support/x_session.sh"
fail() { echo "FAIL: $*"; echo "--- stderr of the show:"; cat "$work/stderr" 2>/dev/null; exit 1; }
x_session_start

now_ms() { date +%s%3N; }

# Starts the show and waits for its window (in $window).
start_show() {
    # A background job of a script starts with SIGINT ignored, and a program
    # rightly leaves an ignored signal alone: give the show the default back.
    SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} env --default-signal=INT "$qorbt" --no-dialogs 2> "$work/stderr" &
    show=$!
    find_show_window || fail "no window titled 'nu is ie kapot' appeared"
}

# The show must be gone within the limit of $1 (ms since the epoch), with
# exit code 0 and its frame-rate line.
expect_end() {  # expect_end LABEL START_MS
    local label=$1 start=$2
    while kill -0 "$show" 2>/dev/null; do
        (( $(now_ms) - start > limit_ms + 5000 )) && fail "$label: the show did not end"
        sleep 0.02
    done
    local took=$(( $(now_ms) - start ))
    wait "$show"
    local code=$?
    show=""
    [ "$code" -eq 0 ] || fail "$label: exit code $code"
    (( took <= limit_ms )) || fail "$label: took $took ms (limit $limit_ms)"
    grep -q 'fps : [0-9]\{4\}\.[0-9]\{3\}' "$work/stderr" || fail "$label: no frame-rate report"
    echo "ok: $label ($took ms)"
}

# After loading: the show runs its scenes (frames are being presented).
wait_loaded() { sleep "${QORBT_E2E_LOAD_S:-5}"; kill -0 "$show" 2>/dev/null || fail "the show ended by itself"; }

# 1. A key during loading: handled between the loading steps.
start_show
xdotool windowfocus "$window" > /dev/null 2>&1
start=$(now_ms)
xdotool key space
expect_end "key while loading" "$start"

# 2. The close button (the window manager's close request).
start_show
wait_loaded
start=$(now_ms)
wmctrl -i -c "$window"
expect_end "close button" "$start"

# 3. SIGINT while minimised (the loop waits for events then).
start_show
wait_loaded
xdotool windowminimize "$window"
sleep 1
start=$(now_ms)
kill -INT "$show"
expect_end "SIGINT while minimised" "$start"

# 4. SIGINT while another window has the focus.
start_show
wait_loaded
xmessage -geometry 200x60+0+0 "another window" &
other=$!
for _ in $(seq 100); do
    xdotool search --name xmessage > /dev/null 2>&1 && break
    sleep 0.05
done
xdotool windowfocus "$(xdotool search --name xmessage | head -n 1)" > /dev/null 2>&1
sleep 1
[ "$(xdotool getwindowfocus)" != "$window" ] || fail "the other window did not take the focus"
start=$(now_ms)
kill -INT "$show"
expect_end "SIGINT while unfocused" "$start"
kill "$other" 2>/dev/null
other=""

# 5. SIGTERM while active.
start_show
wait_loaded
start=$(now_ms)
kill -TERM "$show"
expect_end "SIGTERM while active" "$start"
