#!/usr/bin/env bash
# kill -9 at moments around 保存设置 leaves config.ini either as it was or
# with all six new values, never some keys old and some new.  config.ini is
# padded with a large section so that rewriting it takes a while.
#
# The window loads its boxes from file A; before the click the file is
# replaced by B, whose six values all differ, so the save turns B into
# B-with-A's-values and any mix of the two shows.
source "$(dirname "$0")/lib.sh"

# lib.sh's fail would print the whole padded file.
fail() {
  echo "$TEST_NAME: FAIL: $*" >&2
  if [ -s "$WORK/app.log" ]; then sed 's/^/  program says: /' "$WORK/app.log" >&2; fi
  exit 1
}

seq 1 500000 | awk '{ printf "p%06d=padding that makes each rewrite of the file take its time\r\n", $1 }' \
  >"$WORK/padding"
make_config() {  # name, six values
  local name=$1
  shift
  printf '[Pelko]\r\n关键词=%s\r\n扫描数量=%s\r\n间隔时间=%s\r\n分割符号=%s\r\n推送=%s\r\nServer酱=%s\r\n[Padding]\r\n' "$@" |
    iconv -f UTF-8 -t CP936 >"$WORK/$name"
  cat "$WORK/padding" >>"$WORK/$name"
}
make_config A.ini '鼠标,键盘' 20 60 , T-new S-new
make_config B.ini '旧的' 5 9 '#' T-old S-old

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# One round: A loaded, B in place, the click, then kill -9 after $1 ms
# (empty: no kill; TOOK is set to how long the save took to show).
round() {
  cp "$WORK/A.ini" "$CONFIG"
  start_app
  cp "$WORK/B.ini" "$WORK/B.next" && mv "$WORK/B.next" "$CONFIG"
  local start
  start=$(now_ms)
  # Not lib.sh's click: the kill is timed from the start of the click, so
  # that it may come before, during or after the save.
  # shellcheck disable=SC2086
  click_at ${AT[save]} &
  local clicker=$!
  if [ -z "$1" ]; then
    local i
    for i in $(seq 2000); do ! cmp -s "$WORK/B.ini" "$CONFIG" && break; sleep 0.005; done
    cmp -s "$WORK/B.ini" "$CONFIG" && fail "保存设置 changed nothing within 10 s"
    TOOK=$(($(now_ms) - start))
    sleep 0.5
  else
    sleep "$(printf '0.%03d' "$1")"
  fi
  kill -9 "$APP_PID"
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
  wait "$clicker" 2>/dev/null || true
}

start_x
TOOK=0
round ""
took=$TOOK
cp "$CONFIG" "$WORK/new.ini"
for pair in 关键词=鼠标,键盘 扫描数量=20 间隔时间=60 分割符号=, 推送=T-new Server酱=S-new; do
  [ "$(saved_value "${pair%%=*}")" = "${pair#*=}" ] || fail "a whole save gives ${pair%%=*}='$(saved_value "${pair%%=*}")'"
done

# Kills spread from well before the moment a whole save was seen done to
# past it; most land where the file is being rewritten.
from=$((took / 3)) to=$((took * 3 / 2 + 20))
[ "$to" -lt 999 ] || to=999
old=0 new=0
for i in $(seq 0 15); do
  delay=$((from + i * (to - from) / 15))
  round "$delay"
  if cmp -s "$CONFIG" "$WORK/B.ini"; then
    old=$((old + 1))
  elif cmp -s "$CONFIG" "$WORK/new.ini"; then
    new=$((new + 1))
  else
    fail "killed ${delay} ms after the click, config.ini is neither the old nor the new file: \
$(config_utf8 | head -n 7 | tr '\n' ' ')"
  fi
done
echo "$TEST_NAME: a save took ${took} ms; kills ${from}..${to} ms after the click left $old old and $new new files"
