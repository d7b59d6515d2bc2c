#!/usr/bin/env bash
# Sets up, builds and starts the editor from the folder that holds its art.
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset); start it from a desktop session." >&2
  exit 1
fi
bash scripts/deps.sh run
cmake -S . -B build/editor -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF -DVORN_EDITOR=ON >/dev/null
# The editor target brings its art (tex1.bmp, structures.bmp) into build/editor.
cmake --build build/editor --target VornGroundEditor -j "$(nproc 2>/dev/null || echo 2)"
cd build/editor
exec ./VornGroundEditor
