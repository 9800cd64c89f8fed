#!/usr/bin/env bash
# Installs what is missing, builds the show (Release) and runs it. Arguments
# are passed to the program: ./run.sh --window, ./run.sh --headless --shot 5000:a.png;
# ./run.sh --web builds the browser version and serves it on http://localhost:8080.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
# ./run.sh --web: the browser build, served on this machine.
if [ "${1:-}" = "--web" ]; then
    scripts/build_web.sh
    scripts/ensure_packages.sh python3
    echo "Serving the show on http://localhost:8080 (Ctrl-C stops)"
    exec python3 -m http.server 8080 --bind 127.0.0.1 --directory build-web/dist
fi
scripts/ensure_packages.sh "${BUILD_PACKAGES[@]}"
# A capture is encoded by ffmpeg.
for argument in "$@"; do
    if [ "$argument" = "--capture" ]; then scripts/ensure_packages.sh ffmpeg; fi
done
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORBT_TESTS=OFF > /dev/null
cmake --build build-release --target qorbt
exec ./build-release/qorbt "$@"
