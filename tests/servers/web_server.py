"""A small HTTP/1.1 server for the network client's tests: cookies,
redirects, Basic authentication, an echo of the request and the parts of a
multipart/form-data body (read by Python's own MIME parser).

Run by /usr/bin/python3 with the port as its only argument; serves
127.0.0.1 until it is terminated.
"""
import base64
import email.parser
import email.policy
import http.server
import sys
import urllib.parse

AUTH_USER = "user"
AUTH_PASSWORD = "secret"


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, code, body, headers=()):
        data = body.encode("latin-1")
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    def handle_any(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qsl(url.query, keep_blank_values=True)
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length).decode("latin-1") if length else ""
        if url.path == "/cookies/set":
            cookies = [("Set-Cookie", f"{k}={v}; Path=/; HttpOnly") for k, v in query]
            self.reply(200, "set", cookies)
        elif url.path == "/cookies/delete":
            cookies = [("Set-Cookie", f"{k}=; Max-Age=0; Path=/") for k, _ in query]
            self.reply(200, "deleted", cookies)
        elif url.path == "/cookies/show":
            self.reply(200, self.headers.get("Cookie", ""))
        elif url.path == "/redirect":
            target = dict(query).get("to", "/")
            self.reply(302, "moved", [("Location", target)])
        elif url.path == "/auth":
            expected = base64.b64encode(f"{AUTH_USER}:{AUTH_PASSWORD}".encode()).decode()
            if self.headers.get("Authorization", "") == "Basic " + expected:
                self.reply(200, "welcome")
            else:
                self.reply(401, "who are you", [("WWW-Authenticate", 'Basic realm="test"')])
        elif url.path == "/form":
            # One line per part: name, file name, type, size, the bytes in hex.
            message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
                b"Content-Type: " + self.headers.get("Content-Type", "").encode("latin-1") +
                b"\r\n\r\n" + body.encode("latin-1"))
            lines = []
            for part in message.iter_parts():
                data = part.get_payload(decode=True) or b""
                lines.append("|".join([
                    part.get_param("name", header="content-disposition") or "",
                    part.get_filename() or "", part.get_content_type(), str(len(data)),
                    data.hex()]))
            self.reply(200, "\n".join(lines) if message.is_multipart() else "not multipart")
        elif url.path == "/echo":
            head = f"{self.command} {self.path}\n" + "".join(
                f"{k}: {v}\n" for k, v in self.headers.items())
            self.reply(200, head + "\n" + body)
        else:
            self.reply(404, "not found")

    do_GET = do_POST = do_HEAD = do_PUT = do_DELETE = handle_any


def main():
    port = int(sys.argv[1])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    server.daemon_threads = True
    server.serve_forever()


if __name__ == "__main__":
    main()
