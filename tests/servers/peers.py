"""Starts the local peers a test program needs, runs it, and stops them.

    /usr/bin/python3 peers.py [--nginx] [--proxy] [--socks] [--web]
                              [--file NAME:BYTES ...] -- PROGRAM [ARGS...]

Every peer listens on a free port of 127.0.0.1 and its port reaches the
program in the environment:
    SERPLOW_TEST_NGINX_PORT       nginx serving www/ (see nginx.conf.in)
    SERPLOW_TEST_PROXY_PORT       tinyproxy asking for proxyuser/proxypass
    SERPLOW_TEST_SOCKS_PORT       microsocks without authentication
    SERPLOW_TEST_SOCKS_AUTH_PORT  microsocks asking for socksuser/sockspass
    SERPLOW_TEST_WEB_PORT         web_server.py
A peer whose program is not installed is named instead in
SERPLOW_TEST_MISSING (the tests skip what needs it). nginx serves
small.txt ("hello\\n"), pattern.bin (1 MiB of bytes i % 251) and the files
of --file (bytes i % 251 as well), each also under /chunked/.
The peers get SIGTERM when this script ends, and die with it.
"""
import argparse
import ctypes
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROXY_USER, PROXY_PASSWORD = "proxyuser", "proxypass"
SOCKS_USER, SOCKS_PASSWORD = "socksuser", "sockspass"


def die_with_parent():
    # Peers must not outlive a test run that was killed.
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


def free_port():
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


class Peers:
    def __init__(self, work):
        self.work = work
        self.processes = []
        self.env = {}
        self.missing = []

    def start(self, name, argv, port, env_name, log):
        exe = shutil.which(argv[0]) or next(
            (p for p in ("/usr/sbin/" + argv[0], "/usr/bin/" + argv[0]) if os.path.exists(p)), None)
        if exe is None:
            self.missing.append(name)
            return
        out = open(os.path.join(self.work, log), "w")
        process = subprocess.Popen([exe] + argv[1:], stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, cwd=self.work,
                                   preexec_fn=die_with_parent)
        self.processes.append(process)
        if not wait_listening(port, process):
            with open(os.path.join(self.work, log)) as f:
                sys.stderr.write(f"peers.py: {name} did not start:\n{f.read()}\n")
            raise SystemExit(1)
        self.env[env_name] = str(port)

    def nginx(self, files):
        www = os.path.join(self.work, "www")
        os.makedirs(www)
        with open(os.path.join(www, "small.txt"), "wb") as f:
            f.write(b"hello\n")
        for name, size in [("pattern.bin", 1 << 20)] + files:
            with open(os.path.join(www, name), "wb") as f:
                f.write(pattern(size))
        port = free_port()
        conf = os.path.join(self.work, "nginx.conf")
        fill_template("nginx.conf.in", conf, PORT=port, WORK=self.work)
        self.start("nginx", ["nginx", "-p", self.work, "-e", os.path.join(self.work, "error.log"),
                             "-c", conf], port, "SERPLOW_TEST_NGINX_PORT", "nginx.log")

    def proxy(self):
        port = free_port()
        conf = os.path.join(self.work, "tinyproxy.conf")
        fill_template("tinyproxy.conf.in", conf, PORT=port, USER=PROXY_USER,
                      PASSWORD=PROXY_PASSWORD)
        self.start("tinyproxy", ["tinyproxy", "-d", "-c", conf], port,
                   "SERPLOW_TEST_PROXY_PORT", "tinyproxy.log")

    def socks(self):
        port = free_port()
        self.start("microsocks", ["microsocks", "-i", "127.0.0.1", "-p", str(port)], port,
                   "SERPLOW_TEST_SOCKS_PORT", "socks.log")
        port = free_port()
        self.start("microsocks", ["microsocks", "-i", "127.0.0.1", "-p", str(port), "-u",
                                  SOCKS_USER, "-P", SOCKS_PASSWORD], port,
                   "SERPLOW_TEST_SOCKS_AUTH_PORT", "socks_auth.log")

    def web(self):
        port = free_port()
        self.start("web_server.py", ["/usr/bin/python3", os.path.join(HERE, "web_server.py"),
                                     str(port)], port, "SERPLOW_TEST_WEB_PORT", "web.log")

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
        if args.nginx:
            peers.nginx(files)
        if args.proxy:
            peers.proxy()
        if args.socks:
            peers.socks()
        if args.web:
            peers.web()
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
