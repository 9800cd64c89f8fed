# The Debian packages the project needs, by purpose (sourced by run.sh and test.sh).
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libsdl2-dev libfreetype-dev libpng-dev fonts-liberation2)
TEST_PACKAGES=(googletest libgtest-dev xvfb xauth xfonts-base xdotool matchbox-window-manager imagemagick ffmpeg)
# The browser build (Debian's emscripten: clang, lld, binaryen; no ports) and its test.
WEB_PACKAGES=(emscripten nodejs)
WEB_TEST_PACKAGES=(chromium python3)
