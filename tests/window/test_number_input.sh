#!/usr/bin/env bash
# The interval box takes only "-" and digits as typed; leaving it rewrites the
# text as a clamped 32-bit integer, with 0 shown as the empty text.
source "$(dirname "$0")/lib.sh"

start_x
start_app

# typed keys | saved after leaving the box
cases=(
  'a1b2c|12'
  '99999999999|2147483647'
  '-99999999999|-2147483648'
  '99999999999999999999999|2147483647'
  '-|'
  '0|'
  '007|7'
  '3-4|3'
  '中x!|'
)
for c in "${cases[@]}"; do
  typed=${c%%|*} expected=${c#*|}
  click interval
  press ctrl+a BackSpace
  type_text "$typed"
  click separator
  save_fresh
  got=$(saved_value 间隔时间)
  [ "$got" = "$expected" ] || fail "typing '$typed' into the interval box and leaving it gave '$got', expected '$expected'"
done

# Backspace and the arrow keys still work inside the box.
click interval
press ctrl+a BackSpace
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
