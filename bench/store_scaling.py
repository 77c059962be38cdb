#!/usr/bin/env python3
"""Times whole `pelko-monitor --headless --once` passes over a 50-row answer of
a loopback list API, with reported-items stores of growing size, and prints
each time as a ratio to the empty store.

Two cases per store size: all 50 rows new (each is looked up, marked and
written) and all 50 rows already reported (lookups only).  Pushes are off so
the store's own cost is what shows.

With --cpu the program's CPU time (user and system) is timed instead of the
wall clock: on a machine shared with other work it varies far less, though
it leaves out the time spent waiting for the disk.

usage: bench/store_scaling.py BUILD_DIR [--runs N] [--sizes 0,10000,...] [--cpu]
"""
import argparse, http.server, json, os, resource, shutil, statistics, subprocess, sys, tempfile, threading, time

ROWS = 50
SHOPS = 400


def answer(rows):
    return json.dumps({"error_code": 0, "data": {"rows": [
        {"article_mall": "商城%d" % (i % SHOPS), "article_url": "https://deal.example/p/%d" % i,
         "article_subtitle": "%d.9元" % i, "article_title": "好价商品 %d \u5305\u90ae" % i,
         "article_referrals": "爆料人%d" % i, "publish_date_lt": 1600000000 + i,
         "article_pic": "https://img.example/%d.jpg" % i, "article_price": str(i),
         "article_id": "new%d" % i} for i in range(rows)]}}, ensure_ascii=True).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    body = answer(ROWS)

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(self.body)))
        self.end_headers()
        self.wfile.write(self.body)

    def log_message(self, *args):
        pass


def store_text(entries, with_rows):
    """The store in code page 936 with CR LF; `with_rows` adds the 50 rows."""
    sections = {}
    for n in range(entries):
        sections.setdefault(n % SHOPS, []).append("%d=爆料人%d" % (n, n % 977))
    if with_rows:
        for i in range(ROWS):
            sections.setdefault(i % SHOPS, []).append("new%d=爆料人%d" % (i, i))
    out = []
    for shop in sorted(sections):
        out.append("[商城%d]" % shop)
        out.extend(sections[shop])
    return ("\r\n".join(out) + ("\r\n" if out else "")).encode("gbk")


def cpu_of_children():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--sizes", default="0,10000,200000,1000000")
    ap.add_argument("--cpu", action="store_true", help="time CPU use rather than the wall clock")
    args = ap.parse_args()
    binary = os.path.join(args.build, "pelko-monitor")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    work = tempfile.mkdtemp(prefix="pelko-bench-")
    try:
        exe = os.path.join(work, "pelko-monitor")
        shutil.copy(binary, exe)
        config = ("[Pelko]\r\n关键词=bench\r\n扫描数量=50\r\n间隔时间=1\r\n分割符号=#\r\n推送=\r\nServer酱=\r\n"
                  "[Services]\r\nFeedBase=http://127.0.0.1:%d\r\n" % server.server_port)
        with open(os.path.join(work, "config.ini"), "wb") as f:
            f.write(config.encode("gbk"))
        store = os.path.join(work, "已爆料商品.ini")
        results = {}
        for size in [int(s) for s in args.sizes.split(",")]:
            for case, with_rows in (("new", False), ("known", True)):
                template = store_text(size, with_rows)
                times = []
                for _ in range(args.runs):
                    with open(store, "wb") as f:
                        f.write(template)
                    start, used = time.perf_counter(), cpu_of_children()
                    subprocess.run([exe, "--headless", "--once"], check=True, stdout=subprocess.DEVNULL)
                    times.append(cpu_of_children() - used if args.cpu else time.perf_counter() - start)
                results[(size, case)] = statistics.median(times)
                print("store %8d entries, rows %-5s: %7.1f ms %s(median of %d, file %.1f MB)" % (
                    size, case, results[(size, case)] * 1000, "CPU " if args.cpu else "",
                    args.runs, len(template) / 1e6), flush=True)
        print("\nratio to the empty store:")
        for case in ("new", "known"):
            base = results[(int(args.sizes.split(",")[0]), case)]
            print("  rows %-5s " % case + "  ".join("%d: %.2f" % (size, results[(size, case)] / base)
                                                 for size, c in results if c == case))
    finally:
        server.shutdown()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
