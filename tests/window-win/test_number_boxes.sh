#!/usr/bin/env bash
# The two number boxes refuse letters as they are typed and rewrite their
# text as a clamped 32-bit integer when the focus leaves them.
# Usage: test_number_boxes.sh PATH/TO/pelko-monitor.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
exe=$(realpath "$1")
trap pelko_cleanup EXIT

pelko_wine_prefix "${WINEPREFIX:-$(dirname "$exe")/wineprefix}"
pelko_start_display
# A value that is not a number stays as the file has it until the user edits it.
pelko_start_app "$exe" '[Pelko]\r\n扫描数量=5a\r\n'

pelko_click "${PELKO_SAVE[@]}"
sleep 1
iconv -f CP936 -t UTF-8 "$PELKO_DIR/config.ini" | tr -d '\r' | grep -qx '扫描数量=5a' ||
    pelko_fail "a count of 5a from the file was rewritten before the user touched the box: $(od -c "$PELKO_DIR/config.ini")"

pelko_click "${PELKO_INTERVAL_BOX[@]}"
xdotool type --delay 30 '9x9999999999y99'
xdotool key Tab
sleep 0.3
pelko_click "${PELKO_COUNT_BOX[@]}"
xdotool key End BackSpace BackSpace
xdotool type --delay 30 -- '-a0'
xdotool key Tab
sleep 0.3
pelko_click "${PELKO_SAVE[@]}"
sleep 1

config=$(iconv -f CP936 -t UTF-8 "$PELKO_DIR/config.ini" | tr -d '\r')
echo "$config" | grep -qx '间隔时间=2147483647' || pelko_fail "interval not clamped to 2147483647: $config"
echo "$config" | grep -qx '扫描数量=' || pelko_fail "-0 did not leave the count box empty: $config"
echo "PASS: number boxes filter and rewrite"
