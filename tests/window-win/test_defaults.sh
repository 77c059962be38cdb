#!/usr/bin/env bash
# The window as users see it, and "恢复默认" + "保存设置" writing the defaults.
# Usage: test_defaults.sh PATH/TO/pelko-monitor.exe [SCREENSHOT.png]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
exe=$(realpath "$1")
shot=${2:-$(dirname "$exe")/window-win.png}
trap pelko_cleanup EXIT

pelko_wine_prefix "${WINEPREFIX:-$(dirname "$exe")/wineprefix}"
pelko_start_display
pelko_start_app "$exe"

# No config.ini yet: starting must not create one.
[ ! -e "$PELKO_DIR/config.ini" ] || pelko_fail "config.ini was created before 保存设置"

pelko_click "${PELKO_RESTORE[@]}"
sleep 0.5
import -window root -crop 372x448+49+49 "$shot"
[ ! -e "$PELKO_DIR/config.ini" ] || pelko_fail "恢复默认 saved the settings by itself"

pelko_click "${PELKO_SAVE[@]}"
pelko_wait_file "$PELKO_DIR/config.ini" 10 || pelko_fail "保存设置 wrote no config.ini"
expected=$(mktemp)
pelko_gbk '[Pelko]\r\n关键词=Drumvel#绝对值\r\n扫描数量=1\r\n间隔时间=3\r\n分割符号=#\r\n推送=\r\nServer酱=\r\n钉钉加签=\r\n' >"$expected"
if ! cmp -s "$expected" "$PELKO_DIR/config.ini"; then
    echo "expected:" >&2; od -c "$expected" >&2
    echo "written:" >&2; od -c "$PELKO_DIR/config.ini" >&2
    rm -f "$expected"
    pelko_fail "config.ini does not hold the defaults byte for byte"
fi
rm -f "$expected"
echo "PASS: defaults saved; screenshot in $shot"
