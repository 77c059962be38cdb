# Loopback stand-ins for the list API and DingTalk that take their time:
#   slow_services.py PORT-FILE LOG LIST-SECONDS DINGTALK
# Every list answer comes LIST-SECONDS after the request and carries one row
# named after the keyword (shop "shop", id = the keyword).  DINGTALK "ok"
# accepts every push at once; "hold" keeps each push unanswered until the
# file LOG.accept exists.  LOG gets one line per event, stamped with the
# monotonic clock: "start <path>", "answered", "closed" (the client went).
import http.server, os, select, socket, sys, time, urllib.parse

port_file, log, list_seconds, dingtalk = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4]


def note(what):
    with open(log, "a") as f:
        f.write("%.3f %s\n" % (time.monotonic(), what))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def gone(self):
        r, _, _ = select.select([self.connection], [], [], 0)
        if not r:
            return False
        try:
            return self.connection.recv(1, socket.MSG_PEEK) == b""
        except OSError:
            return True

    # Waits until `done()` or the client has closed; False when it closed.
    def hold(self, done):
        while not done():
            if self.gone():
                note("closed")
                return False
            time.sleep(0.01)
        return True

    def answer(self, body):
        body = body.encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        note("answered")

    def do_GET(self):
        note("start " + self.path)
        due = time.monotonic() + list_seconds
        if not self.hold(lambda: time.monotonic() >= due):
            return
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(self.path).query)
        keyword = query.get("keyword", [""])[0]
        row = ('{"article_mall":"shop","article_url":"https://deal.example/%s","article_subtitle":"9.9",'
               '"article_title":"t","article_referrals":"ann","publish_date_lt":1600000000,'
               '"article_pic":"","article_price":"1","article_id":"%s"}') % (keyword, keyword)
        self.answer('{"error_code":0,"data":{"rows":[%s]}}' % row)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        self.rfile.read(length)
        note("start " + self.path)
        if dingtalk == "hold" and not self.hold(lambda: os.path.exists(log + ".accept")):
            return
        self.answer('{"errcode":0,"errmsg":"ok"}')

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
with open(port_file + ".tmp", "w") as f:
    f.write(str(server.server_port))
os.rename(port_file + ".tmp", port_file)
server.serve_forever()
