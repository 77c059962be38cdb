#!/usr/bin/env bash
# 开始监控 locks the settings while the loop waits between passes, 停止监控 is
# still answered inside that wait, the wait costs no processor time, and
# closing the window during monitoring ends the program cleanly.
source "$(dirname "$0")/lib.sh"

# No keywords: a pass sends nothing, then the loop waits the interval.  The
# services point at a closed loopback port all the same.
write_config '[Services]' 'FeedBase=http://127.0.0.1:9' 'DingTalkBase=http://127.0.0.1:9' \
  'ServerChanBase=http://127.0.0.1:9' \
  '[Pelko]' '关键词=' '扫描数量=1' '间隔时间=3600' '分割符号=#' '推送=' 'Server酱='
start_x
start_app

click toggle
sleep 0.5
keep_screenshot monitoring
# 保存设置 is disabled now: the click must not write the file.
rm -f "$CONFIG"
click save
sleep 1
[ ! -e "$CONFIG" ] || fail "保存设置 wrote config.ini during monitoring"
# Typing into locked boxes changes nothing (checked after the stop below).
click interval
type_text 5
click keywords
type_text zz

# An idle wait sleeps: a busy loop would use about one tick per 10 ms.
before=$(cpu_ticks)
sleep 3
used=$(($(cpu_ticks) - before))
[ "$used" -lt 60 ] || fail "the wait between passes used $used CPU ticks in 3 s"

click toggle   # 停止监控, handled inside the wait
save_fresh     # enabled again, at once: the wait is an hour long
[ "$(saved_value 间隔时间)" = 3600 ] || fail "a locked box took input: interval is '$(saved_value 间隔时间)'"
[ "$(saved_value 关键词)" = "" ] || fail "a locked box took input: keywords are '$(saved_value 关键词)'"

# Start again, then close the window in the middle of the hour-long wait.
click toggle
sleep 0.5
close_window
expect_exit_ok 10
