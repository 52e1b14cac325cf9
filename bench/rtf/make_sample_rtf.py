#!/usr/bin/env python3
"""Writes a sample RTF of about SIZE megabytes with formatting every few words.

usage: make_sample_rtf.py OUT.rtf [SIZE_MB]
"""
import random
import sys

WORDS = ("grandmother kitchen summer river school letters bicycle wedding harvest "
         "village garden winter orchard station market chapel caf\\'e9 na\\'efve "
         "\\u8212? \\u20013? the and of to in we our was").split()
FORMATS = ["\\b ", "\\i ", "\\ul ", "\\cf1 ", "\\fs28 ", "\\f1 ", "\\b\\i ", "\\strike "]

def main():
    out = sys.argv[1]
    size = float(sys.argv[2]) if len(sys.argv) > 2 else 10.0
    target = int(size * 1024 * 1024)
    rng = random.Random(1947)
    parts = ["{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
             "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}}\n"
             "{\\colortbl;\\red192\\green0\\blue0;}\n"]
    length = len(parts[0])
    while length < target:
        para = ["\\pard\\ql "]
        for _ in range(rng.randint(20, 80)):
            words = " ".join(rng.choice(WORDS) for _ in range(rng.randint(2, 5)))
            para.append("{" + rng.choice(FORMATS) + words + "} ")
        para.append("\\par\n")
        chunk = "".join(para)
        parts.append(chunk)
        length += len(chunk)
    parts.append("}\n")
    with open(out, "w", encoding="ascii") as f:
        f.write("".join(parts))

if __name__ == "__main__":
    main()
