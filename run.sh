#!/usr/bin/env bash
# Installs what is missing, builds the show (Release) and runs it, printing one
# line per step (the full output goes to build-logs/run.log).
#   ./run.sh [--verbose] [--] [SHOW OPTIONS...]
# --verbose, before the show's options, shows every step's full output; all
# other arguments (or all after --) go to the show: ./run.sh --window,
# ./run.sh --headless --shot 5000:a.png. ./run.sh --web builds the browser
# version and serves it on http://localhost:8080.
set -euo pipefail
cd "$(dirname "$0")"
while [ $# -gt 0 ]; do
    case $1 in
    --verbose) export VERBOSE=1; shift ;;
    --) shift; break ;;
    *) break ;;
    esac
done
source scripts/packages.sh
source scripts/steps.sh
if [ "${1:-}" = "--web" ]; then
    packages "${BUILD_PACKAGES[@]}" "${WEB_PACKAGES[@]}" python3
    step "building the browser version" scripts/build_web.sh
    echo "serving the show on http://localhost:8080 (Ctrl-C stops)"
    exec python3 -m http.server 8080 --bind 127.0.0.1 --directory build-web/dist
fi
packages "${BUILD_PACKAGES[@]}"
# A capture is encoded by ffmpeg.
for argument in "$@"; do
    if [ "$argument" = "--capture" ]; then packages ffmpeg; fi
done
build() {
    cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORBT_TESTS=OFF
    cmake --build build-release --target qorbt
}
step "building (Release)" build
echo "running"
exec ./build-release/qorbt "$@"
