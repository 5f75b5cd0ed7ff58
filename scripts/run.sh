#!/usr/bin/env bash
# Installs what is missing, builds and starts Kestrum.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "Kestrum needs a graphical display (X11 or Wayland) and none is available here." >&2
    echo "Run it from a desktop session, or under a virtual display: xvfb-run -a $KESTRUM_BUILD_DIR/kestrum" >&2
    exit 1
fi
exec "$KESTRUM_BUILD_DIR/kestrum" "$@"
