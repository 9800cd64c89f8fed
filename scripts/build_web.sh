#!/usr/bin/env bash
# Builds the browser version into build-web/dist/: index.html, page.js,
# qorbt.js and qorbt.wasm, a folder any static web host can serve.
# Nothing is downloaded: Debian's emscripten, and the assets (the song, the
# figure, the lettering rasterised by the native font engine) from a native
# build on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
scripts/ensure_packages.sh "${BUILD_PACKAGES[@]}" "${WEB_PACKAGES[@]}"
# Debian's emscripten needs Debian's acorn, wherever another Node.js comes from.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# QORBT_HOST_BUILD may name an existing native build to take the assets from
# (test.sh passes its own); otherwise build-web/host is made.
host=${QORBT_HOST_BUILD:-build-web/host}
echo "== assets and lettering (native)"
if [ -z "${QORBT_HOST_BUILD:-}" ]; then
    cmake -S . -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQORBT_TESTS=OFF > /dev/null
fi
cmake --build "$host" --target song_asset figure_resources bake_lettering
"$host/tools/programs/bake_lettering" "$host/assets/lettering.bin"

echo "== WebAssembly"
emcmake cmake -S . -B build-web/wasm -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQORBT_HOST_ASSETS="$PWD/$host/assets" > /dev/null
cmake --build build-web/wasm --target qorbt

dist=build-web/dist
mkdir -p "$dist"
cp platform/web/index.html platform/web/page.js build-web/wasm/qorbt.js build-web/wasm/qorbt.wasm "$dist/"
echo "== $dist: $(du -cb "$dist"/* | tail -1 | cut -f1) bytes"
