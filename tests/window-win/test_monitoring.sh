#!/usr/bin/env bash
# "开始监控" locks the settings until "停止监控" is pressed, the wait between
# passes keeps the window answering, and closing the window while it
# monitors ends the program cleanly.  The services point at a closed
# loopback port, so every request fails at once.
# Usage: test_monitoring.sh PATH/TO/pelko-monitor.exe
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
exe=$(realpath "$1")
trap pelko_cleanup EXIT

pelko_wine_prefix "${WINEPREFIX:-$(dirname "$exe")/wineprefix}"
pelko_start_display
pelko_start_app "$exe" '[Pelko]\r\n关键词=a\r\n扫描数量=1\r\n间隔时间=1\r\n分割符号=#\r\n[Services]\r\nFeedBase=http://127.0.0.1:9\r\nDingTalkBase=http://127.0.0.1:9\r\nServerChanBase=http://127.0.0.1:9\r\n'
config="$PELKO_DIR/config.ini"
has() { iconv -f CP936 -t UTF-8 "$config" | tr -d '\r' | grep -qx "$1"; }
KEYWORD_BOX=(180 100)

pelko_click "${PELKO_TOGGLE[@]}"
sleep 1.5
import -window root -crop 372x448+49+49 "$(dirname "$exe")/window-win-monitoring.png"
# Locked: typing into the keywords and pressing 保存设置 do nothing.
pelko_click "${KEYWORD_BOX[@]}"
xdotool type --delay 30 zz
pelko_click "${PELKO_SAVE[@]}"
sleep 0.5
has '推送=' && pelko_fail "保存设置 worked while monitoring"

pelko_click "${PELKO_TOGGLE[@]}"
sleep 2  # the wait in progress runs out; no further pass starts
pelko_click "${PELKO_SAVE[@]}"
sleep 1
has '推送=' || pelko_fail "保存设置 still locked after 停止监控"
has '关键词=a' || pelko_fail "the keyword box took input while monitoring: $(iconv -f CP936 -t UTF-8 "$config")"
has 'FeedBase=http://127.0.0.1:9' || pelko_fail "saving lost the other section"

pelko_click "${PELKO_TOGGLE[@]}"
sleep 1.5
pelko_click "${PELKO_CLOSE[@]}"
for i in $(seq 100); do
    kill -0 "$PELKO_APP_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$PELKO_APP_PID" 2>/dev/null && pelko_fail "closing the window while monitoring did not end the program"
status=0
wait "$PELKO_APP_PID" || status=$?
PELKO_APP_PID=
[ "$status" -eq 0 ] || pelko_fail "the program ended with status $status after closing"
echo "PASS: monitoring locks, stops and closes cleanly"
