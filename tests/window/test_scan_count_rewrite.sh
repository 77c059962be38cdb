#!/usr/bin/env bash
# A scan count of "5a" from the file shows unchanged, and is rewritten to 5
# only once the user has focused the box and left it.  The other boxes keep
# the values loaded, and another section of the file survives a save.
source "$(dirname "$0")/lib.sh"

write_config '[Services]' 'FeedBase=http://127.0.0.1:9' \
  '[Pelko]' '关键词=甲#乙' '扫描数量=5a' '间隔时间=7' '分割符号=#' '推送=TOKEN' 'Server酱=SCKEY'
start_x
start_app

# Saving over the loaded file: the Services section stays, 5a stays.
click save
wait_for 'grep -q "^Server" "$CONFIG" && [ "$(saved_value 扫描数量)" = 5a ]' 5 ||
  fail "scan count after load and save is '$(saved_value 扫描数量)', expected 5a"
config_utf8 | grep -qx 'FeedBase=http://127.0.0.1:9' || fail "saving dropped the Services section"

save_fresh
for pair in 关键词=甲#乙 扫描数量=5a 间隔时间=7 分割符号=# 推送=TOKEN Server酱=SCKEY; do
  key=${pair%%=*}
  [ "$(saved_value "$key")" = "${pair#*=}" ] || fail "$key reads back as '$(saved_value "$key")', expected '${pair#*=}'"
done

# Focus the box, then move the focus elsewhere.
click scan
click separator
save_fresh
[ "$(saved_value 扫描数量)" = 5 ] || fail "scan count after leaving the box is '$(saved_value 扫描数量)', expected 5"
[ "$(saved_value 分割符号)" = "#" ] || fail "the separator box changed: '$(saved_value 分割符号)'"
