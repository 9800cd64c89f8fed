#!/usr/bin/env bash
# The browser build draws the same frames and plays the same samples as the
# native one: Debian's chromium, headless, loads the page from a local static
# server in its test modes (?shot=T, ?audio=S) and the hashes it shows must
# equal the native program's (qorbt --headless --hash T, qorbt --audio-hash S).
#   browser_hashes_test.sh QORBT DIST
set -u
qorbt=$1
dist=$2
# The loading screen, every scene, and the frames either side of each change.
times=(-8076 -2000 0 6000 11900 11920 30000 40290 50000 56440 81000 104880 104900 114000 121050)
seconds=10

work=$(mktemp -d)
server_pid=
cleanup() {
    if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null; fi
    rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$dist" "$port" > "$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
    if python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" 2>/dev/null; then break; fi
    sleep 0.1
done

# page QUERY ID: the text of element ID once the page's title is "done".
page() {
    rm -rf "$work/profile"
    timeout 600 chromium --headless=new --no-sandbox --disable-gpu --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$work/profile" --virtual-time-budget=600000 --dump-dom \
        "http://127.0.0.1:$port/index.html?$1" 2> "$work/chromium.log" > "$work/dom.html"
    if ! grep -q '<title>done</title>' "$work/dom.html"; then
        echo "page ?$1 did not finish:" >&2
        tail -5 "$work/chromium.log" >&2
        return
    fi
    sed -n "s|.*<div id=\"$2\">\([0-9a-f ]*\)</div>.*|\1|p" "$work/dom.html"
}

status=0
args=()
for t in "${times[@]}"; do args+=(--hash "$t"); done
"$qorbt" --headless "${args[@]}" > "$work/native" || { echo "FAIL: the native run"; exit 1; }
compare() {  # compare WHAT EXPECTED ACTUAL
    if [ -n "$2" ] && [ "$3" = "$2" ]; then
        echo "ok   $1: $3"
    else
        echo "FAIL $1: browser '$3', native '$2'"
        status=1
    fi
}
# One page per frame for the first two (the contract's own form), then all of
# them from one run of the show (?shot=T1,T2,...), which costs one show.
for t in "${times[0]}" 11920; do
    compare "frame $t alone" "$(awk -v t="$t" '$1 == t {print $2}' "$work/native")" "$(page "shot=$t" frame-hash)"
done
list=$(IFS=,; echo "${times[*]}")
read -r -a actual <<< "$(page "shot=$list" frame-hash)"
i=0
while read -r t expected; do
    compare "frame $t" "$expected" "${actual[$i]:-}"
    i=$((i + 1))
done < "$work/native"

expected=$("$qorbt" --audio-hash "$seconds" | cut -d' ' -f2)
compare "audio $seconds s" "$expected" "$(page "audio=$seconds" audio-hash)"
exit $status
