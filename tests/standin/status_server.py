#!/usr/bin/env python3
"""Stand-in for the messenger provider's online-status server, reached as an HTTP proxy.

The lookup asks for http://amos.alicdn.com/online.ww?v=2&uid=ACCOUNT&s=1. With http_proxy pointing
here, the lookup sends that absolute address in the request line; this server answers it by
account (the uid value, percent-decoded to code-page bytes):

  online, tolvarin, 张三 (%D5%C5%C8%FD)   200, 4944 bytes: online
  size-4943, size-4945                   200, 4943 / 4945 bytes: offline
  error-404, error-500                   404 / 500 with a 4944-byte body (reads as online if the
                                         status code is ignored)
  dropped                                the connection closes without an answer
  truncated                              Content-Length 4944, 2000 bytes, then the connection closes
  trickle-9, trickle-11                  200, Content-Length 4944, the bytes trickle in and the
                                         last arrives after 9 / 11 seconds
  size-10mb                              200, 10 MiB: offline
  redirect                               302 to /moved on the same host, which answers 4944 bytes
  redirect-loop, redirect-ftp            301 to its own address / 302 to an ftp: address
  logon-silent                           a proxy that asks Pellucor's own GET to log on (407) and
                                         never answers WinINet's (without "Connection: close")
  set-cookie                             200, 4944 bytes, a lasting cookie; 500 to any cookie sent
  size-100mb, no-length-100mb            200, 100 MiB with / without a length; the latter notes what
                                         went out before the client closed ("# sent N")
  chunked                                200, 4944 bytes in chunks, no length: online
  no-length                              200, 4944 bytes, no length, ended by closing: online
  gzip                                   200, 4944 bytes sent gzip-compressed (when the request
                                         accepts gzip): online
  online-once                            200, 4944 bytes the first time it is asked; 500 after
  comes-online                           offline the first time it is asked; online after
  silent                                 accepted, never answered; closed after SILENT_SECONDS or
                                         when the server stops
  trickle-head, trickle-body             the head / a 4944-byte body (its head at once) one byte a
                                         second, until the client closes ("# closed ACCOUNT ...")
  endless-head                           a head of 1 KB lines at full speed that never ends, until
                                         the client closes ("# closed endless-head")
  any other account, the empty one too   200, 4911 bytes: offline

Any other host or path gets 404. Every request line is appended to the log file.

  status_server.py --run [--log PATH] -- CMD...
      Starts the server, runs CMD with http_proxy=http://127.0.0.1:PORT and STANDIN_LOG=PATH in its
      environment, stops the server and exits with CMD's exit code (124 when CMD outlives
      --timeout seconds and is killed).
  status_server.py --serve [--port N] [--seconds S] [--log PATH]
      Serves until interrupted or for S seconds (default 3600); prints the port first.
"""

import argparse
import gzip
import http.server
import os
import select
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

STATUS_HOST = "amos.alicdn.com"
STATUS_PATH = "/online.ww"
ONLINE_SIZE = 4944
OFFLINE_SIZE = 4911
TRUNCATED_SENT = 2000
TRICKLE_STEPS = 20
MOVED_PATH = "/moved"
SILENT_SECONDS = 15
IDLE_SECONDS = 20  # an idle connection is closed after this long

SIZES = {
    "online".encode(): ONLINE_SIZE,
    "tolvarin".encode(): ONLINE_SIZE,
    "张三".encode("gbk"): ONLINE_SIZE,
    b"gzip": ONLINE_SIZE,
    b"size-4943": 4943,
    b"size-4945": 4945,
    b"size-10mb": 10 * 1024 * 1024,
}


def body(size):
    """An answer of the given size that looks like a small web page."""
    head = b"<html><body>status</body></html>\n"
    return (head + b"." * size)[:size]


class StatusServer(http.server.ThreadingHTTPServer):
    daemon_threads = True
    block_on_close = False

    def __init__(self, port, log_path):
        super().__init__(("127.0.0.1", port), StatusHandler)
        self.log_path = log_path
        self.log_lock = threading.Lock()
        self.stopping = threading.Event()
        self.online_once_asked = False
        self.comes_online_asked = False

    def record(self, line):
        if not self.log_path:
            return
        with self.log_lock, open(self.log_path, "a", encoding="latin-1") as log:
            log.write(line + "\n")

    def stop(self):
        self.stopping.set()  # releases the silent answers
        self.shutdown()
        self.server_close()


class StatusHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    timeout = IDLE_SECONDS

    def log_message(self, format, *args):  # quiet: the request log is the record
        pass

    def do_GET(self):
        self.server.record(self.requestline)
        if self.headers.get("Cookie"):
            self.answer(500, body(ONLINE_SIZE))
            return
        url = urllib.parse.urlsplit(self.path)
        host = url.hostname or (self.headers.get("Host") or "").split(":")[0]
        if host == STATUS_HOST and url.path == MOVED_PATH:
            self.answer(200, body(ONLINE_SIZE))
            return
        if host != STATUS_HOST or url.path != STATUS_PATH:
            self.answer(404, body(100))
            return
        uid = b""
        for pair in url.query.split("&"):
            key, _, value = pair.partition("=")
            if key == "uid":
                uid = urllib.parse.unquote_to_bytes(value)
                break
        if uid.startswith(b"error-") and uid[6:].isdigit():
            self.answer(int(uid[6:]), body(ONLINE_SIZE))
        elif uid == b"comes-online":
            size = ONLINE_SIZE if self.server.comes_online_asked else OFFLINE_SIZE
            self.server.comes_online_asked = True
            self.answer(200, body(size))
        elif uid == b"online-once":
            code = 500 if self.server.online_once_asked else 200
            self.server.online_once_asked = True
            self.answer(code, body(ONLINE_SIZE))
        elif uid == b"dropped":
            self.close_connection = True
        elif uid == b"truncated":
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(ONLINE_SIZE))
            self.end_headers()
            self.wfile.write(body(ONLINE_SIZE)[:TRUNCATED_SENT])
            self.wfile.flush()
            self.close_connection = True
        elif uid == b"gzip" and "gzip" in (self.headers.get("Accept-Encoding") or ""):
            self.answer(200, gzip.compress(body(ONLINE_SIZE)), encoding="gzip")
        elif uid.startswith(b"trickle-") and uid[8:].isdigit():
            self.trickle(body(ONLINE_SIZE), int(uid[8:]))
        elif uid == b"redirect":
            self.send_response(302)
            self.send_header("Location", "http://%s%s?uid=redirect" % (STATUS_HOST, MOVED_PATH))
            self.send_header("Content-Length", "0")
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
        elif uid == b"logon-silent" and self.headers.get("Connection") == "close":
            self.send_response(407)
            self.send_header("Proxy-Authenticate", 'Basic realm="stand-in"')
            self.send_header("Content-Length", "0")
            self.end_headers()
            self.close_connection = True
        elif uid in (b"silent", b"logon-silent"):
            self.server.stopping.wait(SILENT_SECONDS)
            self.close_connection = True
        elif uid in (b"redirect-loop", b"redirect-ftp"):
            self.send_response(301 if uid == b"redirect-loop" else 302)
            self.send_header("Location", "ftp://%s/online" % STATUS_HOST if uid == b"redirect-ftp"
                             else "http://%s%s" % (STATUS_HOST, self.path.split(STATUS_HOST)[-1]))
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif uid == b"set-cookie":
            self.answer(200, body(ONLINE_SIZE),
                        cookie="seen=1; Path=/; Expires=Fri, 01 Jan 2100 00:00:00 GMT")
        elif uid in (b"size-100mb", b"no-length-100mb"):
            self.stream(100 * 1024 * 1024, announced=uid == b"size-100mb")
        elif uid == b"chunked":
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.send_header("Connection", "close")
            self.end_headers()
            data = body(ONLINE_SIZE)
            for start in range(0, len(data), 1000):
                chunk = data[start:start + 1000]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(chunk), chunk))
            self.wfile.write(b"0\r\n\r\n")
            self.close_connection = True
        elif uid == b"no-length":
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body(ONLINE_SIZE))
            self.close_connection = True
        elif uid in (b"trickle-head", b"trickle-body", b"endless-head"):
            self.never_end(uid)
        else:
            self.answer(200, body(SIZES.get(uid, OFFLINE_SIZE)))

    def trickle(self, data, seconds):
        """Sends the answer in steps, the last one `seconds` after the request."""
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()
        step = -(-len(data) // TRICKLE_STEPS)
        started = time.monotonic()
        for i in range(TRICKLE_STEPS):
            due = started + seconds * (i + 1) / TRICKLE_STEPS
            if self.server.stopping.wait(max(0.0, due - time.monotonic())):
                break
            try:
                self.wfile.write(data[i * step:(i + 1) * step])
                self.wfile.flush()
            except OSError:  # the client gave up
                break
        self.close_connection = True

    def never_end(self, uid):
        """Sends until the client lets go, noting when it does."""
        head = b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n" % ONLINE_SIZE
        if uid == b"trickle-body":
            self.wfile.write(head + b"\r\n")
            pieces = (bytes([c]) for c in body(ONLINE_SIZE))
        elif uid == b"trickle-head":
            pieces = (bytes([c]) for c in head + b"X-Pad: " + b"." * ONLINE_SIZE)
        else:
            self.wfile.write(head)
            pieces = iter(lambda: b"X-Pad: " + b"." * 1024 + b"\r\n", None)
        self.connection.setblocking(True)
        started = time.monotonic()
        for piece in pieces:
            try:
                self.wfile.write(piece)
                self.wfile.flush()
                if uid != b"endless-head":  # a second between bytes, watching for the close
                    readable, _, _ = select.select([self.connection], [], [], 1.0)
                    if readable and not self.connection.recv(1, socket.MSG_PEEK):
                        break
            except OSError:
                break
            if self.server.stopping.is_set():
                return
        self.server.record("# closed %s %.2f s after the request"
                           % (uid.decode(), time.monotonic() - started))
        self.close_connection = True

    def stream(self, size, announced):
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 4096)
        self.send_response(200)
        self.send_header("Content-Length" if announced else "Connection",
                         str(size) if announced else "close")
        self.end_headers()
        sent = 0
        try:
            while sent < size:
                sent += self.wfile.write(b"." * 4096)
        except OSError:  # the client closed
            pass
        if not announced:
            self.server.record("# sent %d" % sent)
        self.close_connection = True

    def answer(self, code, data, encoding=None, cookie=None):
        self.send_response(code)
        self.send_header("Content-Type", "text/html")
        if encoding:
            self.send_header("Content-Encoding", encoding)
        if cookie:
            self.send_header("Set-Cookie", cookie)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        try:
            self.wfile.write(data)
        except OSError:  # the client read what it needed and closed
            pass
        self.close_connection = True


