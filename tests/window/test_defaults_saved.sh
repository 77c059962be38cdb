#!/usr/bin/env bash
# 恢复默认 then 保存设置 on a first start writes exactly the defaults:
# section Pelko, code page 936, CR LF line ends, empty values kept as keys.
# Neither the start nor 恢复默认 creates the file by itself.
source "$(dirname "$0")/lib.sh"

start_x
[ ! -e "$CONFIG" ] || fail "scratch folder is not fresh"
start_app
sleep 0.5
[ ! -e "$CONFIG" ] || fail "config.ini was created before 保存设置 was pressed"

click restore
keep_screenshot
[ ! -e "$CONFIG" ] || fail "恢复默认 saved the settings by itself"
click save
wait_for '[ -f "$CONFIG" ] && grep -q "^Server" "$CONFIG"' 10 || fail "保存设置 wrote no complete config.ini within 10 s"
sleep 0.3

printf '[Pelko]\r\n关键词=Drumvel#绝对值\r\n扫描数量=1\r\n间隔时间=3\r\n分割符号=#\r\n推送=\r\nServer酱=\r\n钉钉加签=\r\n' |
  iconv -f UTF-8 -t CP936 >"$WORK/expected.ini"
if ! cmp -s "$WORK/expected.ini" "$CONFIG"; then
  echo "expected bytes:" >&2; od -An -c "$WORK/expected.ini" >&2
  echo "actual bytes:" >&2; od -An -c "$CONFIG" >&2
  fail "config.ini differs from the defaults fixture"
fi
