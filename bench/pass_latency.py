#!/usr/bin/env python3
"""Times whole `pelko-monitor --headless --once` passes over KEYWORDS keywords
against a loopback list API that takes DELAY seconds over every answer and
serves many at once, and prints each time with the number of answer delays
it amounts to (a pass one keyword after the other takes KEYWORDS of them).

The same pass against answers without delay gives the program's own cost
(start, settings, store), so the waiting shows on its own.  It also counts how many list requests the server held at the same moment.
Pushes are off, and every row is new only once: the figures are the queries.

usage: bench/pass_latency.py BUILD_DIR [--runs N] [--keywords 10] [--delay 0.2]
"""
import argparse, http.server, json, os, shutil, statistics, subprocess, sys, tempfile, threading, time

state = {"delay": 0.2, "now": 0, "most": 0}
lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with lock:
            state["now"] += 1
            state["most"] = max(state["most"], state["now"])
        try:
            time.sleep(state["delay"])
        finally:
            # Counted out before the answer goes: the program may send its
            # next request as soon as it has read this one.
            with lock:
                state["now"] -= 1
        body = json.dumps({"error_code": 0, "data": {"rows": []}}).encode()
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--keywords", type=int, default=10)
    ap.add_argument("--delay", type=float, default=0.2)
    args = ap.parse_args()
    state["delay"] = args.delay
    binary = os.path.join(args.build, "pelko-monitor")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.request_queue_size = 64
    threading.Thread(target=server.serve_forever, daemon=True).start()
    work = tempfile.mkdtemp(prefix="pelko-bench-")
    try:
        exe = os.path.join(work, "pelko-monitor")
        shutil.copy(binary, exe)
        keywords = "#".join("关键词%d" % i for i in range(args.keywords))
        config = ("[Pelko]\r\n关键词=%s\r\n扫描数量=20\r\n间隔时间=1\r\n分割符号=#\r\n推送=\r\nServer酱=\r\n"
                  "[Services]\r\nFeedBase=http://127.0.0.1:%d\r\n" % (keywords, server.server_port))
        with open(os.path.join(work, "config.ini"), "wb") as f:
            f.write(config.encode("gbk"))
        def timed(delay):
            state["delay"], state["most"] = delay, 0
            times = []
            for _ in range(args.runs):
                start = time.perf_counter()
                subprocess.run([exe, "--headless", "--once"], check=True, stdout=subprocess.DEVNULL)
                times.append(time.perf_counter() - start)
            return statistics.median(times), min(times), max(times), state["most"]

        own = timed(0.0)[0]
        median, low, high, most = timed(args.delay)
        print("%d keywords, %.0f ms per answer: median %.0f ms over %d runs (min %.0f, max %.0f)" % (
            args.keywords, args.delay * 1000, median * 1000, args.runs, low * 1000, high * 1000))
        print("  the program's own cost (answers without delay): %.0f ms" % (own * 1000))
        print("  waiting: %.0f ms = %.2f answer delays (one keyword after the other: %d)" % (
            (median - own) * 1000, (median - own) / args.delay, args.keywords))
        print("  most list requests held at once: %d" % most)
    finally:
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
