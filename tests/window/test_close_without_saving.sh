#!/usr/bin/env bash
# Closing the window saves nothing: after 恢复默认 and a close, the file is
# byte for byte as before and the next start shows its values, not the
# defaults.
source "$(dirname "$0")/lib.sh"

write_config '[Pelko]' '关键词=鼠标,键盘' '扫描数量=20' '间隔时间=60' '分割符号=,' '推送=T1' 'Server酱=S1'
cp "$CONFIG" "$WORK/before.ini"
start_x
start_app

click restore
close_window
expect_exit_ok 10
cmp -s "$WORK/before.ini" "$CONFIG" || fail "closing the window changed config.ini"

start_app
save_fresh
for pair in 关键词=鼠标,键盘 扫描数量=20 间隔时间=60 分割符号=, 推送=T1 Server酱=S1; do
  key=${pair%%=*}
  [ "$(saved_value "$key")" = "${pair#*=}" ] || fail "after restart $key is '$(saved_value "$key")', expected '${pair#*=}'"
done
