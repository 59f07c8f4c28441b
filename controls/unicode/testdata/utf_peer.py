#!/usr/bin/python3
"""Python's codecs as the peer of the UTF-8 and UTF-7 conversions.

    utf_peer.py IN OUT

Each line of IN: the UTF-16LE bytes of a text, then our UTF-8 and our UTF-7
forms of it, as hex, separated by blanks ("-" for an empty field). Each line
of OUT: Python's UTF-8 and UTF-7 forms of the text, then Python's decoding
of our two forms as UTF-16LE (or "ERR" when Python refuses them).
"""
import sys


def unhex(field):
    return b"" if field == "-" else bytes.fromhex(field)


def tohex(data):
    return data.hex() if data else "-"


def decode(data, codec):
    try:
        return tohex(data.decode(codec).encode("utf-16-le", "surrogatepass"))
    except UnicodeDecodeError:
        return "ERR"


with open(sys.argv[1]) as src, open(sys.argv[2], "w") as dst:
    for line in src:
        wide, ours8, ours7 = line.split()
        text = unhex(wide).decode("utf-16-le", "surrogatepass")
        dst.write(" ".join([
            tohex(text.encode("utf-8")),
            tohex(text.encode("utf-7")),
            decode(unhex(ours8), "utf-8"),
            decode(unhex(ours7), "utf-7"),
        ]) + "\n")
