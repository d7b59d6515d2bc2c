#!/usr/bin/env bash
# Installs the Debian packages the editor needs, only those still missing.
#   scripts/deps.sh run    what building and starting the editor needs
#   scripts/deps.sh test   everything the full test run needs
set -euo pipefail
what=${1:-test}

run_pkgs=(cmake g++ make pkg-config libstb-dev libsdl2-dev libgl-dev libopengl-dev libegl-dev libegl-mesa0 libglx-mesa0 libgl1-mesa-dri zenity)
test_pkgs=("${run_pkgs[@]}" libgtest-dev libbenchmark-dev clang libclang-rt-dev
  g++-mingw-w64-x86-64 xvfb xauth xfonts-base xdotool x11-utils imagemagick openbox
  wine64 wine python3)

case "$what" in
  run) pkgs=("${run_pkgs[@]}") ;;
  test) pkgs=("${test_pkgs[@]}") ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac

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
