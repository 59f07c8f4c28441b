"""A local search-result server for the search driver's tests, the
"Local" engine and the check benchmark.

    /usr/bin/python3 serp_server.py PORT [--tls-port PORT --cert FILE --key FILE]

Serves 127.0.0.1 (and answers to "localhost") until it is terminated. With
--tls-port it also serves HTTPS on a second port.

GET /search?q=KEYWORD&start=N answers the result page that starts after
result N (10 results a page, numbered from N + 1). The keyword is decoded
from UTF-8, or from Latin-1 when it is not UTF-8. Words of the keyword
written as name:value choose what the server does; the other words are the
keyword itself:

    at:N          the tracked site (SITE below) is result N
    total:N       the number of results (default 100)
    layout:NAME   the page's markup: classic (default), cards or table
    via-proxy     SITE is listed only when the request came through a proxy
                  (it carries a Via header)
    redirect:abs  the first request is redirected to /found with an absolute
                  address; redirect:rel with the path only, in mixed case
                  (/Found: the case must be kept); redirect:port to
                  http://localhost:PORT/found
    cookie        the page is served only to a request that brings back the
                  cookie the first answer set (the first answer redirects to
                  the same address)
    hosts         cookies per host: 127.0.0.1 sets a cookie and redirects to
                  localhost, which sets another and redirects back; the page
                  comes only when 127.0.0.1 gets its own cookie and not the
                  other host's
    https         the first request is redirected to the same page over HTTPS
    contentloc    the page comes with a Content-Location header (no redirect)
    nul           the page holds NUL bytes between its results
    slow:SECONDS  the answer waits that long before it is sent
    error:CODE    every answer has that status (and no results)

Result i is http://www.result-i.test/page-i.html titled "Result i for
KEYWORD &amp; more" with the description "About <b>KEYWORD</b>", and
the tracked site's result is http://www.example-site.test/home.html.

GET /requests answers how many requests the server has seen, one line per
path (for tests that count requests); GET /reset forgets them.
"""
import argparse
import html
import http.server
import socketserver
import ssl
import threading
import time
import urllib.parse

SITE = "www.example-site.test"
PAGE_SIZE = 10
COOKIE = "serp_session"
HOST_COOKIES = {"127.0.0.1": "first_host", "localhost": "second_host"}


class State:
    lock = threading.Lock()
    counts = {}
    http_port = 0
    tls_port = 0


def decode_keyword(raw):
    data = urllib.parse.unquote_to_bytes(raw.replace("+", " "))
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("latin-1")


def parse_keyword(text):
    options, words = {}, []
    for word in text.split():
        name, colon, value = word.partition(":")
        if name in ("at", "total", "layout", "redirect", "slow", "error") and colon:
            options[name] = value
        elif word in ("via-proxy", "cookie", "hosts", "https", "contentloc", "nul"):
            options[word] = True
        else:
            words.append(word)
    return " ".join(words), options


def results(keyword, options, proxied):
    total = int(options.get("total", "100"))
    at = int(options.get("at", "0"))
    if "via-proxy" in options and not proxied:
        at = 0
    rows = []
    for i in range(1, total + 1):
        if i == at:
            rows.append((f"http://{SITE}/home.html", f"Example site &amp; {html.escape(keyword)}",
                         f"The <b>{html.escape(keyword)}</b> site"))
        else:
            rows.append((f"http://www.result-{i}.test/page-{i}.html",
                         f"Result {i} for {html.escape(keyword)} &amp; more",
                         f"About <b>{html.escape(keyword)}</b>"))
    return rows