def start(port, log_path):
    server = StatusServer(port, log_path)
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2})
    thread.daemon = True
    thread.start()
    return server, thread


def run(command, log_path, timeout):
    made_log = log_path is None
    if made_log:
        fd, log_path = tempfile.mkstemp(prefix="standin-", suffix=".log")
        os.close(fd)
    server, thread = start(0, log_path)
    env = dict(os.environ)
    for name in ("no_proxy", "NO_PROXY", "https_proxy", "HTTPS_PROXY", "HTTP_PROXY"):
        env.pop(name, None)
    env["http_proxy"] = "http://127.0.0.1:%d" % server.server_address[1]
    env["STANDIN_LOG"] = os.path.abspath(log_path)
    child = subprocess.Popen(command, env=env)
    try:
        code = child.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        print("status_server: command still running after %d s, killed" % timeout, file=sys.stderr)
        child.kill()
        child.wait(timeout=10)
        code = 124
    finally:
        server.stop()
        thread.join(timeout=5)
        if made_log:
            os.unlink(log_path)
    return code


def serve(port, log_path, seconds):
    server, thread = start(port, log_path)
    print("status server on 127.0.0.1 port %d; use http_proxy=http://127.0.0.1:%d"
          % (server.server_address[1], server.server_address[1]), flush=True)
    deadline = time.monotonic() + seconds
    try:
        while time.monotonic() < deadline:
            time.sleep(min(1.0, max(0.0, deadline - time.monotonic())))
    except KeyboardInterrupt:
        pass
    finally:
        server.stop()
        thread.join(timeout=5)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--run", action="store_true", help="run a command against the server")
    mode.add_argument("--serve", action="store_true", help="serve for a demo")
    parser.add_argument("--port", type=int, default=0, help="port to serve on (default: any free)")
    parser.add_argument("--log", help="request log file (--run default: a temporary file)")
    parser.add_argument("--seconds", type=int, default=3600, help="--serve: stop after this long")
    parser.add_argument("--timeout", type=int, default=600, help="--run: kill CMD after this long")
    parser.add_argument("command", nargs=argparse.REMAINDER, help="-- CMD...")
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if args.run:
        if not command:
            parser.error("--run needs a command after --")
        return run(command, args.log, args.timeout)
    return serve(args.port, args.log, args.seconds)


if __name__ == "__main__":
    sys.exit(main())
