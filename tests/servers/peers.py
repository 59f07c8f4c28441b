"""Starts the local peers a test program needs, runs it, and stops them.

    /usr/bin/python3 peers.py [--nginx] [--proxy] [--socks] [--web] [--serp]
                              [--soap] [--maker] [--file NAME:BYTES ...]
                              -- PROGRAM [ARGS...]

Every peer listens on a free port of 127.0.0.1 and its port reaches the
program in the environment:
    SERPLOW_TEST_NGINX_PORT       nginx serving www/ (see nginx.conf.in)
    SERPLOW_TEST_PROXY_PORT       tinyproxy asking for proxyuser/proxypass
    SERPLOW_TEST_SOCKS_PORT       microsocks without authentication
    SERPLOW_TEST_SOCKS_AUTH_PORT  microsocks asking for socksuser/sockspass
    SERPLOW_TEST_WEB_PORT         web_server.py
    SERPLOW_TEST_SERP_PORT        serp/serp_server.py, the local result pages
    SERPLOW_TEST_SERP_TLS_PORT    the same over HTTPS (--serp and --tls)
    SERPLOW_TEST_SOAP_PORT        soap_server.py, the SOAP search interface
    SERPLOW_TEST_MAKER_PORT       maker_server.py, the maker's news and version
    SERPLOW_TEST_TLS12_PORT       openssl s_server, TLS 1.2 only (--tls)
    SERPLOW_TEST_TLS13_PORT       openssl s_server, TLS 1.3 only, choosing
                                  its certificate by the server name (--tls)
    SERPLOW_TEST_PYTLS_PORT       tls_server.py (--tls)
    SERPLOW_TEST_NGINX_TLS_PORT   nginx over HTTPS, www/ as above (--nginx
                                  and --tls)
    SERPLOW_TEST_TLS_DIR          the certificates of the TLS peers (--tls)
A peer whose program is not installed is named instead in
SERPLOW_TEST_MISSING (the tests skip what needs it). nginx serves
small.txt ("hello\\n"), pattern.bin (1 MiB of bytes i % 251) and the files
of --file (bytes i % 251 as well), each also under /chunked/.
The peers get SIGTERM when this script ends, and die with it.

--tls makes a test CA and certificates signed by it in the work folder
(see make_certificates): "localhost" (C=CZ, O=Serplow Tests, CN=localhost,
for localhost and 127.0.0.1; also as DER, PKCS#12, an encrypted key and
its MD5 fingerprint in hex) and "other" (no common name, for other.test).
The s_server peers answer GET /<name> with the file of that name as it is
(status line and header lines included): sized.txt, chunked.txt and
toclose.txt (bodies of bytes i % 251), then close with a close_notify.
"""
import argparse
import ctypes
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROXY_USER, PROXY_PASSWORD = "proxyuser", "proxypass"
# The pass phrases of localhost.p12 and localhost-encrypted.key.
P12_PASSWORD, KEY_PASSWORD = "p12pass", "keypass"
# Body sizes of the s_server files.
TLS_SIZED, TLS_CHUNKED, TLS_TOCLOSE = 100000, 30000, 50000
SOCKS_USER, SOCKS_PASSWORD = "socksuser", "sockspass"
# Starts of a peer, each on another port, before its failure counts.
PORT_ATTEMPTS = 5


def die_with_parent():
    # Peers must not outlive a test run that was killed.
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def free_port():
    # Below the kernel's ephemeral range (32768 and up), from which the
    # client sockets of every test running meanwhile draw theirs. Another
    # process may still take the port before the peer binds it; start()
    # then tries another.
    for _ in range(200):
        port = random.randint(20000, 32000)
        with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
            try:
                s.bind(("127.0.0.1", port))
                return port
            except OSError:
                continue
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_listening(port, process, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process.poll() is not None:
            return False
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=0.5):
                return True
        except OSError:
            time.sleep(0.05)
    return False


def pattern(size):
    block = bytes(i % 251 for i in range(251 * 1024))
    out = bytearray()
    while len(out) < size:
        out += block
    return bytes(out[:size])


def fill_template(name, path, **values):
    with open(os.path.join(HERE, name)) as f:
        text = f.read()
    for key, value in values.items():
        text = text.replace("@" + key + "@", str(value))
    with open(path, "w") as f:
        f.write(text)


