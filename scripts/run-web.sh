#!/usr/bin/env bash
# Builds the editor for a web browser (emscripten; CMake's folder is
# build/web-build), puts the page's files alone into build/web and serves that
# folder on 127.0.0.1 with Python's http.server; open the printed address.
# build/web is static files: any web server can host it as it is.
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
port=${VORN_WEB_PORT:-8080}
case $port in
  '' | *[!0-9]*) echo "run-web.sh: VORN_WEB_PORT must be a port number, got '$port'" >&2; exit 2 ;;
esac
bash scripts/deps.sh web
bash scripts/web-page.sh
echo "VornGroundEditor: open http://127.0.0.1:$port/ in a browser (Ctrl+C stops the server)"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$PWD/build/web"
