#!/usr/bin/env bash
# Installs whatever Debian packages are missing, then configures and builds
# Kestrum into build/ (or $KESTRUM_BUILD_DIR). Sourced by run.sh and test.sh.
set -euo pipefail

KESTRUM_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KESTRUM_BUILD_DIR="${KESTRUM_BUILD_DIR:-$KESTRUM_ROOT/build}"

packages=(qtbase5-dev qtbase5-dev-tools libqt5opengl5-dev libqt5svg5-dev qttools5-dev-tools
          libglu1-mesa-dev libgl1-mesa-dri xvfb xauth libboost-dev
          libbenchmark-dev cmake g++ make ccache python3-scipy python3-numpy
          pkg-config libgdsii-dev python3-gdspy python3-dev python3-pybind11
          pybind11-dev python3-distributed python3-matplotlib
          ngspice python3-vtk9 gmsh)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}" >&2
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake_args=(-S "$KESTRUM_ROOT" -B "$KESTRUM_BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo)
[[ "${CI:-}" == "true" ]] && cmake_args+=(-DKESTRUM_WERROR=ON)
cmake "${cmake_args[@]}" >/dev/null
cmake --build "$KESTRUM_BUILD_DIR" -j "$(nproc)"
