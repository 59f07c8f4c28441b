#!/usr/bin/python3
"""Runs the crasher's scenarios under Wine and checks the reports they log.

Every failing frame is named through addr2line on the same program: the
report's function, source file and line must be addr2line's.
"""

import argparse
import bisect
import os
import re
import shutil
import subprocess
import sys
import tempfile

CRLF = "\r\n"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def log_entries(text):
    """The entries of a log: an entry ends where a run of at least four
    CR LF pairs ends (the run's last pair separates it from the next)."""
    entries = []
    start = 0
    while True:
        at = text.find(CRLF * 4, start)
        if at < 0:
            break
        end = at + 8
        while text.startswith(CRLF, end):
            end += 2
        entries.append(text[start:end if end == len(text) else end - 2])
        start = end
    return entries


def items(entry):
    found = {}
    for line in entry.split(CRLF):
        m = re.match(r"  (\d+\.\d+) [^:]*: ?(.*)$", line)
        if m:
            found[m.group(1)] = m.group(2).rstrip()
    return found


def table_after(entry, title):
    """The rows of the table under a section title: lists of cells."""
    lines = entry.split(CRLF)
    if title + ":" not in lines:
        return None
    at = lines.index(title + ":")
    rows = []
    for line in lines[at + 4:]:
        if not line.startswith("|"):
            break
        rows.append([cell.strip() for cell in line.strip("|").split("|")])
    return rows


def thread_groups(entry):
    """(caption, rows) of the call-stack table, rows as cell lists."""
    groups = []
    for row in table_after(entry, "Call Stack Information") or []:
        if len(row) == 1:
            if re.match(r"(Exception|Running|Calling) Thread", row[0]):
                groups.append((row[0], []))
        elif groups:
            groups[-1][1].append(row)
    return groups


class Oracle:
    def __init__(self, args):
        self.args = args
        self.program = args.program
        out = subprocess.run([args.objdump, "-p", self.program], capture_output=True,
                             text=True, check=True).stdout
        self.image_base = int(re.search(r"ImageBase\s+([0-9a-fA-F]+)", out).group(1), 16)

    def name(self, rvas):
        """addr2line's (function, file, line) for each offset from the base."""
        if not rvas:
            return []
        out = subprocess.run(
            [self.args.addr2line, "-f", "-C", "-e", self.program] +
            ["0x%x" % (self.image_base + rva) for rva in rvas],
            capture_output=True, text=True, check=True).stdout.splitlines()
        result = []
        for function, place in zip(out[0::2], out[1::2]):
            place = re.sub(r" \(discriminator \d+\)", "", place)
            file, _, line = place.rpartition(":")
            result.append((function, file, int(line) if line.isdigit() else 0))
        return result


class DecodedLines:
    """objdump's reading of the line tables: (address, file name, line) rows.
    addr2line reads a line table's file numbers one off where a table's
    first two files differ; this is the second opinion then."""

    def __init__(self, args, image_base):
        out = subprocess.run([args.objdump, "--dwarf=decodedline", args.program],
                             capture_output=True, text=True).stdout
        rows = []
        for line in out.splitlines():
            m = re.match(r"(\S+)\s+(\d+)\s+(0x[0-9a-f]+)", line)
            if m:
                rows.append((int(m.group(3), 16) - image_base, m.group(1), int(m.group(2))))
        rows.sort(key=lambda r: r[0])
        self.addresses = [r[0] for r in rows]
        self.rows = rows

    def at(self, rva):
        i = bisect.bisect_right(self.addresses, rva) - 1
        return self.rows[i] if i >= 0 else None


def run(args, folder, scenario, extra=()):
    windows_folder = "Z:" + folder.replace("/", "\\")
    return subprocess.run([args.run, args.program, scenario, windows_folder] + list(extra),
                          capture_output=True, timeout=180)


def read_log(folder):
    name = os.path.join(folder, "crashreport_crasher.elf")
    if not check(os.path.exists(name), "no log file in " + folder):
        return []
    with open(name, "rb") as f:
        return log_entries(f.read().decode("latin-1"))


def program_base(entry, program):
    for row in table_after(entry, "Modules Information") or []:
        if row[1].lower() == os.path.basename(program).lower():
            return int(row[0], 16)
    return None


