#!/usr/bin/env bash
# Installs the Debian packages the editor needs, only those still missing.
#   scripts/deps.sh run    what building and starting the editor needs
#   scripts/deps.sh package  what scripts/package.sh needs (the cross compiler,
#                            makensis, dpkg-shlibdeps)
#   scripts/deps.sh web    what building and serving the web version needs
#   scripts/deps.sh test   everything the full test run needs
set -euo pipefail
what=${1:-test}

run_pkgs=(cmake g++ make pkg-config libstb-dev libsdl2-dev libgl-dev libopengl-dev libegl-dev libegl-mesa0 libglx-mesa0 libgl1-mesa-dri zenity)
package_pkgs=("${run_pkgs[@]}" g++-mingw-w64-x86-64 nsis dpkg-dev)
# The web version: emscripten for the page, the native compiler for the art.
web_pkgs=(cmake g++ make emscripten python3)
test_pkgs=("${package_pkgs[@]}" lintian libgtest-dev libbenchmark-dev clang libclang-rt-dev
  xvfb xauth xfonts-base xdotool x11-utils imagemagick openbox
  wine64 wine python3 emscripten chromium xclip
  desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl)

case "$what" in
  run) pkgs=("${run_pkgs[@]}") ;;
  package) pkgs=("${package_pkgs[@]}") ;;
  web) pkgs=("${web_pkgs[@]}") ;;
  test) pkgs=("${test_pkgs[@]}") ;;
  *) echo "usage: $0 run|package|web|test" >&2; exit 2 ;;
esac

# The web tests need npm (for playwright-core). A machine whose Node.js comes
# with its own npm has the command but not Debian's npm package, which would
# conflict with that Node.js: ask Debian only when there is no npm at all.
if [ "$what" = test ] && ! command -v npm >/dev/null; then
  pkgs+=(npm)
fi

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
