#!/usr/bin/python3
"""Loopback stand-in for the maker's operations and update servers.

Serves the channel report, the uninstall-reason list and report, the update
manifest and the file downloads on 127.0.0.1, logs every request as one JSON
line, and can be told to misbehave per route (at start with --fault, while
running with POST /_control) so the tests can drive every failure path.

Examples:
  testserver.py --port 0 --port-file /tmp/p --log /tmp/req.jsonl \
      --release /tmp/rel/OmbrixVPL --note "fixes"
  testserver.py --port 0 --port-file /tmp/p --fault stream=500@2 --fault reasons=notjson
  curl -d '{"stream":"truncate","manifest":"none"}' http://127.0.0.1:$(cat /tmp/p)/_control

Control and inspection (not logged themselves):
  POST /_control {"ROUTE":"MODE", "ROUTE2":"MODE@N", "ROUTE3":["MODE@1","MODE"]}
      replaces the rules of the named routes and restarts their request
      counters; "none" clears. The answer (and GET /_control) is the table.
  GET /_log  every request logged so far by this process, as a JSON array.

A rule MODE@N applies to the N-th request of its route only (1-based, every
attempt counts); a rule without @ applies to every request no @N rule
claims. HTTP
clients that reuse connections (Qt, curl) silently resend a request whose
connection was closed before any answer byte, so noanswer@N is usually
followed by a second, normal attempt; the log shows both.

Release folder DIR (--release): a file DIR/s/t/x is listed as name="x"
path="TOP/s/t", a file DIR/x as path="TOP/" (TOP = --top, default DIR's own
name), so the updater's sub-folder is "/s/t" or "/"; a download of
path=files/TOP/s/t/x (runs of "/" allowed) is served from DIR/s/t/x.

Python 3 standard library only.
"""

import argparse
import hashlib
import http.server
import json
import os
import re
import signal
import socket
import sys
import tempfile
import threading
import time
import urllib.parse
from xml.sax.saxutils import escape, quoteattr

PIECE = 64 * 1024
HUGE_SIZE = 8 * 1024 * 1024 * 1024
STALL_LIMIT = 600.0

DEFAULT_REASONS = {"rows": [
    {"id": 11, "order": 1, "reason": "太贵"},
    {"id": 12, "order": 2, "reason": "不好用"},
    {"id": 13, "order": 3, "reason": "速度慢"},
    {"id": 14, "order": 4, "reason": "换别的"},
]}

# (method, path) -> route name used by the fault table
ROUTES = {
    ("POST", "/clientChannel/clientChannelInfo"): "channel",
    ("GET", "/cms/uninstallReason/getPresentByType"): "reasons",
    ("POST", "/cms/uninstallReason/getUserUninstallReasonByType"): "report",
    ("GET", "/getVersionFile.htm"): "manifest",
    ("GET", "/getVersionStream.htm"): "stream",
}
ROUTE_NAMES = sorted(set(ROUTES.values()))
MODES = {"404", "500", "304", "notxml", "notjson", "norows", "noprefix",
         "wrongdigest", "truncate", "stall", "stallbody", "drip", "redirect",
         "endless", "huge", "noanswer"}

stopping = threading.Event()


def parse_query(raw):
    """Query items in order, percent-decoded only: Qt sends '+' literally."""
    items = []
    if not raw:
        return items
    for part in raw.split("&"):
        if part == "":
            continue
        k, _, v = part.partition("=")
        items.append([urllib.parse.unquote(k, errors="replace"),
                      urllib.parse.unquote(v, errors="replace")])
    return items


def parse_rule(text):
    """'MODE' or 'MODE@N' -> (mode, n or None); 'none' -> None."""
    mode, at, nth = text.partition("@")
    mode = mode.strip()
    if mode == "none":
        return None
    if mode not in MODES:
        raise ValueError("unknown fault mode %r" % mode)
    if at:
        n = int(nth)
        if n < 1:
            raise ValueError("fault counter starts at 1")
        return (mode, n)
    return (mode, None)


