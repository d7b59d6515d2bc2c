#!/usr/bin/env bash
# Builds the editor for a web browser into build/web (emscripten) and serves
# that folder on 127.0.0.1 with Python's http.server; open the printed address.
# The folder is static files: any web server can host it as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
port=${VORN_WEB_PORT:-8080}
bash scripts/deps.sh web
# Debian's emscripten finds its JavaScript parser only through NODE_PATH.
export NODE_PATH=/usr/share/nodejs
emcmake cmake -S . -B build/web -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF >/dev/null
cmake --build build/web --target VornGroundEditor -j "$(nproc 2>/dev/null || echo 2)"
echo "VornGroundEditor: open http://127.0.0.1:$port/ in a browser (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory build/web
