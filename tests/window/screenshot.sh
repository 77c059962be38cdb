#!/usr/bin/env bash
# Takes the picture of the window kept in docs/ (window.png, or window-win.png
# with PELKO_WINDOW_LAUNCHER=wine):
#   tests/window/screenshot.sh path/to/pelko-monitor[.exe] [out.png]
source "$(dirname "$0")/lib.sh"
OUT=${2:-$HERE/../../docs/window$SHOT_SUFFIX.png}
command -v import >/dev/null || fail "missing tool 'import' (imagemagick)"

start_x
start_app
click restore
xdotool mousemove $PARK_POINTER
sleep 0.5
screenshot "$OUT" || fail "import failed"
echo "wrote $OUT"
