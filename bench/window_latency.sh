#!/usr/bin/env bash
# How long the window takes to answer a click while a pass runs: a pass over
# 10 keywords whose list answers take 200 ms each, against the loopback
# services of the window tests, under Xvfb.  Each round clicks 开始监控,
# waits a random moment into the pass, clicks 停止监控 while a list request
# is in flight, and times each click until the keyword box shows its new
# state (locked or unlocked).  Prints every figure and a summary.
#
# usage: bench/window_latency.sh path/to/pelko-monitor[.exe] [ROUNDS]
#   PELKO_WINDOW_LAUNCHER=wine for the Windows build, as for the window tests.
ROUNDS=${2:-20}
source "$(dirname "$0")/../tests/window/lib.sh"

start_slow_services 0.2 ok
write_config '[Services]' "FeedBase=http://127.0.0.1:$PORT" \
  '[Pelko]' '关键词=k0#k1#k2#k3#k4#k5#k6#k7#k8#k9' '扫描数量=1' '间隔时间=1' '分割符号=#' '推送=' 'Server酱='
start_x
start_app

starts=() stops=() missed=0
for round in $(seq "$ROUNDS"); do
  before=$(service_events start)
  starts+=("$(answer_time toggle 5000)")
  # Into the pass: its first request out, then a random moment more.
  wait_for '[ "$(service_events start)" -gt "$before" ]' 10 || fail "no pass started in round $round"
  sleep "0.$((RANDOM % 9 + 1))"
  if [ "$(tail -n1 "$SERVICE_LOG" | cut -d' ' -f2)" = start ]; then
    stops+=("$(answer_time toggle 5000)")
  else
    missed=$((missed + 1))  # between requests or in the pause: not counted
    answer_time toggle 5000 >/dev/null
  fi
  sleep 0.3
done

summary() {
  local name=$1
  shift
  printf '%s\n' "$@" | sort -n | awk -v name="$name" '
    { v[NR] = $1; sum += $1 }
    END {
      if (NR == 0) { printf "%-30s no samples\n", name; exit }
      p90 = v[int((NR - 1) * 0.9) + 1]
      printf "%-30s n=%d  median %.1f ms  p90 %.1f ms  max %.1f ms  mean %.1f ms\n",
        name, NR, v[int((NR + 1) / 2)], p90, v[NR], sum / NR
    }'
}
echo "window_latency ($LAUNCHER): $ROUNDS rounds, 10 keywords x 200 ms per pass"
echo "  开始监控 (ms): ${starts[*]}"
echo "  停止监控 during a request (ms): ${stops[*]}"
summary "  开始监控" "${starts[@]}"
summary "  停止监控 during a request" "${stops[@]}"
[ "$missed" -eq 0 ] || echo "  ($missed stops fell between requests and are left out)"
