#!/usr/bin/env bash
# Builds the web version with emscripten in build/web-build (CMake's folder)
# and puts the page's files, and nothing else, into build/web: the folder to
# serve or to copy to a web server. scripts/run-web.sh and scripts/test.sh
# run it; it expects emscripten installed (scripts/deps.sh web).
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
# At most two compile jobs: emscripten's compiler is heavy on memory.
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
# Debian's emscripten finds its JavaScript parser only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S . -B build/web-build -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF >/dev/null
cmake --build build/web-build --target VornGroundEditor vorn_web_worker -j "$jobs"
rm -rf build/web
cmake --install build/web-build --prefix "$PWD/build/web" >/dev/null
echo "web page in build/web: $(cd build/web && ls | tr '\n' ' ')"