def render(rows, start, layout, query, nul):
    page = rows[start:start + PAGE_SIZE]
    out = ["<!DOCTYPE html>", "<html><head><meta charset=\"utf-8\"><title>Local results</title>",
           "</head><body>"]
    if layout == "cards":
        out.append("<div id=\"main\">")
        for href, title, desc in page:
            out.append(f"<div class=\"card\"><h3><a href=\"{href}\">{title}</a></h3>"
                       f"<div class=\"desc\">{desc}</div></div>")
        out.append("</div>")
    elif layout == "table":
        out.append("<table class=\"serp\">")
        for n, (href, title, desc) in enumerate(page, start + 1):
            out.append(f"<tr><td class=\"n\">{n}.</td><td><a href=\"{href}\">{title}</a><br>"
                       f"<span class=\"d\">{desc}</span></td></tr>")
        out.append("</table>")
    else:
        out.append(f"<ol class=\"results\" start=\"{start + 1}\">")
        for href, title, desc in page:
            out.append(f"<li class=\"result\"><a class=\"title\" href=\"{href}\">{title}</a>\n"
                       f"<p class=\"snippet\">{desc}</p></li>")
        out.append("</ol>")
    if start + PAGE_SIZE < len(rows):
        out.append(f"<a class=\"next\" href=\"/search?q={query}&amp;start={start + PAGE_SIZE}\">"
                   "Next</a>")
    out.append("</body></html>")
    return ("\0\n" if nul else "\n").join(out).encode("utf-8")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # The head and the body go out in two writes: without this a client
    # that keeps the connection waits for the delayed ACK between them.
    disable_nagle_algorithm = True

    def log_message(self, *args):
        pass

    def reply(self, code, body=b"", headers=()):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def cookies(self):
        jar = {}
        for part in self.headers.get("Cookie", "").split(";"):
            name, _, value = part.strip().partition("=")
            if name:
                jar[name] = value
        return jar

    def host(self):
        return self.headers.get("Host", "127.0.0.1").rsplit(":", 1)[0]

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        with State.lock:
            State.counts[url.path] = State.counts.get(url.path, 0) + 1
        if url.path == "/requests":
            with State.lock:
                body = "".join(f"{p} {n}\n" for p, n in sorted(State.counts.items()))
            self.reply(200, body.encode())
            return
        if url.path == "/reset":
            with State.lock:
                State.counts.clear()
            self.reply(200, b"reset")
            return
        if url.path not in ("/search", "/found", "/Found"):
            self.reply(404, b"not found")
            return
        raw = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True,
                                          encoding="latin-1"))
        raw_query = ""
        for part in url.query.split("&"):
            if part.startswith("q="):
                raw_query = part[2:]
        keyword, options = parse_keyword(decode_keyword(raw_query))
        start = int(raw.get("start", "0") or "0")
        tls = isinstance(self.connection, ssl.SSLSocket)
        first = url.path == "/search"

        if "slow" in options:
            time.sleep(float(options["slow"]))
        if "error" in options:
            code = int(options["error"])
            self.reply(code, f"<html><body>Error {code}</body></html>".encode())
            return
        here = f"{url.path}?{url.query}"
        found = f"/found?{url.query}"
        if first and "redirect" in options:
            kind = options["redirect"]
            target = {"abs": f"http://127.0.0.1:{State.http_port}{found}",
                      "rel": f"/Found?{url.query}",
                      "port": f"http://localhost:{State.http_port}{found}"}.get(kind, found)
            self.reply(302, b"moved", [("Location", target)])
            return
        if url.path == "/found" and options.get("redirect") == "rel":
            self.reply(404, b"the redirect lost its case")
            return
        if "https" in options and not tls:
            self.reply(302, b"moved",
                       [("Location", f"https://127.0.0.1:{State.tls_port}{here}")])
            return
        if "cookie" in options and self.cookies().get(COOKIE) != keyword.replace(" ", "_"):
            self.reply(302, b"cookie first",
                       [("Set-Cookie", f"{COOKIE}={keyword.replace(' ', '_')}; Path=/"),
                        ("Location", here)])
            return
        if "hosts" in options:
            jar, host = self.cookies(), self.host()
            own = HOST_COOKIES.get(host, "other")
            others = [name for h, name in HOST_COOKIES.items() if h != host]
            if any(name in jar for name in others):
                self.reply(400, b"a cookie crossed hosts")
                return
            if own not in jar:
                target = "localhost" if host == "127.0.0.1" else "127.0.0.1"
                self.reply(302, b"cookie first",
                           [("Set-Cookie", f"{own}=1; Path=/"),
                            ("Location", f"http://{target}:{State.http_port}{here}")])
                return
            if host != "127.0.0.1":
                self.reply(302, b"back",
                           [("Location", f"http://127.0.0.1:{State.http_port}{here}")])
                return
        headers = []
        if "contentloc" in options:
            headers.append(("Content-Location", "/elsewhere.html"))
        rows = results(keyword, options, "Via" in self.headers)
        query = urllib.parse.quote(raw.get("q", ""), safe="")
        self.reply(200, render(rows, start, options.get("layout", "classic"), query, "nul" in options),
                   headers)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("--tls-port", type=int, default=0)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    State.http_port = args.port
    State.tls_port = args.tls_port
    servers = [Server(("127.0.0.1", args.port), Handler)]
    if args.tls_port:
        tls = Server(("127.0.0.1", args.tls_port), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        tls.socket = context.wrap_socket(tls.socket, server_side=True)
        servers.append(tls)
    for server in servers[1:]:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    servers[0].serve_forever()


if __name__ == "__main__":
    main()
