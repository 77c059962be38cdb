#!/usr/bin/env python3
"""Times whole `pelko-monitor --headless --once` runs of a first pass that
finds 100 new reports, against loopback services that accept everything:
without push targets, with ServerChan only, and with both (DingTalk then takes
20 and the other 80 wait for the next minute in the outbox).

usage: bench/first_pass.py BUILD_DIR [--runs N]
"""
import argparse, http.server, json, os, shutil, statistics, subprocess, tempfile, threading, time

ROWS = 100


def answer():
    return json.dumps({"error_code": 0, "data": {"rows": [
        {"article_mall": "商城%d" % (i % 7), "article_url": "https://deal.example/p/%d" % i,
         "article_subtitle": "%d.9元" % i, "article_title": "好价商品 %d" % i,
         "article_referrals": "爆料人%d" % i, "publish_date_lt": 1600000000 + i,
         "article_pic": "https://img.example/%d.jpg" % i, "article_price": str(i),
         "article_id": "new%d" % i} for i in range(ROWS)]}}, ensure_ascii=True).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    feed = answer()

    def reply(self, body):
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        self.reply(self.feed)

    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.reply(b'{"errcode":0,"errmsg":"ok"}' if self.path.startswith("/robot/") else b'{"code":0,"message":""}')

    def log_message(self, *args):
        pass


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base = "http://127.0.0.1:%d" % server.server_address[1]
    exe = os.path.join(args.build, "pelko-monitor")
    for name, token, key in [("no push target", "", ""), ("ServerChan only", "", "SCKEY"),
                             ("DingTalk and ServerChan", "TOKEN", "SCKEY")]:
        times, last = [], ""
        for _ in range(args.runs):
            folder = tempfile.mkdtemp(prefix="pelko-first-pass-")
            shutil.copy(exe, folder)
            config = ("[Pelko]\r\n关键词=k\r\n扫描数量=%d\r\n间隔时间=1\r\n分割符号=#\r\n推送=%s\r\nServer酱=%s\r\n"
                      "[Services]\r\nFeedBase=%s\r\nDingTalkBase=%s\r\nServerChanBase=%s\r\n"
                      % (ROWS, token, key, base, base, base))
            with open(os.path.join(folder, "config.ini"), "wb") as f:
                f.write(config.encode("gbk"))
            start = time.perf_counter()
            out = subprocess.run([os.path.join(folder, "pelko-monitor"), "--headless", "--once"],
                                 capture_output=True, check=True).stdout.decode()
            times.append(time.perf_counter() - start)
            last = [l for l in out.splitlines() if " pass: " in l][-1].split(" pass: ")[1]
            shutil.rmtree(folder)
        print("%-24s median %6.0f ms (min %.0f, max %.0f)  %s" % (
            name, statistics.median(times) * 1000, min(times) * 1000, max(times) * 1000, last))


if __name__ == "__main__":
    main()
