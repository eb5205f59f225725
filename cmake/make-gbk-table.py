#!/usr/bin/env python3
"""Writes core's GBK table.

Usage: make-gbk-table.py OUTPUT.cpp

Python's own GBK codec gives the forms, the same on every system that builds
Orlet (Windows has no iconv); they are the C library's GBK (iconv), which the
tests hold the table against, but for the euro sign, GBK's one byte beyond
ASCII (0x80), which the codec predates and iconv, Qt and Windows' code page
936 all have.

The double-byte codes are listed GB2312's block first (lead and trail
0xA1-0xFE), then the others in code order (lead 0x81-0xFE, trail 0x40-0xFE
without 0x7F). Each slot holds how far its character lies from the one
expected there: the first above the last character listed that has no form
yet. Past GB2312, GBK lists the ideographs GB2312 lacks in Unicode's order,
so that is mostly where it lies, and the table packs to a fifth less in the
browser page. The distance is zigzag-coded plus one in 7-bit groups, 0 for
an empty slot. ASCII is itself; the other single bytes are listed apart.
"""
import sys

LEADS = range(0x81, 0xFF)
TRAILS = [t for t in range(0x40, 0xFF) if t != 0x7F]
EURO_SIGN = (0x20AC, b"\x80")


def gbk_of_every_character():
    """GBK's form of every character of the Basic Multilingual Plane: GBK has nothing beyond it."""
    forms = {}
    for character in range(0x10000):
        if 0xD800 <= character <= 0xDFFF:
            continue
        try:
            forms[character] = chr(character).encode("gbk")
        except UnicodeEncodeError:
            pass
    forms.setdefault(*EURO_SIGN)
    return forms


def check(forms):
    for character in range(0x80):
        if forms.get(character) != bytes([character]):
            sys.exit(f"make-gbk-table: the GBK codec does not keep ASCII U+{character:04X}")
    codes = set()
    for character, gbk in forms.items():
        double = len(gbk) == 2 and gbk[0] in LEADS and gbk[1] in TRAILS
        if not (len(gbk) == 1 or double) or gbk in codes:
            sys.exit(f"make-gbk-table: unexpected GBK form {gbk.hex()} of U+{character:04X}")
        codes.add(gbk)


def zigzag_varint(change):
    value = (change * 2 if change >= 0 else -change * 2 - 1) + 1
    out = bytearray()
    while value >= 0x80:
        out.append(value & 0x7F | 0x80)
        value >>= 7
    out.append(value)
    return out


def slot_order():
    gb2312 = [(lead, trail) for lead in range(0xA1, 0xFF) for trail in range(0xA1, 0xFF)]
    others = [(lead, trail) for lead in LEADS for trail in TRAILS if lead < 0xA1 or trail < 0xA1]
    return gb2312 + others


def double_byte_deltas(forms):
    by_code = {gbk: character for character, gbk in forms.items() if len(gbk) == 2}
    has_form = {character for character, gbk in forms.items() if len(gbk) == 1}
    out = bytearray()
    previous = 0
    for lead, trail in slot_order():
        character = by_code.get(bytes([lead, trail]))
        if character is None:
            out.append(0)
            continue
        expected = previous + 1
        while expected in has_form:
            expected += 1
        out += zigzag_varint(character - expected)
        has_form.add(character)
        previous = character
    return out


def source_text(forms):
    singles = sorted((c, gbk[0]) for c, gbk in forms.items() if len(gbk) == 1 and c >= 0x80)
    deltas = double_byte_deltas(forms)
    rows = [", ".join(str(b) for b in deltas[i:i + 24]) for i in range(0, len(deltas), 24)]
    single_rows = ", ".join(f"{{ 0x{c:04X}, 0x{b:02X} }}" for c, b in singles)
    return (
        "// Made by cmake/make-gbk-table.py from Python's GBK codec.\n"
        '#include "GbkTable.h"\n\n'
        "namespace orlet::gbk_table {\n\n"
        f"const SingleByte kSingleBytes[] = {{ {single_rows} }};\n"
        "const std::size_t kSingleByteCount = std::size(kSingleBytes);\n\n"
        "const unsigned char kDoubleByteDeltas[] = {\n" + ",\n".join(rows) + "\n};\n"
        "const std::size_t kDoubleByteDeltaCount = std::size(kDoubleByteDeltas);\n\n"
        "} // namespace orlet::gbk_table\n")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    forms = gbk_of_every_character()
    check(forms)
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as out:
        out.write(source_text(forms))


if __name__ == "__main__":
    main()
