#!/usr/bin/env bash
# Closing the window while a push waits on a DingTalk that does not answer:
# the program ends at once (the push is broken off, not sat out to the time
# limits), the report stays marked and its delivery waits in the outbox, and
# the next run delivers it.
source "$(dirname "$0")/lib.sh"

start_slow_services 0 hold
write_config '[Services]' "FeedBase=http://127.0.0.1:$PORT" "DingTalkBase=http://127.0.0.1:$PORT" \
  '[Pelko]' '关键词=k7' '扫描数量=1' '间隔时间=60' '分割符号=#' '推送=TOKEN' 'Server酱='
start_x
start_app

click toggle
wait_for 'grep -q "start /robot" "$SERVICE_LOG"' 15 || fail "no push within 15 s: $(cat "$SERVICE_LOG")"
sleep 0.5
started=$(date +%s%N)
close_window
expect_exit_ok 20
echo "$TEST_NAME ($LAUNCHER): the program ended $((($(date +%s%N) - started) / 1000000)) ms after the close"
wait_for '[ "$(service_events closed)" -ge 1 ]' 5 || fail "the push in flight was not broken off: $(cat "$SERVICE_LOG")"

STORE="$APP_DIR/已爆料商品.ini"
OUTBOX="$APP_DIR/待推送.ini"
[ -f "$STORE" ] && grep -aq '^k7=ann' "$STORE" || fail "the report is not marked: $(ls "$APP_DIR")"
[ -f "$OUTBOX" ] && grep -aq 'target=dingtalk' "$OUTBOX" || fail "the delivery is not in the outbox: $(ls "$APP_DIR")"

# DingTalk answers now: the next run delivers what waited.
touch "$SERVICE_LOG.accept"
run_headless_once >"$WORK/headless.log" 2>&1 || fail "the headless run failed: $(cat "$WORK/headless.log")"
[ "$(grep -c 'start /robot' "$SERVICE_LOG")" -eq 2 ] || fail "expected the push once more: $(cat "$SERVICE_LOG")"
! grep -aq 'target=dingtalk' "$OUTBOX" || fail "the delivery still waits: $(cat "$WORK/headless.log")"
