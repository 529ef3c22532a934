#!/usr/bin/env python3
"""Writes unicode_words.cpp: the ranges of code points that whole-word matching counts as
a word's characters where Windows-1251 has no byte for them. Those are Unicode's letters
(L*), the marks that join a letter (M*: an accent written apart still belongs to its
letter) and the decimal digits (Nd), by the Unicode data of the Python that runs this.

Usage: make_unicode_words.py [OUTPUT]   (default: unicode_words.cpp beside this script)
"""
import os
import sys
import unicodedata


def is_word(point):
    if 0xD800 <= point <= 0xDFFF:
        return False
    category = unicodedata.category(chr(point))
    return category[0] in "LM" or category == "Nd"


def ranges():
    found, start = [], None
    for point in range(0x110000 + 1):
        word = point <= 0x10FFFF and is_word(point)
        if word and start is None:
            start = point
        elif not word and start is not None:
            found.append((start, point - 1))
            start = None
    return found


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "unicode_words.cpp")
    pairs = ranges()
    lines = [
        "// Made by make_unicode_words.py from the Unicode data %s: do not edit by hand."
        % unicodedata.unidata_version,
        '#include "unicode_words.h"',
        "",
        "namespace {",
        "",
        "struct PointRange {",
        "    uint32_t first;",
        "    uint32_t last;",
        "};",
        "",
        "// Letters, marks and decimal digits, in increasing order.",
        "constexpr PointRange WORD_RANGES[] = {",
    ]
    row = []
    for first, last in pairs:
        row.append("{0x%X, 0x%X}," % (first, last))
        if len(" ".join(row)) > 80:
            lines.append("    " + " ".join(row[:-1]))
            row = row[-1:]
    if row:
        lines.append("    " + " ".join(row))
    lines += [
        "};",
        "",
        "}  // namespace",
        "",
        "int unicode_word_character(uint32_t point) {",
        "    uint32_t low = 0, high = sizeof WORD_RANGES / sizeof *WORD_RANGES;",
        "    while (low < high) {",
        "        uint32_t middle = low + (high - low) / 2;",
        "        if (WORD_RANGES[middle].last < point) low = middle + 1;",
        "        else high = middle;",
        "    }",
        "    return low < sizeof WORD_RANGES / sizeof *WORD_RANGES && WORD_RANGES[low].first <= point;",
        "}",
    ]
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
