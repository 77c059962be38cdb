#!/usr/bin/env bash
# The window answers during a slow pass (every list answer takes 8 s):
# 停止监控 puts the caption back and unlocks the controls at once, breaks off
# the request in flight (the list API sees its connection close; see below
# for wine) and no request follows.  The times the clicks took to show are printed.
source "$(dirname "$0")/lib.sh"

command -v import >/dev/null || fail "missing tool 'import' (imagemagick)"
start_slow_services 8 ok
write_config '[Services]' "FeedBase=http://127.0.0.1:$PORT" \
  '[Pelko]' '关键词=k1#k2#k3' '扫描数量=1' '间隔时间=1' '分割符号=#' '推送=' 'Server酱='
start_x
start_app
# The button as it looks idle and without the focus.
region_shot 236 291 100 16 "$WORK/idle.ppm"

took=$(answer_time toggle 3000)  # 开始监控
echo "$TEST_NAME ($LAUNCHER): 开始监控 showed after $took ms"
wait_for '[ "$(service_events start)" -ge 1 ]' 10 || fail "no list request within 10 s of 开始监控"
sleep 1  # well inside the first answer's 8 s
# The keywords are asked several at once; those asked so far are all there will be.
asked=$(service_events start)
# A window frozen by the pass would show nothing until the pass is over.
took=$(answer_time toggle 3000)  # 停止监控
echo "$TEST_NAME ($LAUNCHER): 停止监控 during the pass showed after $took ms"
[ "$(service_events answered)" -eq 0 ] || fail "the list API answered before the stop; the pass was not slow"

save_fresh  # 保存设置 is unlocked
click keywords  # the focus leaves the button
region_shot 236 291 100 16 "$WORK/after.ppm"
cmp -s "$WORK/idle.ppm" "$WORK/after.ppm" || fail "the button does not read 开始监控 again after the stop"

if ! wait_for '[ "$(service_events closed)" -ge 1 ]' 5; then
  # wine's WinINet does not end a blocking call when another thread closes
  # its handles, as Windows does: the program stops waiting for it at once
  # and leaves it to end on its own thread.
  [ "$LAUNCHER" = wine ] || fail "the request in flight was not broken off: $(cat "$SERVICE_LOG")"
  echo "$TEST_NAME ($LAUNCHER): the request in flight was left to finish on its own"
fi
sleep 2
[ "$(service_events start)" -eq "$asked" ] || fail "requests after 停止监控: $(cat "$SERVICE_LOG")"
