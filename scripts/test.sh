#!/usr/bin/env bash
# Installs what is missing, builds and runs every test under a virtual display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$KESTRUM_BUILD_DIR"
xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure -j "$(nproc)" "$@"
