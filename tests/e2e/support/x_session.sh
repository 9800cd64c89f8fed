# Sourced by the window tests and scripts/present_fps.sh: a virtual X screen
# with a window manager, the show's window, and everything stopped on exit.
# Uses: $work (a scratch directory, removed on exit); sets $show, $window.
work=$(mktemp -d)
x_session_stop() {
    [ -n "${show:-}" ] && kill -9 "$show" 2>/dev/null
    [ -n "${other:-}" ] && kill "$other" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap x_session_stop EXIT

# x_session_start [WIDTHxHEIGHT]: Xvfb on a random display, and matchbox
# (without a window manager full-screen windows are misplaced).
x_session_start() {
    local display=":$(( 100 + RANDOM % 400 ))"
    Xvfb "$display" -screen 0 "${1:-1024x768}x24" -nolisten tcp > "$work/xvfb.log" 2>&1 &
    xvfb=$!
    export DISPLAY=$display
    for _ in $(seq 50); do xdotool getdisplaygeometry > /dev/null 2>&1 && break; sleep 0.1; done
    matchbox-window-manager -use_titlebar no > /dev/null 2>&1 &
    wm=$!
    sleep 0.5
}

# find_show_window: waits up to 15 s for the show's window; false without one.
find_show_window() {
    window=""
    for _ in $(seq 300); do
        window=$(xdotool search --name "nu is ie kapot" 2>/dev/null | head -n 1)
        [ -n "$window" ] && return 0
        sleep 0.05
    done
    return 1
}

# press_key_to_end SECONDS: a real key press through XTEST to the focused
# show; false when the show is still running SECONDS later.
press_key_to_end() {
    xdotool windowfocus "$window" > /dev/null 2>&1
    xdotool key space
    for _ in $(seq $(( $1 * 10 ))); do kill -0 "$show" 2>/dev/null || return 0; sleep 0.1; done
    return 1
}