def openssl(folder, *args):
    result = subprocess.run(["openssl", *args], cwd=folder, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode != 0:
        sys.stderr.write(f"peers.py: openssl {' '.join(args)} failed:\n"
                         f"{result.stderr.decode(errors='replace')}\n")
        raise SystemExit(1)
    return result.stdout.decode()


def make_certificates(folder):
    # EC keys: made at once, unlike RSA keys.
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    openssl(folder, "req", "-x509", *ec, "-keyout", "ca.key", "-out", "ca.pem", "-days", "3",
            "-subj", "/CN=Serplow Test CA")
    for serial, (name, subject, names) in enumerate([
            ("localhost", "/C=CZ/O=Serplow Tests/CN=localhost", "DNS:localhost,IP:127.0.0.1"),
            ("other", "/O=Serplow Tests/OU=Other", "DNS:other.test")], start=1):
        openssl(folder, "req", "-new", *ec, "-keyout", name + ".key", "-out", name + ".csr",
                "-subj", subject)
        with open(os.path.join(folder, name + ".ext"), "w") as f:
            f.write(f"subjectAltName={names}\nbasicConstraints=CA:FALSE\n")
        openssl(folder, "x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-set_serial", str(serial), "-days", "2", "-extfile", name + ".ext",
                "-out", name + ".pem")
    openssl(folder, "x509", "-in", "localhost.pem", "-outform", "DER", "-out", "localhost.der")
    # "MD5 Fingerprint=AB:CD:..." becomes "abcd...".
    md5 = openssl(folder, "x509", "-in", "localhost.pem", "-noout", "-fingerprint", "-md5")
    with open(os.path.join(folder, "localhost.md5"), "w") as f:
        f.write(md5.split("=", 1)[1].strip().replace(":", "").lower())
    openssl(folder, "pkcs12", "-export", "-in", "localhost.pem", "-inkey", "localhost.key",
            "-passout", "pass:" + P12_PASSWORD, "-out", "localhost.p12")
    openssl(folder, "pkey", "-in", "localhost.key", "-aes256", "-passout", "pass:" + KEY_PASSWORD,
            "-out", "localhost-encrypted.key")


def write_tls_files(folder):
    os.makedirs(folder)

    def write(name, data):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)

    sized = pattern(TLS_SIZED)
    write("sized.txt", b"HTTP/1.0 200 OK\r\nContent-Length: %d\r\n\r\n" % len(sized) + sized)
    body = pattern(TLS_CHUNKED)
    chunked = bytearray(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
    for i in range(0, len(body), 7000):
        piece = body[i:i + 7000]
        chunked += b"%x\r\n" % len(piece) + piece + b"\r\n"
    write("chunked.txt", bytes(chunked + b"0\r\n\r\n"))
    write("toclose.txt", b"HTTP/1.0 200 OK\r\n\r\n" + pattern(TLS_TOCLOSE))


class Peers:
    def __init__(self, work):
        self.work = work
        self.processes = []
        self.env = {}
        self.missing = []

    def start(self, name, program, args, env_name, log, cwd=None):
        """Starts `program` with args(port) on a free port. A peer that ends
        at once lost its port to another process: it gets another one."""
        exe = shutil.which(program) or next(
            (p for p in ("/usr/sbin/" + program, "/usr/bin/" + program) if os.path.exists(p)), None)
        if exe is None:
            self.missing.append(name)
            return None
        for attempt in range(PORT_ATTEMPTS):
            port = free_port()
            argv = [exe] + args(port)
            with open(os.path.join(self.work, log), "w") as out:
                process = subprocess.Popen(argv, stdout=out, stderr=subprocess.STDOUT,
                                           stdin=subprocess.DEVNULL, cwd=cwd or self.work,
                                           preexec_fn=die_with_parent)
            self.processes.append(process)
            if wait_listening(port, process) and process.poll() is None:
                self.env[env_name] = str(port)
                return port
            if process.poll() is None or attempt + 1 == PORT_ATTEMPTS:
                break
        with open(os.path.join(self.work, log)) as f:
            sys.stderr.write(f"peers.py: {name} did not start:\n{f.read()}\n")
        raise SystemExit(1)

    def tls(self):
        if shutil.which("openssl") is None:
            self.missing.append("openssl")
            return
        folder = os.path.join(self.work, "tls")
        os.makedirs(folder)
        make_certificates(folder)
        self.env["SERPLOW_TEST_TLS_DIR"] = folder
        files = os.path.join(self.work, "tls-files")
        write_tls_files(files)
        own = ["-cert", os.path.join(folder, "localhost.pem"),
               "-key", os.path.join(folder, "localhost.key")]
        # By the name the client asks for: "localhost" gets the localhost
        # certificate, anything else (or no name) the other one.
        by_name = ["-cert", os.path.join(folder, "other.pem"),
                   "-key", os.path.join(folder, "other.key"),
                   "-servername", "localhost",
                   "-cert2", os.path.join(folder, "localhost.pem"),
                   "-key2", os.path.join(folder, "localhost.key")]
        for version, variable, certs in [("-tls1_2", "SERPLOW_TEST_TLS12_PORT", own),
                                         ("-tls1_3", "SERPLOW_TEST_TLS13_PORT", by_name)]:
            self.start("openssl", "openssl",
                       lambda port, version=version, certs=certs: [
                           "s_server", "-accept", f"127.0.0.1:{port}", version, "-HTTP",
                           "-quiet", *certs],
                       variable, f"s_server{version}.log", cwd=files)
        self.start("tls_server.py", "/usr/bin/python3",
                   lambda port: [os.path.join(HERE, "tls_server.py"), str(port),
                                 os.path.join(folder, "localhost.pem"),
                                 os.path.join(folder, "localhost.key")],
                   "SERPLOW_TEST_PYTLS_PORT", "tls_server.log")

    def nginx(self, files):
        www = os.path.join(self.work, "www")
        os.makedirs(www)
        with open(os.path.join(www, "small.txt"), "wb") as f:
            f.write(b"hello\n")
        for name, size in [("pattern.bin", 1 << 20)] + files:
            with open(os.path.join(www, name), "wb") as f:
                f.write(pattern(size))
        conf = os.path.join(self.work, "nginx.conf")
        tls_port = []

        def configure(port):
            tls_server = ""
            tls_port.clear()
            if "SERPLOW_TEST_TLS_DIR" in self.env:
                tls_port.append(free_port())
                tls_server = os.path.join(self.work, "nginx_tls.conf")
                fill_template("nginx_tls.conf.in", tls_server, PORT=tls_port[0], WORK=self.work,
                              TLS=self.env["SERPLOW_TEST_TLS_DIR"])
                tls_server = "include " + tls_server + ";"
            fill_template("nginx.conf.in", conf, PORT=port, WORK=self.work,
                          TLS_SERVER=tls_server)
            return ["-p", self.work, "-e", os.path.join(self.work, "error.log"), "-c", conf]

        # nginx gives up when either port is taken, so both are chosen again.
        if self.start("nginx", "nginx", configure, "SERPLOW_TEST_NGINX_PORT", "nginx.log") and \
                tls_port:
            self.env["SERPLOW_TEST_NGINX_TLS_PORT"] = str(tls_port[0])

    def proxy(self):
        conf = os.path.join(self.work, "tinyproxy.conf")

        def configure(port):
            fill_template("tinyproxy.conf.in", conf, PORT=port, USER=PROXY_USER,
                          PASSWORD=PROXY_PASSWORD)
            return ["-d", "-c", conf]

        self.start("tinyproxy", "tinyproxy", configure, "SERPLOW_TEST_PROXY_PORT",
                   "tinyproxy.log")

    def socks(self):
        self.start("microsocks", "microsocks", lambda port: ["-i", "127.0.0.1", "-p", str(port)],
                   "SERPLOW_TEST_SOCKS_PORT", "socks.log")
        self.start("microsocks", "microsocks",
                   lambda port: ["-i", "127.0.0.1", "-p", str(port), "-u", SOCKS_USER, "-P",
                                 SOCKS_PASSWORD],
                   "SERPLOW_TEST_SOCKS_AUTH_PORT", "socks_auth.log")

    def web(self):
        self.script("web_server.py", "SERPLOW_TEST_WEB_PORT")

    def serp(self):
        tls_dir = self.env.get("SERPLOW_TEST_TLS_DIR")
        tls_port = []

        def configure(port):
            args = [os.path.join(HERE, "serp", "serp_server.py"), str(port)]
            tls_port.clear()
            if tls_dir:
                tls_port.append(free_port())
                args += ["--tls-port", str(tls_port[0]),
                         "--cert", os.path.join(tls_dir, "localhost.pem"),
                         "--key", os.path.join(tls_dir, "localhost.key")]
            return args

        # The server gives up when either port is taken, so both are chosen again.
        if self.start("serp_server.py", "/usr/bin/python3", configure, "SERPLOW_TEST_SERP_PORT",
                      "serp.log") and tls_port:
            self.env["SERPLOW_TEST_SERP_TLS_PORT"] = str(tls_port[0])

    def script(self, name, variable):
        """Starts a server of this folder that takes its port as its only
        argument."""
        self.start(name, "/usr/bin/python3",
                   lambda port: [os.path.join(HERE, name), str(port)], variable,
                   name.replace(".py", ".log"))

    def stop(self):
        for process in self.processes:
            if process.poll() is None:
                process.terminate()
        for process in self.processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nginx", action="store_true")
    parser.add_argument("--proxy", action="store_true")
    parser.add_argument("--socks", action="store_true")
    parser.add_argument("--web", action="store_true")
    parser.add_argument("--serp", action="store_true")
    parser.add_argument("--tls", action="store_true")
    parser.add_argument("--soap", action="store_true")
    parser.add_argument("--maker", action="store_true")
    parser.add_argument("--file", action="append", default=[])
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no program to run")
    files = [(name, int(size)) for name, size in (f.split(":") for f in args.file)]

    work = tempfile.mkdtemp(prefix="serplow-peers-")
    peers = Peers(work)
    code = 1
    try:
        # Before nginx, whose HTTPS server uses the certificates.
        if args.tls:
            peers.tls()
        if args.nginx:
            peers.nginx(files)
        if args.proxy:
            peers.proxy()
        if args.socks:
            peers.socks()
        if args.web:
            peers.web()
        if args.serp:
            peers.serp()
        if args.soap:
            peers.script("soap_server.py", "SERPLOW_TEST_SOAP_PORT")
        if args.maker:
            peers.script("maker_server.py", "SERPLOW_TEST_MAKER_PORT")
        env = dict(os.environ, **peers.env)
        if peers.missing:
            env["SERPLOW_TEST_MISSING"] = ",".join(peers.missing)
        signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
        code = subprocess.call(command, env=env)
    except KeyboardInterrupt:
        code = 130
    finally:
        peers.stop()
        shutil.rmtree(work, ignore_errors=True)
    return code


if __name__ == "__main__":
    sys.exit(main())