class State:
    """Everything the handler threads share, behind one lock."""

    def __init__(self, args):
        self.args = args
        self.lock = threading.Lock()
        self.rules = {r: [] for r in ROUTE_NAMES}
        self.counters = {r: 0 for r in ROUTE_NAMES}
        self.records = []
        self.logfile = open(args.log, "a", encoding="utf-8") if args.log else None
        self.hash_cache = {}
        self.port = 0

    def set_rules(self, route, rule_texts, reset_counter):
        rules = [r for r in (parse_rule(t) for t in rule_texts) if r is not None]
        with self.lock:
            self.rules[route] = rules
            if reset_counter:
                self.counters[route] = 0

    def next_fault(self, route):
        """Count this request and return the fault mode that applies to it."""
        with self.lock:
            self.counters[route] += 1
            n = self.counters[route]
            rules = self.rules[route]
            for mode, nth in rules:
                if nth == n:
                    return mode, n
            for mode, nth in rules:
                if nth is None:
                    return mode, n
            return None, n

    def faults_snapshot(self):
        with self.lock:
            return {r: [m if n is None else "%s@%d" % (m, n) for m, n in rs]
                    for r, rs in self.rules.items()}

    def log(self, record):
        line = json.dumps(record, ensure_ascii=False)
        with self.lock:
            self.records.append(record)
            if self.logfile:
                self.logfile.write(line + "\n")
                self.logfile.flush()

    def log_snapshot(self):
        with self.lock:
            return list(self.records)

    def sha1(self, path):
        st = os.stat(path)
        key = (path, st.st_size, st.st_mtime_ns, st.st_ino)
        with self.lock:
            if key in self.hash_cache:
                return self.hash_cache[key]
        h = hashlib.sha1()
        with open(path, "rb") as f:
            while True:
                piece = f.read(PIECE)
                if not piece:
                    break
                h.update(piece)
        digest = h.hexdigest()
        with self.lock:
            self.hash_cache[key] = digest
        return digest


def release_files(root):
    """(relative folder, name) of every regular file below root, sorted."""
    found = []
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames.sort()
        rel = os.path.relpath(dirpath, root)
        rel = "" if rel == "." else rel.replace(os.sep, "/")
        for name in sorted(filenames):
            if os.path.isfile(os.path.join(dirpath, name)):
                found.append((rel, name))
    found.sort(key=lambda t: (t[0] != "", t[0], t[1]))
    return found


def alter_digest(d):
    if not d:
        return "0"
    return d[:-1] + ("1" if d[-1] == "0" else "0")


