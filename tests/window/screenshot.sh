#!/usr/bin/env bash
# Takes the picture of the window kept in docs/window.png:
#   tests/window/screenshot.sh path/to/pelko-monitor [out.png]
source "$(dirname "$0")/lib.sh"
OUT=${2:-$HERE/../../docs/window.png}
command -v import >/dev/null || fail "missing tool 'import' (imagemagick)"

start_x
start_app
click restore
xdotool mousemove 1000 700
sleep 0.5
geometry=$(xdotool getwindowgeometry --shell "$WIN")
eval "$geometry"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$OUT" || fail "import failed"
echo "wrote $OUT (${WIDTH}x${HEIGHT})"
