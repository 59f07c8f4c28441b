#!/usr/bin/python3
"""Checks every #include of the sources against the layer map.

    check-layers.py <source root> <compile_commands.json of the native tree>

A folder may include its own headers and those of the folders below it:

    runtime                       nothing
    xml, net                      runtime
    script                        runtime; its Windows files also gui (the
                                  host classes bind scripts to windows)
    core                          runtime, xml, net, script
    gui                           runtime
    controls/<name>               gui, runtime; their portable files runtime and
                                  the portable files of gui (its geometry)
    crashreport                   runtime, net, gui
    ui                            everything above
    app                           everything
    tools/<name>, tests/          everything but ui and app (tools also each other)
    bench                         everything but app (the main window is timed
                                  as a program of its own)

The portable files of controls/unicode are also open to core and script
(they hold the wide text conversions and string lists the core runs on).
The test helpers under tests/ are for test code only; test code may also
use another folder's test helpers. Nothing portable
includes a Windows header outside *_win files. A file is portable when the
native tree compiles it or when a file the native tree compiles includes it,
which is why the check reads that tree's compile commands. What a portable
file includes between "#ifdef _WIN32" and its "#else" or "#endif" is its
Windows half: the folder's rules for Windows files apply there (a Windows
header itself still belongs in a *_win file).

Prints one line per include that breaks the map and exits 1 if there is
any; otherwise prints what it checked.
"""

import glob
import json
import os
import re
import sys

CONTROLS = "controls/*"
TESTS = "tests/*"
TOOLS = "tools/*"
BELOW_UI = ["runtime", "xml", "net", "script", "core", "gui", CONTROLS, "crashreport"]
PROGRAMS = BELOW_UI + [TESTS]

# (folder, portable files only) pairs each folder may include.
MAP = {
    "runtime": [],
    "xml": [("runtime", False)],
    "net": [("runtime", False)],
    "script": [("runtime", False), ("controls/unicode", True), ("gui", False)],
    "core": [("runtime", False), ("xml", False), ("net", False), ("script", False),
             ("controls/unicode", True)],
    "gui": [("runtime", False)],
    CONTROLS: [("runtime", False), ("gui", False)],
    "crashreport": [("runtime", False), ("net", False), ("gui", False)],
    "ui": [(unit, False) for unit in BELOW_UI],
    "app": [(unit, False) for unit in BELOW_UI + ["ui"]],
    TOOLS: [(unit, False) for unit in PROGRAMS + [TOOLS]],
    "bench": [(unit, False) for unit in PROGRAMS + ["ui"]],
    TESTS: [(unit, False) for unit in PROGRAMS],
}
# What the portable files of a folder may include, where it is less.
PORTABLE_MAP = {
    CONTROLS: [("runtime", False), ("gui", True)],
    "script": [("runtime", False), ("controls/unicode", True)],
}

SOURCE = re.compile(r"\.(c|cc|cpp|h|hpp|inc)$")
TEST_SIDE = re.compile(r"(_test|_fuzz|test_|testing)")
WINDOWS_FILE = re.compile(r"_win(_[a-z0-9]+)?\.[a-z]+$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
DIRECTIVE = re.compile(r"^\s*#\s*(if|ifdef|ifndef|elif|else|endif)\b(.*)$")
WIN32_CONDITION = re.compile(r"(defined\s*\(?\s*)?_WIN32\s*\)?")
NOT_WIN32_CONDITION = re.compile(r"!\s*defined\s*\(?\s*_WIN32\s*\)?")
SKIPPED_FOLDERS = {"build", "testdata"}

FALLBACK_WINDOWS_HEADERS = {
    "windows.h", "winsock2.h", "ws2tcpip.h", "commctrl.h", "commdlg.h", "shellapi.h",
    "shlobj.h", "objbase.h", "ole2.h", "oleauto.h", "uxtheme.h", "psapi.h", "dbghelp.h",
    "tlhelp32.h", "wininet.h", "wincrypt.h", "winternl.h", "intrin.h", "io.h", "direct.h",
}


def unit_of(path):
    """The layer a path belongs to: its first folder, or its first two for
    the folders that group several (controls/tree, tests/support)."""
    parts = path.split("/")
    if len(parts) < 2:
        return None
    if parts[0] in ("controls", "tests", "tools") and len(parts) > 2:
        return parts[0] + "/" + parts[1]
    return parts[0]


def map_key(unit):
    for key in (CONTROLS, TESTS, TOOLS):
        if matches(key, unit) or unit == key[:-2]:
            return key
    return unit


def matches(pattern, unit):
    return unit == pattern or (pattern.endswith("/*") and unit.startswith(pattern[:-1]))


def source_files(root):
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root)
        dirs[:] = sorted(d for d in dirs if not d.startswith(".") and d not in SKIPPED_FOLDERS
                         and not d.endswith("_corpus") and not (rel == "." and d.startswith("build")))
        for name in sorted(files):
            if SOURCE.search(name):
                yield os.path.normpath(os.path.join(rel, name))


