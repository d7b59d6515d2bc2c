#!/usr/bin/env bash
# Writes the lists of keys and mouse actions in README.md, the manual page,
# the Windows readme and the soak's e2e/command_keys.txt from the editor's
# command table (src/shell/commands.cpp), through the docs test of the
# release build, which otherwise fails while a list differs.
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
build=build/release
# A folder whose configure failed (no build system in it) is configured again.
if [ ! -f "$build/Makefile" ] && [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target test_shell -j 2 >/dev/null
VORN_WRITE_KEY_DOCS=1 "$build/test_shell" --gtest_filter='KeyDocs.*' >/dev/null
git --no-pager diff --stat -- README.md packaging/VornGroundEditor.1.in packaging/README.txt e2e/command_keys.txt 2>/dev/null || true
