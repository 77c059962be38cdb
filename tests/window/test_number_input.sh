#!/usr/bin/env bash
# The number boxes take only "-" and digits as typed; leaving one, by the
# pointer or by Tab, rewrites its text as a clamped 32-bit integer, with 0
# shown as the empty text.
source "$(dirname "$0")/lib.sh"

start_x
start_app

declare -A KEY=([interval]=间隔时间 [scan]=扫描数量)
# Empties the box that has the focus.
clear_box() { press End shift+Home BackSpace; }

# box | typed keys | how the focus leaves | saved after leaving the box
cases=(
  'interval|a1b2c|click|12'
  'interval|99999999999|click|2147483647'
  'interval|-99999999999|click|-2147483648'
  'interval|99999999999999999999999|click|2147483647'
  'interval|-|click|'
  'interval|0|click|'
  'interval|007|click|7'
  'interval|3-4|click|3'
  'interval|中x!|click|'
  'interval|9x9999999999y99|Tab|2147483647'
  'scan|-a0|Tab|'
  'scan|+12|click|12'
)
for c in "${cases[@]}"; do
  IFS='|' read -r box typed leave expected <<<"$c"
  click "$box"
  clear_box
  type_text "$typed"
  if [ "$leave" = Tab ]; then press Tab; else click separator; fi
  save_fresh
  got=$(saved_value "${KEY[$box]}")
  [ "$got" = "$expected" ] ||
    fail "typing '$typed' into the $box box and leaving it by $leave gave '$got', expected '$expected'"
done

# Backspace and the arrow keys still work inside the box.
click interval
clear_box
type_text 123
press BackSpace Left
type_text 9
click separator
save_fresh
[ "$(saved_value 间隔时间)" = 192 ] || fail "editing keys in the interval box gave '$(saved_value 间隔时间)', expected 192"

# The separator box is not a number box: letters pass and nothing is rewritten.
click separator
type_text 'ab0'
click token
save_fresh
[ "$(saved_value 分割符号)" = ab0 ] || fail "the separator box holds '$(saved_value 分割符号)', expected ab0"
