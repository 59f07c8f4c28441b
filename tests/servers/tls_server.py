"""An HTTPS server for the TLS layer's tests that decides what goes on the
wire: TLS runs over memory buffers, so a response can end with or without
a close_notify, its records can be cut into small TCP packets, or it can
stop in the middle of a record.

    /usr/bin/python3 tls_server.py PORT CERT KEY

Serves 127.0.0.1 until it is terminated. HTTP/1.1 requests keep the
connection; HTTP/1.0 requests end it with a close_notify. Paths (n is the
body size, default 1000; the body is bytes i % 251):
    /sized?n=          Content-Length body
    /chunked?n=        chunked body, chunks of 1000 bytes
    /toclose?n=        body ended by close_notify and closing
    /toclose-abrupt?n= body ended by closing without close_notify
    /stall?n=          announces n bytes, sends half a record of them, waits
    /sni               the server name the client asked for, as the body
Adding split=1 to the query sends the response's TLS bytes in small TCP
packets: one byte at a time at first, then pieces across record
boundaries. Every response carries X-Connection, the connection's number.
"""
import itertools
import socket
import ssl
import sys
import threading
import time
import urllib.parse

STALL_SECONDS = 30


def pattern(size):
    block = bytes(i % 251 for i in range(251 * 64))
    return (block * (size // len(block) + 1))[:size]


class TlsConnection:
    def __init__(self, sock, context, names):
        self.sock = sock
        self.incoming = ssl.MemoryBIO()
        self.outgoing = ssl.MemoryBIO()
        self.tls = context.wrap_bio(self.incoming, self.outgoing, server_side=True)
        self.names = names
        self.split = False

    def send_raw(self, data):
        if not self.split:
            self.sock.sendall(data)
            return
        # A record header (5 bytes) alone, then a record cut anywhere.
        head, data = data[:64], data[64:]
        for i in range(len(head)):
            self.sock.sendall(head[i:i + 1])
            time.sleep(0.001)
        for n, i in enumerate(range(0, len(data), 997)):
            self.sock.sendall(data[i:i + 997])
            if n % 8 == 7:
                time.sleep(0.001)

    def flush(self):
        data = self.outgoing.read()
        if data:
            self.send_raw(data)

    def receive(self):
        data = self.sock.recv(65536)
        if not data:
            raise EOFError
        self.incoming.write(data)

    def handshake(self):
        while True:
            try:
                self.tls.do_handshake()
                self.flush()
                return
            except ssl.SSLWantReadError:
                self.flush()
                self.receive()

    def read_head(self, buffered):
        while b"\r\n\r\n" not in buffered:
            try:
                chunk = self.tls.read(65536)
            except ssl.SSLWantReadError:
                self.flush()
                self.receive()
                continue
            except ssl.SSLZeroReturnError:
                raise EOFError
            if not chunk:
                raise EOFError
            buffered += chunk
        head, rest = buffered.split(b"\r\n\r\n", 1)
        return head.decode("latin-1"), rest

    def write(self, data):
        self.tls.write(data)
        self.flush()

    def close_notify(self):
        try:
            self.tls.unwrap()
        except ssl.SSLWantReadError:
            pass
        self.flush()


def respond(conn, serial, head):
    lines = head.split("\r\n")
    method, target, version = (lines[0].split(" ") + ["", "", ""])[:3]
    url = urllib.parse.urlsplit(target)
    query = dict(urllib.parse.parse_qsl(url.query))
    size = int(query.get("n", "1000"))
    conn.split = query.get("split") == "1"
    keep = version == "HTTP/1.1" and not any(
        line.lower().startswith("connection:") and "close" in line.lower() for line in lines[1:])
    status = f"{version or 'HTTP/1.0'} 200 OK\r\nX-Connection: {serial}\r\n"
    body = pattern(size)
    if url.path == "/sni":
        body = conn.names.get(id(conn.tls), "").encode("latin-1")
    if url.path in ("/sized", "/sni"):
        conn.write(f"{status}Content-Length: {len(body)}\r\n\r\n".encode() + body)
    elif url.path == "/chunked":
        data = bytearray(f"{status}Transfer-Encoding: chunked\r\n\r\n".encode())
        for i in range(0, len(body), 1000):
            piece = body[i:i + 1000]
            data += f"{len(piece):x}\r\n".encode() + piece + b"\r\n"
        conn.write(bytes(data + b"0\r\n\r\n"))
    elif url.path == "/toclose":
        conn.write(status.encode() + b"\r\n" + body)
        conn.close_notify()
        return False
    elif url.path == "/toclose-abrupt":
        conn.write(status.encode() + b"\r\n" + body)
        return False
    elif url.path == "/stall":
        conn.write(f"{status}Content-Length: {size}\r\n\r\n".encode())
        conn.tls.write(body[:16384])
        data = conn.outgoing.read()
        conn.sock.sendall(data[:len(data) // 2])
        conn.sock.settimeout(STALL_SECONDS)
        try:
            while conn.sock.recv(65536):
                pass
        except OSError:
            pass
        return False
    else:
        conn.write(f"{status}Content-Length: 9\r\n\r\nnot found".encode())
    if not keep:
        conn.close_notify()
    return keep


def serve(sock, context, names, serial):
    conn = TlsConnection(sock, context, names)
    try:
        conn.handshake()
        buffered = b""
        while True:
            head, buffered = conn.read_head(buffered)
            if not respond(conn, serial, head):
                break
    except (EOFError, OSError, ssl.SSLError):
        pass
    finally:
        names.pop(id(conn.tls), None)
        sock.close()


def main():
    port, cert, key = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    names = {}

    def remember_name(tls, name, _context):
        names[id(tls)] = name or ""

    context.sni_callback = remember_name
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", port))
    listener.listen(64)
    for serial in itertools.count(1):
        sock, _ = listener.accept()
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        threading.Thread(target=serve, args=(sock, context, names, serial), daemon=True).start()


if __name__ == "__main__":
    main()
