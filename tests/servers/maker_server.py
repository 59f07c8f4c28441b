"""A local stand-in for the maker's web server, for the news and version
checks' tests.

    /usr/bin/python3 maker_server.py PORT

Serves 127.0.0.1 until it is terminated.

GET /serplow_news.txt and GET /serplow-ver.txt answer what the test set for
them; nothing set answers 404. A test sets a page with

    POST /set/news or POST /set/version ?status=CODE&last-modified=TEXT&date=TEXT

whose body becomes the page's body. The answer has the status (default 200),
a "Last-Modified:" line only when last-modified is given, and a "Date:" line
with the given text (none when date is "none", the current time when it is
not given).

GET /requests answers, one line per path asked for since the last reset,
the path, the number of requests and how many of them came through a proxy
(with a Via header). GET /reset forgets the requests and the pages.
"""
import email.utils
import http.server
import socketserver
import sys
import threading
import urllib.parse

PAGES = {"/serplow_news.txt": "news", "/serplow-ver.txt": "version"}


class State:
    lock = threading.Lock()
    pages = {}
    counts = {}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, code, body, last_modified=None, date=None):
        # Written by hand: send_response would add a Date line of its own.
        self.send_response_only(code)
        if date != "none":
            self.send_header("Date", date or email.utils.formatdate(usegmt=True))
        if last_modified is not None:
            self.send_header("Last-Modified", last_modified)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        if path == "/requests":
            with State.lock:
                text = "".join(f"{p} {n} {v}\n" for p, (n, v) in sorted(State.counts.items()))
            self.answer(200, text.encode())
            return
        if path == "/reset":
            with State.lock:
                State.counts.clear()
                State.pages.clear()
            self.answer(200, b"reset")
            return
        with State.lock:
            n, via = State.counts.get(path, (0, 0))
            State.counts[path] = (n + 1, via + (1 if self.headers.get("Via") else 0))
            page = State.pages.get(PAGES.get(path))
        if page is None:
            self.answer(404, b"<html>Not found</html>")
        else:
            self.answer(page["status"], page["body"], page["last_modified"], page["date"])

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        name = url.path[len("/set/"):] if url.path.startswith("/set/") else ""
        if name not in PAGES.values():
            self.answer(404, b"no such page")
            return
        with State.lock:
            State.pages[name] = {"status": int(query.get("status", "200")), "body": body,
                                 "last_modified": query.get("last-modified"),
                                 "date": query.get("date")}
        self.answer(200, b"set")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    Server(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()


if __name__ == "__main__":
    main()
