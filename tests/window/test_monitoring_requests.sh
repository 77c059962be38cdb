#!/usr/bin/env bash
# 开始监控 asks the list API once per pass, a pass every interval; 停止监控
# ends it: once the current wait is over, no pass follows.
source "$(dirname "$0")/lib.sh"

command -v python3 >/dev/null || fail "python3 is needed for the loopback list API"
LOG="$WORK/requests.log"
: >"$LOG"
python3 - "$WORK/port" "$LOG" <<'PY' &
import http.server, sys, time
port_file, log = sys.argv[1], sys.argv[2]
class H(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(log, "a") as f:
            f.write("%.3f %s\n" % (time.monotonic(), self.path))
        body = b'{"data":{"rows":[]}}'
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *a):
        pass
s = http.server.HTTPServer(("127.0.0.1", 0), H)
open(port_file, "w").write(str(s.server_port))
s.serve_forever()
PY
SERVER_PID=$!
stop_server() { kill "$SERVER_PID" 2>/dev/null; wait "$SERVER_PID" 2>/dev/null || true; }
on_exit stop_server
wait_for '[ -s "$WORK/port" ]' 10 || fail "the loopback list API did not start"
PORT=$(cat "$WORK/port")

write_config '[Services]' "FeedBase=http://127.0.0.1:$PORT" \
  '[Pelko]' '关键词=Drumvel' '扫描数量=1' '间隔时间=1' '分割符号=#' '推送=' 'Server酱='
start_x
start_app

requests() { wc -l <"$LOG"; }
[ "$(requests)" -eq 0 ] || fail "requests before 开始监控"
click toggle
wait_for '[ "$(requests)" -ge 3 ]' 15 || fail "expected 3 passes within 15 s, saw $(requests)"
grep -q "keyword=%44%72%75%6D%76%65%6C&offset=0&limit=1&" "$LOG" || fail "unexpected query: $(head -n1 "$LOG")"
# Passes are an interval apart (loosely: the machine may be busy).
awk 'NR > 1 && $1 - prev < 0.8 { bad = 1 } { prev = $1 } END { exit bad }' "$LOG" ||
  fail "passes closer than the 1 s interval: $(cat "$LOG")"

click toggle   # 停止监控
sleep 1.5      # the wait under way ends, and no pass follows it
stopped=$(requests)
sleep 2.5
[ "$(requests)" -eq "$stopped" ] || fail "passes went on after 停止监控: $stopped then $(requests)"
