# The benchmark's workloads in Python (see workloads.pas).
#   python3 workloads.py loop|fib|scan|build <page file>
# prints "<milliseconds> <checksum>".
import sys
import time


def loop(n):
    s = 0
    for i in range(1, n + 1):
        s = (s + i) % 1000003
    return s


def fib(n):
    if n < 2:
        return n
    return fib(n - 1) + fib(n - 2)


def scan(page, times):
    total = count = 0
    for _ in range(times):
        s = page
        count = 0
        p = s.find('<a href="')
        while p >= 0:
            s = s[p + 9:]
            q = s.find('"')
            link = s[:q]
            s = s[q + 1:]
            total += len(link)
            count += 1
            p = s.find('<a href="')
    return total + count


def build(page, times):
    total = 0
    n = len(page) // 2000
    for _ in range(times):
        s = ''
        for i in range(2000):
            s += page[i * n:(i + 1) * n]
        total += len(s) + scan(s, 1)
    return total


def main():
    workload, page_path = sys.argv[1], sys.argv[2]
    with open(page_path, "rb") as f:
        page = f.read().decode("latin-1")
    start = time.perf_counter()
    if workload == "loop":
        result = loop(10000000)
    elif workload == "fib":
        result = fib(30)
    elif workload == "build":
        result = build(page, 50)
    else:
        result = scan(page, 50)
    print("%.3f %d" % ((time.perf_counter() - start) * 1000, result))


main()