class Handler(http.server.BaseHTTPRequestHandler):
    # Without it each request on a kept-alive connection waits ~20 ms for a delayed ACK.
    disable_nagle_algorithm = True
    protocol_version = "HTTP/1.1"
    server_version = "OmbrixTestServer/1"
    state = None  # set in main

    def log_message(self, fmt, *args):  # keep stderr quiet; the JSON log is the record
        pass

    # ---- request entry points -------------------------------------------

    def do_GET(self):
        self.dispatch("GET")

    def do_POST(self):
        self.dispatch("POST")

    def do_PUT(self):
        self.dispatch("PUT")

    def do_DELETE(self):
        self.dispatch("DELETE")

    def do_HEAD(self):
        self.dispatch("HEAD")

    def read_body(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            data = b""
            while True:
                size_line = self.rfile.readline()
                size = int(size_line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline() not in (b"\r\n", b"\n", b""):
                        pass
                    return data
                data += self.rfile.read(size)
                self.rfile.readline()
        n = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(n) if n > 0 else b""

    def dispatch(self, method):
        st = self.state
        url = urllib.parse.urlsplit(self.path)
        path, raw_query = url.path, url.query
        body = self.read_body()

        if path == "/_control":
            return self.control(method, body)
        if path == "/_log":
            return self.send_simple(200, json.dumps(st.log_snapshot(), ensure_ascii=False).encode(),
                                    "application/json; charset=utf-8")

        route = ROUTES.get((method, path))
        fault, n = (None, 0)
        if route:
            fault, n = st.next_fault(route)
        st.log({
            "method": method,
            "path": path,
            "query": raw_query,
            "query_items": parse_query(raw_query),
            "headers": dict(self.headers.items()),
            "body": body.decode("utf-8", errors="replace"),
            "time": time.time(),
            "route": route,
            "n": n,
            "fault": fault,
        })
        if route is None:
            return self.send_simple(404, b"not found", "text/plain")

        query = dict(parse_query(raw_query))
        try:
            if fault and self.generic_fault(fault):
                return
            getattr(self, "route_" + route)(query, fault)
        except (BrokenPipeError, ConnectionResetError, socket.timeout, OSError):
            self.close_connection = True

    # ---- control ---------------------------------------------------------

    def control(self, method, body):
        st = self.state
        if method == "POST":
            try:
                req = json.loads(body.decode("utf-8") or "{}")
                if not isinstance(req, dict):
                    raise ValueError("expected a JSON object")
                for route, value in req.items():
                    if route not in st.rules:
                        raise ValueError("unknown route %r" % route)
                    texts = value if isinstance(value, list) else [value]
                    for t in texts:
                        parse_rule(str(t))
                for route, value in req.items():
                    texts = value if isinstance(value, list) else [value]
                    st.set_rules(route, [str(t) for t in texts], True)
            except (ValueError, TypeError) as e:
                return self.send_simple(400, str(e).encode(), "text/plain")
        return self.send_simple(200, json.dumps(st.faults_snapshot()).encode(),
                                "application/json")

    # ---- plain answers ---------------------------------------------------

    def send_head(self, status, ctype, length, extra=None):
        self.send_response(status)
        if ctype:
            self.send_header("Content-Type", ctype)
        if length is not None:
            self.send_header("Content-Length", str(length))
        for k, v in (extra or {}).items():
            self.send_header(k, v)
        self.end_headers()

    def send_simple(self, status, data, ctype=None, fault=None):
        """A whole in-memory body, shaped by the body-level fault modes."""
        if fault == "truncate":
            self.send_head(status, ctype, len(data), {"Connection": "close"})
            self.wfile.write(data[: len(data) // 2])
            self.close_connection = True
            return
        if fault == "stallbody":
            self.send_head(status, ctype, len(data))
            self.wfile.write(data[: len(data) // 2])
            self.hold()
            return
        if fault == "drip":
            self.send_head(status, ctype, len(data))
            for i in range(len(data)):
                self.wfile.write(data[i:i + 1])
                if i + 1 < len(data) and stopping.wait(1.0):
                    break
            return
        self.send_head(status, ctype, len(data))
        if self.command != "HEAD" and data:
            self.wfile.write(data)

    def hold(self):
        """Keep the connection open and silent until the server stops."""
        self.wfile.flush()
        stopping.wait(STALL_LIMIT)
        self.close_connection = True

    def send_zeros(self, length):
        zeros = bytes(PIECE)
        sent = 0
        while not stopping.is_set() and (length is None or sent < length):
            piece = zeros if length is None else zeros[: min(PIECE, length - sent)]
            self.wfile.write(piece)
            sent += len(piece)

    def generic_fault(self, fault):
        """Faults that look the same on every route; True when handled."""
        if fault in ("404", "500"):
            self.send_simple(int(fault), b"")
        elif fault == "304":
            self.send_head(304, None, None)
        elif fault == "notxml":
            self.send_simple(200, b"this is not xml", "text/plain")
        elif fault == "notjson":
            self.send_simple(200, b"{not json", "application/json; charset=utf-8")
        elif fault == "norows":
            self.send_simple(200, b'{"total":0}', "application/json; charset=utf-8")
        elif fault == "stall":
            self.hold()
        elif fault == "redirect":
            loc = "http://127.0.0.2:%d%s" % (self.state.port, self.path)
            self.send_head(302, None, 0, {"Location": loc})
        elif fault == "endless":
            self.send_head(200, "application/octet-stream", None, {"Connection": "close"})
            self.close_connection = True
            self.send_zeros(None)
        elif fault == "huge":
            self.send_head(200, "application/octet-stream", HUGE_SIZE)
            self.close_connection = True
            self.send_zeros(HUGE_SIZE)
        elif fault == "noanswer":
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        else:
            return False
        return True

    # ---- routes ----------------------------------------------------------

    def route_channel(self, query, fault):
        self.send_simple(200, b"ok", "text/plain; charset=utf-8", fault)

    def route_report(self, query, fault):
        self.send_simple(200, b'{"code":0}', "application/json; charset=utf-8", fault)

    def route_reasons(self, query, fault):
        if self.state.args.reasons:
            with open(self.state.args.reasons, "rb") as f:
                data = f.read()
        else:
            data = json.dumps(DEFAULT_REASONS, ensure_ascii=False, separators=(",", ":")).encode("utf-8")
        self.send_simple(200, data, "application/json; charset=utf-8", fault)

    def route_manifest(self, query, fault):
        st = self.state
        version = query.get("version", "")
        prefix = st.args.prefix if st.args.prefix is not None else \
            "http://127.0.0.1:%d/" % st.port
        if st.args.manifest:
            with open(st.args.manifest, "r", encoding="utf-8") as f:
                text = f.read().replace("{PORT}", str(st.port))
            if fault == "noprefix":
                text = re.sub(r"<prefix\b[^>]*?(/>|>.*?</prefix>)", "", text, flags=re.S)
            if fault == "wrongdigest":
                text = re.sub(r'hashCode="([^"]*)"',
                              lambda m: 'hashCode="%s"' % alter_digest(m.group(1)), text, count=1)
        elif st.args.release:
            parts = ['<?xml version="1.0" encoding="UTF-8"?>',
                     "<root version=%s>" % quoteattr(version),
                     "<note>%s</note>" % escape(st.args.note), "<files>"]
            first = True
            for rel, name in release_files(st.args.release):
                digest = st.sha1(os.path.join(st.args.release, rel, name))
                if fault == "wrongdigest" and first:
                    digest = alter_digest(digest)
                first = False
                # a top-level file gets "TOP/" so the updater's sub-folder is "/"
                where = st.top + "/" + rel
                parts.append("<file name=%s path=%s hashCode=%s/>"
                             % (quoteattr(name), quoteattr(where), quoteattr(digest)))
            parts.append("</files>")
            if fault != "noprefix":
                parts.append("<prefix>%s</prefix>" % escape(prefix))
            parts.append("</root>")
            text = "".join(parts)
        else:
            return self.send_simple(404, b"no release configured", "text/plain")
        self.send_simple(200, text.encode("utf-8"), "text/xml; charset=utf-8", fault)

    def resolve_stream(self, wanted):
        """files/TOP/a/b/name (any run of '/') -> path below the release folder."""
        root = self.state.args.release
        if not root or not wanted.startswith("files/"):
            return None
        segs = wanted[len("files/"):].split("/")
        if any(s in ("..", ".") or "\\" in s or "\0" in s for s in segs):
            return None
        segs = [s for s in segs[1:] if s]  # drop the top word
        if not segs:
            return None
        full = os.path.join(root, *segs)
        real_root = os.path.realpath(root)
        if not os.path.realpath(full).startswith(real_root + os.sep):
            return None
        return full if os.path.isfile(full) else None

    def route_stream(self, query, fault):
        full = self.resolve_stream(query.get("path", ""))
        if full is None:
            return self.send_simple(404, b"no such file", "text/plain")
        size = os.path.getsize(full)
        ctype = "application/octet-stream"
        with open(full, "rb") as f:
            if fault == "drip":
                self.send_head(200, ctype, size)
                while not stopping.is_set():
                    b = f.read(1)
                    if not b:
                        break
                    self.wfile.write(b)
                    if stopping.wait(1.0):
                        break
                return
            limit = size
            extra = {}
            if fault in ("truncate", "stallbody"):
                limit = size // 2
                if fault == "truncate":
                    extra = {"Connection": "close"}
            length = size + 1 if fault == "wrongdigest" else size
            self.send_head(200, ctype, length, extra)
            if self.command == "HEAD":
                return
            sent = 0
            while sent < limit:
                piece = f.read(min(PIECE, limit - sent))
                if not piece:
                    break
                self.wfile.write(piece)
                sent += len(piece)
        if fault == "wrongdigest":
            self.wfile.write(b"\0")
        elif fault == "truncate":
            self.close_connection = True
        elif fault == "stallbody":
            self.hold()


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # a client going away mid-answer is routine here
        exc = sys.exc_info()[1]
        if isinstance(exc, (BrokenPipeError, ConnectionResetError, socket.timeout)):
            return
        super().handle_error(request, client_address)


def write_port_file(path, port):
    d = os.path.dirname(os.path.abspath(path))
    fd, tmp = tempfile.mkstemp(prefix=".port-", dir=d)
    with os.fdopen(fd, "w") as f:
        f.write("%d\n" % port)
    os.chmod(tmp, 0o644)
    os.replace(tmp, path)


def main():
    p = argparse.ArgumentParser(description="Loopback test server for the Ombrix set-up programs.")
    p.add_argument("--port", type=int, default=0, help="port on 127.0.0.1; 0 picks a free one")
    p.add_argument("--port-file", help="write the actual port here (atomically)")
    p.add_argument("--log", help="append one JSON line per request to this file")
    p.add_argument("--reasons", help="JSON file served as the uninstall-reason list")
    p.add_argument("--release", help="release folder: manifest and downloads are made from it")
    p.add_argument("--top", help="first word of every manifest path (default: release folder name)")
    p.add_argument("--manifest", help="serve this file verbatim as the manifest ({PORT} replaced)")
    p.add_argument("--note", default="修复若干问题", help="release note of the generated manifest")
    p.add_argument("--prefix", help="prefix text of the generated manifest (default http://127.0.0.1:PORT/)")
    p.add_argument("--fault", action="append", default=[], metavar="ROUTE=MODE[@N]",
                   help="routes: %s; modes: %s" % (", ".join(ROUTE_NAMES), ", ".join(sorted(MODES))))
    args = p.parse_args()

    if args.release:
        args.release = os.path.abspath(args.release)
        if not os.path.isdir(args.release):
            p.error("--release %s is not a folder" % args.release)
    state = State(args)
    if args.top:
        state.top = args.top
    elif args.release:
        state.top = os.path.basename(args.release.rstrip("/"))
    else:
        state.top = "OmbrixVPL"
    grouped = {}
    for item in args.fault:
        route, eq, rule = item.partition("=")
        if not eq or route not in state.rules:
            p.error("bad --fault %r (routes: %s)" % (item, ", ".join(ROUTE_NAMES)))
        try:
            parse_rule(rule)
        except ValueError as e:
            p.error(str(e))
        grouped.setdefault(route, []).append(rule)
    for route, rules in grouped.items():
        state.set_rules(route, rules, False)

    Handler.state = state
    server = Server(("127.0.0.1", args.port), Handler)
    state.port = server.server_address[1]
    if args.port_file:
        write_port_file(args.port_file, state.port)
    sys.stdout.write("%d\n" % state.port)
    sys.stdout.flush()

    def on_signal(signum, frame):
        stopping.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    t = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True)
    t.start()
    while not stopping.wait(0.5):
        pass
    server.shutdown()
    server.server_close()
    if state.logfile:
        state.logfile.flush()
    sys.stdout.flush()
    # stalled connections live in daemon threads; do not wait for them
    os._exit(0)


if __name__ == "__main__":
    main()
