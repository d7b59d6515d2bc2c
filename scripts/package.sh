#!/usr/bin/env bash
# Builds every package into build/packages/ and prints their names and sizes:
# the Debian package (Linux build) and, from the mingw-w64 cross build, the
# Windows zip and the 64-bit NSIS installer.
#   scripts/package.sh [--linux-build DIR] [--windows-build DIR]
# By default each comes from its own build folder (build/package-linux,
# build/package-windows) without tests; the test run passes its own builds.
set -euo pipefail
cd -- "$(dirname -- "$0")/.."
linux=build/package-linux
windows=build/package-windows
while [ $# -gt 0 ]; do
  case "$1" in
    --linux-build) linux=$2; shift 2 ;;
    --windows-build) windows=$2; shift 2 ;;
    *) echo "usage: $0 [--linux-build DIR] [--windows-build DIR]" >&2; exit 2 ;;
  esac
done
jobs=$(nproc 2>/dev/null || echo 2)
out=$(pwd)/build/packages

bash scripts/deps.sh package

# Configure only a folder never configured, so a test build keeps its options.
configure() {
  local dir=$1; shift
  [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF "$@" >/dev/null
}
configure "$linux"
configure "$windows" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
mkdir -p "$out"
rm -f "$out"/*.deb "$out"/*.zip "$out"/*.exe
for dir in "$linux" "$windows"; do
  cmake --build "$dir" -j "$jobs" >/dev/null
  (cd -- "$dir" && cpack -B "$out" >/dev/null)
done
rm -rf "$out/_CPack_Packages"

echo "Packages in build/packages:"
for pattern in '*.deb' '*-win64.zip' '*-win64.exe'; do
  f=$(compgen -G "$out/$pattern" | head -n 1) || { echo "package.sh: no $pattern was made" >&2; exit 1; }
  printf '  %-40s %9d bytes\n' "$(basename -- "$f")" "$(stat -c %s -- "$f")"
done
