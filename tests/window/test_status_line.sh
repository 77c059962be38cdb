#!/usr/bin/env bash
# The status line against loopback services: 测试推送 shows each target's
# answer (DingTalk refuses with 310000, ServerChan accepts) and takes no
# second click while it runs; a pass shows its numbers, the refusal with its
# reason and a countdown; a stop keeps the last result.  The program writes
# every status text to PELKO_STATUS_LOG.
source "$(dirname "$0")/lib.sh"

command -v python3 >/dev/null || fail "python3 is needed for the loopback services"
REQUESTS="$WORK/requests.log"
: >"$REQUESTS"
python3 - "$WORK/port" "$REQUESTS" <<'PY' &
import http.server, json, sys, time
port_file, log = sys.argv[1], sys.argv[2]
ROW = {"article_mall": "m", "article_url": "https://deal.example/p/1", "article_subtitle": "9.9",
       "article_title": "t", "article_referrals": "r", "publish_date_lt": 1600000000,
       "article_pic": "https://img.example/1.jpg", "article_price": "1", "article_id": "1"}
class H(http.server.BaseHTTPRequestHandler):
    def answer(self, obj):
        body = json.dumps(obj).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def do_GET(self):
        with open(log, "a") as f: f.write("GET %s\n" % self.path)
        self.answer({"error_code": 0, "data": {"rows": [ROW]}})
    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with open(log, "a") as f: f.write("POST %s\n" % self.path)
        if self.path.startswith("/robot/send"):
            time.sleep(1)  # long enough for a second click on 测试推送
            self.answer({"errcode": 310000, "errmsg": "keywords not in content"})
        else:
            self.answer({"code": 0, "message": ""})
    def log_message(self, *a):
        pass
s = http.server.ThreadingHTTPServer(("127.0.0.1", 0), H)
open(port_file, "w").write(str(s.server_port))
s.serve_forever()
PY
SERVER_PID=$!
stop_server() { kill "$SERVER_PID" 2>/dev/null; wait "$SERVER_PID" 2>/dev/null || true; }
on_exit stop_server
wait_for '[ -s "$WORK/port" ]' 10 || fail "the loopback services did not start"
BASE="http://127.0.0.1:$(cat "$WORK/port")"

write_config '[Services]' "FeedBase=$BASE" "DingTalkBase=$BASE" "ServerChanBase=$BASE" \
  '[Pelko]' '关键词=Drumvel' '扫描数量=1' '间隔时间=30' '分割符号=#' '推送=TOKEN12345678' \
  'Server酱=SCKEY12345678' '钉钉加签='
# A name relative to the program's folder, which both builds start in.
export PELKO_STATUS_LOG=status.log
STATUS="$APP_DIR/status.log"
start_x
start_app

# Waits for a status text holding the fixed string $1.
expect_status() {
  local want=$1
  wait_for 'grep -qF -- "$want" "$STATUS" 2>/dev/null' "${2:-15}" ||
    fail "no status text with '$want'; the texts were:$(sed 's/^/\n  /' "$STATUS" 2>/dev/null)"
}

expect_status "未在监控" 5
click testpush
# Again while the first one runs; a little off the centre, since a move to
# where the pointer already is would wait for nothing.
click_at 305 417
expect_status "测试推送 钉钉 TOKE…: 310000 keywords not in content | 测试推送 Server酱 SCKE… 已送达"
sleep 1.5  # a second test push, had one started, would have been asked by now
[ "$(grep -c '^POST' "$REQUESTS")" -eq 2 ] || fail "测试推送 made $(grep -c '^POST' "$REQUESTS") pushes, not 2: $(cat "$REQUESTS")"
grep -q '^GET' "$REQUESTS" && fail "测试推送 asked the list API"

click toggle
expect_status "关键词1 行1 新1 送达1 待发1 下轮30秒"
expect_status "钉钉: 310000 keywords not in content"
# The countdown moves once a second.
expect_status "下轮27秒" 10
keep_screenshot status
click toggle
expect_status "已停止 "
last=$(tail -n1 "$STATUS")
case "$last" in
  "已停止 "*"关键词1 行1 新1 送达1 待发1 | 钉钉: 310000 keywords not in content") ;;
  *) fail "after the stop the status line says '$last'" ;;
esac
if grep -q "TOKEN12345678\|SCKEY12345678" "$STATUS"; then fail "a token or key shown in full:"; fi
