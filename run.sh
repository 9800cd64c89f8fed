#!/usr/bin/env bash
# Installs what is missing, builds the show (Release) and runs it. Arguments
# are passed to the program: ./run.sh --window, ./run.sh --headless --shot 5000:a.png
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/ensure_packages.sh "${BUILD_PACKAGES[@]}"
# A capture is encoded by ffmpeg.
for argument in "$@"; do
    if [ "$argument" = "--capture" ]; then scripts/ensure_packages.sh ffmpeg; fi
done
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORBT_TESTS=OFF > /dev/null
cmake --build build-release --target qorbt
exec ./build-release/qorbt "$@"
