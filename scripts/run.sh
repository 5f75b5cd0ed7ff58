#!/usr/bin/env bash
# Installs what is missing, builds and starts Kestrum. Without a display it
# runs the bundled example recipe headless instead and says where the
# resulting document went.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No graphical display (X11 or Wayland) is available, so the Kestrum window cannot open." >&2
    echo "Running the example recipe examples/oxide_coat_and_etch.plst headless instead:" >&2
    out="$KESTRUM_BUILD_DIR/example-output"
    mkdir -p "$out"
    "$KESTRUM_BUILD_DIR/src/kestrum-batch" "$KESTRUM_ROOT/examples/oxide_coat_and_etch.plst" \
        --output "$out/oxide_coat_and_etch.kst"
    echo "The resulting document is $out/oxide_coat_and_etch.kst; open it in Kestrum on a desktop," >&2
    echo "or start the window under a virtual display: xvfb-run -a $KESTRUM_BUILD_DIR/src/kestrum" >&2
    exit 0
fi
exec "$KESTRUM_BUILD_DIR/src/kestrum" "$@"