def check_report(oracle, entry, expected_type, expected_function, what, in_program=True,
                 whole_stack=True):
    """The sections, the failing frame against addr2line, the threads.

    in_program: the failure's own address lies in the program (a hang stops
    in the system); whole_stack: the failing thread's stack is short enough
    to be walked to its start (an overflow's is not)."""
    check(entry.startswith("VuvuvuVoz 5.0.2" + CRLF + CRLF), what + ": first line")
    for title in ("Application:", "Exception:", "Computer:", "Operating System:",
                  "Call Stack Information:", "Modules Information:", "Registers:"):
        check(CRLF + title + CRLF in CRLF + entry, what + ": no section " + title)
    values = items(entry)
    check(values.get("2.4") == expected_type,
          "%s: type %r, expected %r" % (what, values.get("2.4"), expected_type))
    if in_program:
        check(values.get("2.3") == os.path.basename(oracle.program),
              what + ": module " + str(values.get("2.3")))
    base = program_base(entry, oracle.program)
    if not check(base is not None, what + ": the program is not among the modules"):
        return
    modules = [row[1].lower() for row in table_after(entry, "Modules Information")]
    check("ntdll.dll" in modules and "kernel32.dll" in modules, what + ": system modules missing")
    groups = thread_groups(entry)
    if not check(groups and groups[0][0].startswith("Exception Thread"), what + ": no exception thread"):
        return
    ours = [row for row in groups[0][1] if row[1] == os.path.basename(oracle.program)]
    if not check(ours, what + ": no frame of the program"):
        return
    frame = ours[0]
    rva = int(frame[0], 16) - base
    function, file, line = oracle.name([rva])[0]
    shown = frame[3] + "::" + frame[4] if frame[3] else frame[4]
    check(shown == function, "%s: function %r, addr2line %r" % (what, shown, function))
    check(frame[2] == file, "%s: file %r, addr2line %r" % (what, frame[2], file))
    check(frame[5] == str(line), "%s: line %s, addr2line %d" % (what, frame[5], line))
    check(expected_function in function, "%s: failed in %r, expected %r" % (what, function, expected_function))
    # The report's address is the failing frame's.
    first = frame if in_program else groups[0][1][0]
    check(values.get("2.2") == first[0], what + ": address %r, frame %r" % (values.get("2.2"), first[0]))
    # Every thread's stack reaches the thread's start.
    for index, (caption, rows) in enumerate(groups):
        if caption.startswith("Calling Thread") or (index == 0 and not whole_stack):
            continue
        procedures = " ".join(row[4] for row in rows)
        check("RtlUserThreadStart" in procedures or "BaseThreadInitThunk" in procedures,
              "%s: the stack of %r does not reach its start" % (what, caption))
    check(re.search(r"RIP: [0-9A-F]{16}", entry), what + ": no registers")
    dump = [l for l in entry.split(CRLF) if re.match(r"[0-9A-F]{16}: [0-9A-F]{16}   [0-9A-F]{16}: ", l)]
    check(len(dump) == 16, what + ": %d dump lines" % len(dump))


def sequence(args, oracle, folder):
    result = run(args, folder, "sequence")
    out = result.stdout.decode("latin-1")
    check(result.returncode == 1, "sequence: exit code %d" % result.returncode)
    for said in ("loop went on", "worker failed", "divider ended with 1", "hang over"):
        check(said in out, "sequence: no %r in %r" % (said, out))
    check("still running" not in out, "sequence: the access violation did not end it")
    entries = read_log(folder)
    expected = [("EConvertError", "crashtest::ThrowFromHandler(int)"),
                ("EInvalidOperation", "crashtest::TFailingWorker::Execute()"),
                ("EDivByZero", "crashtest::DivideInWorker(int)"),
                ("EFrozenApplication", "crashtest::BlockMainThread"),
                ("EAccessViolation", "crashtest::WriteNowhere(int)")]
    if not check(len(entries) == len(expected), "sequence: %d reports logged" % len(entries)):
        return
    for entry, (kind, function) in zip(entries, expected):
        check_report(oracle, entry, kind, function, "sequence " + kind,
                     in_program=kind != "EFrozenApplication")
        # The idle worker runs throughout, with the stack that started it.
        captions = [caption for caption, _ in thread_groups(entry)]
        check(any("Running Thread" in c and "Class=TIdleWorker" in c for c in captions),
              kind + ": the idle worker is not listed")
        check(any("Calling Thread" in c and "Class=TIdleWorker" in c for c in captions),
              kind + ": the idle worker's starter is not listed")
        check(any("[Main]" in c for c in captions), kind + ": the main thread is not listed")
    hang = thread_groups(entries[3])[0][0]
    check("[Main]" in hang, "the hang is not the main thread's: " + hang)
    check("Class=TFailingWorker" in thread_groups(entries[1])[0][0], "the worker's class is missing")
    check("Write of address 0000000000000000" in items(entries[4]).get("2.5", ""),
          "the access violation's message: " + items(entries[4]).get("2.5", ""))


def uncaught(args, oracle, folder):
    result = run(args, folder, "uncaught")
    out = result.stdout.decode("latin-1")
    check(result.returncode == 1, "uncaught: exit code %d" % result.returncode)
    entries = read_log(folder)
    if check(len(entries) == 1, "uncaught: %d reports logged" % len(entries)):
        check_report(oracle, entries[0], "runtime_error", "crashtest::ThrowUncaught(int)", "uncaught")
        # Shown on the console: the introduction, then the report.
        check(out.startswith("An error has occurred during program execution."),
              "uncaught: the console shows " + out[:80])
        check(entries[0][:-6].replace(CRLF, "\n") in out.replace(CRLF, "\n"),
              "uncaught: the console and the log differ")


