#!/usr/bin/env bash
# Ctrl+A selects the whole text of the box that has the focus, so what is
# typed next replaces it: in the keyword box, a number box and a plain box.
source "$(dirname "$0")/lib.sh"

start_x
start_app
click restore

# box | key in config.ini | typed after Ctrl+A | saved
cases=(
  'keywords|关键词|abc|abc'
  'interval|间隔时间|42|42'
  'token|推送|tok|tok'
)
for c in "${cases[@]}"; do
  IFS='|' read -r box key typed expected <<<"$c"
  click "$box"
  type_text "old text 1"
  press ctrl+a
  type_text "$typed"
  click separator
  save_fresh
  got=$(saved_value "$key")
  [ "$got" = "$expected" ] || fail "Ctrl+A then '$typed' in the $box box saved '$got', expected '$expected'"
done
