#!/usr/bin/python3
"""Checks that every C++ source of the tree is formatted as .clang-format says.

    check-format.py <source root>

Runs Debian's clang-format over every .cpp and .h file (build trees, hidden
folders and test data left out) and prints the files that differ, with the
command that formats them; exits 1 if there is any.
"""

import os
import subprocess
import sys

SKIPPED_FOLDERS = {"build", "testdata"}
SOURCE_ENDINGS = (".cpp", ".h")
BATCH = 64


def source_files(root):
    for folder, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if not d.startswith(".") and d not in SKIPPED_FOLDERS)
        for name in sorted(files):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.relpath(os.path.join(folder, name), root)


def unformatted(root, files):
    """The files of the batch that clang-format would change."""
    result = subprocess.run(["clang-format", "--dry-run", "--Werror", "--style=file"] + files,
                            cwd=root, capture_output=True, text=True)
    if result.returncode == 0:
        return []
    named = {line.split(":", 1)[0] for line in result.stderr.splitlines()
             if ": error:" in line}
    if not named:
        sys.exit("check-format: clang-format failed:\n" + result.stderr)
    return sorted(named)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    files = list(source_files(root))
    bad = []
    for start in range(0, len(files), BATCH):
        bad += unformatted(root, files[start:start + BATCH])
    for path in bad:
        print(f"{path}: differs from .clang-format (clang-format -i {path})")
    if bad:
        return 1
    print(f"check-format: {len(files)} files formatted as .clang-format says")
    return 0


if __name__ == "__main__":
    sys.exit(main())