def overflow(args, oracle, folder):
    result = run(args, folder, "overflow")
    check(result.returncode == 1, "overflow: exit code %d" % result.returncode)
    entries = read_log(folder)
    if check(len(entries) == 1, "overflow: %d reports logged" % len(entries)):
        check_report(oracle, entries[0], "EStackOverflow", "crashtest::Recurse(int)", "overflow",
                     whole_stack=False)


def damaged(args, oracle, folder, scenario, function):
    """A fault on a stack that cannot be unwound (nothing could handle it)
    is reported once, from its first frame, and ends the program."""
    result = run(args, folder, scenario)
    check(result.returncode == 1, "%s: exit code %d" % (scenario, result.returncode))
    entries = read_log(folder)
    if check(len(entries) == 1, "%s: %d reports logged" % (scenario, len(entries))):
        check_report(oracle, entries[0], "EAccessViolation", function, scenario, whole_stack=False)


def smashed(args, oracle, folder):
    damaged(args, oracle, folder, "smashed", "crashtest::SmashStackAndFault()")


def lost(args, oracle, folder):
    damaged(args, oracle, folder, "lost", "crashtest::LoseStackAndFault()")


def repeat(args, oracle, folder):
    """Two failures within a minute end the program after the second."""
    result = run(args, folder, "repeat")
    out = result.stdout.decode("latin-1")
    check(result.returncode == 1, "repeat: exit code %d" % result.returncode)
    check("survived 1" in out and "survived 2" not in out, "repeat: ran on: " + out)
    check(len(read_log(folder)) == 2, "repeat: two reports expected")


def reporter_fault(args, oracle, folder):
    """A fault on the reporter's own thread ends the program with one line,
    instead of reporting itself."""
    result = run(args, folder, "reporterfault")
    err = result.stderr.decode("latin-1")
    check(result.returncode == 3, "reporterfault: exit code %d" % result.returncode)
    check("the exception reporter failed itself (code C0000005)" in err,
          "reporterfault: no last-resort line in " + err[-300:])
    check("still running" not in result.stdout.decode("latin-1"), "reporterfault: ran on")


def lookup(args, oracle, folder):
    """The program's own debug data names code as addr2line does."""
    out = subprocess.run([args.nm, "--defined-only", args.program], capture_output=True,
                         text=True, check=True).stdout
    functions = sorted({int(f[0], 16) - oracle.image_base
                        for f in (line.split() for line in out.splitlines())
                        if len(f) == 3 and f[1] in "Tt"})
    sample = functions[::max(1, len(functions) // 300)]
    rvas = sorted({rva + delta for rva in sample for delta in (0, 5, 17)})
    listing = os.path.join(folder, "rvas.txt")
    with open(listing, "w") as f:
        f.write("\n".join("%x" % rva for rva in rvas) + "\n")
    result = run(args, folder, "lookup", ["Z:" + listing.replace("/", "\\")])
    rows = [line.split("\t") for line in result.stdout.decode("latin-1").splitlines()]
    if not check(len(rows) == len(rvas), "lookup: %d answers for %d offsets" % (len(rows), len(rvas))):
        return
    named = 0
    decoded = None
    for (rva_text, function, file, line), (a_function, a_file, a_line) in zip(rows, oracle.name(rvas)):
        if a_line == 0:
            continue  # addr2line knows no line there either
        named += 1
        if file != a_file and int(line) == a_line:
            decoded = decoded or DecodedLines(args, oracle.image_base)
            row = decoded.at(int(rva_text, 16))
            if row and row[1] == os.path.basename(file) and row[2] == a_line:
                continue
        check(file == a_file and int(line) == a_line,
              "lookup %s: %s:%s, addr2line %s:%d" % (rva_text, file, line, a_file, a_line))
        # addr2line names static, inlined, template and lambda functions in
        # forms of its own; qualified plain names must match.
        if "::" in a_function and "<" not in a_function and "~" not in function:
            check(function == a_function, "lookup %s: %r, addr2line %r" % (rva_text, function, a_function))
    check(named > len(rvas) // 2, "lookup: only %d of %d offsets named" % (named, len(rvas)))


def main():
    parser = argparse.ArgumentParser()
    for option in ("--run", "--program", "--addr2line", "--objdump", "--nm"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    oracle = Oracle(args)
    for scenario in (sequence, uncaught, overflow, smashed, lost, repeat, reporter_fault, lookup):
        folder = tempfile.mkdtemp(prefix="crashreport_")
        try:
            scenario(args, oracle, folder)
        finally:
            shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print("FAILED: " + failure)
    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