def includes(root, path):
    """(line number, <...>, name, inside an #ifdef _WIN32 part) per include."""
    # One entry per open #if: True inside a Windows-only part, False inside
    # its #else (or an #ifndef _WIN32), None for other conditions.
    conditions = []
    with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            d = DIRECTIVE.match(line)
            if d:
                word, rest = d.group(1), d.group(2).strip()
                if word in ("if", "ifdef", "ifndef"):
                    windows = None
                    if WIN32_CONDITION.fullmatch(rest):
                        windows = word != "ifndef"
                    elif word == "if" and NOT_WIN32_CONDITION.fullmatch(rest):
                        windows = False
                    conditions.append(windows)
                elif word == "else" and conditions and conditions[-1] is not None:
                    conditions[-1] = not conditions[-1]
                elif word == "elif" and conditions:
                    conditions[-1] = None
                elif word == "endif" and conditions:
                    conditions.pop()
                continue
            m = INCLUDE.match(line)
            if m:
                yield number, m.group(1) == "<", m.group(2), True in conditions


def resolve(root, path, name):
    """The repository file a quoted include names, or None."""
    for candidate in (os.path.join(os.path.dirname(path), name), name):
        candidate = os.path.normpath(candidate)
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def portable_files(root, compile_commands, sources):
    """The files the native tree compiles, and every repository header they
    reach; and of those, the ones a folder's own compiled files reach within
    the folder, which are the folder's portable part for other folders (a
    Windows-only header does not become portable by being included)."""
    with open(compile_commands) as f:
        commands = json.load(f)
    real_root = os.path.realpath(root)
    compiled = set()
    for entry in commands:
        name = os.path.realpath(os.path.join(entry.get("directory", ""), entry["file"]))
        if name.startswith(real_root + os.sep):
            compiled.add(os.path.relpath(name, real_root))

    def reach(within_unit):
        found = set(compiled)
        pending = [path for path in compiled if path in sources]
        while pending:
            path = pending.pop()
            for _, system, name, windows_side in includes(root, path):
                target = None if system or windows_side else resolve(root, path, name)
                if not target or target in found:
                    continue
                if within_unit and unit_of(target) != unit_of(path):
                    continue
                found.add(target)
                pending.append(target)
        return found

    return reach(False), reach(True)


def windows_headers():
    """Headers of the Windows SDK (mingw-w64's) that the native system lacks."""
    sdk = "/usr/share/mingw-w64/include"
    if not os.path.isdir(sdk):
        return FALLBACK_WINDOWS_HEADERS
    native = ["/usr/include"] + glob.glob("/usr/include/*-linux-gnu") + \
        glob.glob("/usr/lib/gcc/*-linux-gnu/*/include") + glob.glob("/usr/include/c++/*")
    found = set()
    for folder, _, files in os.walk(sdk):
        for name in files:
            rel = os.path.relpath(os.path.join(folder, name), sdk)
            if not any(os.path.exists(os.path.join(d, rel)) for d in native):
                found.add(rel.lower())
    return found


def allowed(unit, portable):
    key = map_key(unit)
    if portable and key in PORTABLE_MAP:
        return PORTABLE_MAP[key]
    return MAP.get(key)


def check(root, compile_commands):
    sources = set(source_files(root))
    portable, own_portable = portable_files(root, compile_commands, sources)
    windows = windows_headers()
    faults = []
    count = 0
    for path in sorted(sources):
        unit = unit_of(path)
        if unit is None:
            continue
        is_portable = path in portable
        rules = allowed(unit, is_portable)
        if rules is None:
            faults.append("%s: the folder %s is not in the layer map (tools/check-layers.py)"
                          % (path, unit))
            continue
        for number, system, name, windows_side in includes(root, path):
            count += 1
            where = "%s:%d: #include %s" % (path, number, name)
            if system:
                if is_portable and not WINDOWS_FILE.search(path) and name.lower() in windows:
                    faults.append(where + ": a Windows header in a portable file (only *_win files)")
                continue
            # A portable file's #ifdef _WIN32 part is its Windows half.
            side_rules = allowed(unit, False) if windows_side else rules
            side_portable = is_portable and not windows_side
            target = resolve(root, path, name)
            if target is None:
                continue  # a generated file or one of the build's own
            to = unit_of(target)
            if to is None or to == unit:
                continue
            if to.startswith("tests/") and map_key(unit) not in (TESTS, TOOLS, "bench"):
                if not TEST_SIDE.search(path):
                    faults.append(where + ": test helpers are for test code only")
                continue
            if TEST_SIDE.search(path) and TEST_SIDE.search(target) and to not in ("ui", "app"):
                continue  # test code shares its helpers across folders
            ok = any(matches(pattern, to) and (not portable_only or target in own_portable)
                     for pattern, portable_only in side_rules)
            if not ok:
                kind = "portable files of " if side_portable and map_key(unit) in PORTABLE_MAP else ""
                what = to
                if any(matches(pattern, to) for pattern, _ in side_rules):
                    what = "the Windows part of " + to
                faults.append("%s: %s%s may not use %s" % (where, kind, unit, what))
    return faults, len(sources), count


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    faults, files, count = check(sys.argv[1], sys.argv[2])
    for fault in faults:
        print(fault)
    if faults:
        print("%d includes break the layer map" % len(faults))
        return 1
    print("layer map: %d files, %d includes checked" % (files, count))
    return 0


if __name__ == "__main__":
    sys.exit(main())
