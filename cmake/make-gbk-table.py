#!/usr/bin/env python3
"""Writes core's GBK table from the C library's GBK converter (iconv).

Usage: make-gbk-table.py OUTPUT.cpp

Every character of the Basic Multilingual Plane is put to iconv; GBK has
nothing beyond it. The double-byte codes are listed in code order (lead
0x81-0xFE, trail 0x40-0xFE without 0x7F), each slot as the change of the
character from the slot before that held one: a zigzag varint, 0 for an empty
slot. ASCII is itself; the few other single bytes are listed apart.
"""
import ctypes
import ctypes.util
import struct
import sys

LEADS = range(0x81, 0xFF)
TRAILS = [t for t in range(0x40, 0xFF) if t != 0x7F]


class Iconv:
    def __init__(self, to_code, from_code):
        self.libc = ctypes.CDLL(ctypes.util.find_library("c"))
        self.libc.iconv_open.restype = ctypes.c_void_p
        self.libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self.libc.iconv.restype = ctypes.c_size_t
        self.libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
        self.cd = self.libc.iconv_open(to_code.encode(), from_code.encode())
        if self.cd is None or self.cd == ctypes.c_void_p(-1).value:
            sys.exit(f"make-gbk-table: iconv has no {from_code} to {to_code} converter")

    def convert(self, data):
        """The converted bytes, or None when iconv refuses them."""
        source = ctypes.create_string_buffer(data, len(data))
        target = ctypes.create_string_buffer(16)
        source_at = ctypes.c_char_p(ctypes.addressof(source))
        target_at = ctypes.c_char_p(ctypes.addressof(target))
        source_left = ctypes.c_size_t(len(data))
        target_left = ctypes.c_size_t(len(target))
        result = self.libc.iconv(ctypes.c_void_p(self.cd), ctypes.byref(source_at), ctypes.byref(source_left),
                                 ctypes.byref(target_at), ctypes.byref(target_left))
        self.libc.iconv(ctypes.c_void_p(self.cd), None, None, None, None)
        if result == ctypes.c_size_t(-1).value:
            return None
        return target.raw[:len(target) - target_left.value]


def gbk_of_every_character():
    to_gbk = Iconv("GBK", "UTF-32LE")
    forms = {}
    for character in range(0x10000):
        if 0xD800 <= character <= 0xDFFF:
            continue
        gbk = to_gbk.convert(struct.pack("<I", character))
        # A character iconv drops without a word has no GBK form either.
        if gbk:
            forms[character] = gbk
    return forms


def check(forms):
    for character in range(0x80):
        if forms.get(character) != bytes([character]):
            sys.exit(f"make-gbk-table: iconv's GBK does not keep ASCII U+{character:04X}")
    codes = set()
    for character, gbk in forms.items():
        double = len(gbk) == 2 and gbk[0] in LEADS and gbk[1] in TRAILS
        if not (len(gbk) == 1 or double) or gbk in codes:
            sys.exit(f"make-gbk-table: unexpected GBK form {gbk.hex()} of U+{character:04X}")
        codes.add(gbk)


def zigzag_varint(change):
    value = change * 2 if change > 0 else -change * 2 - 1
    out = bytearray()
    while value >= 0x80:
        out.append(value & 0x7F | 0x80)
        value >>= 7
    out.append(value)
    return out


def double_byte_deltas(forms):
    by_code = {gbk: character for character, gbk in forms.items() if len(gbk) == 2}
    out = bytearray()
    previous = 0
    for lead in LEADS:
        for trail in TRAILS:
            character = by_code.get(bytes([lead, trail]))
            if character is None:
                out.append(0)
            else:
                out += zigzag_varint(character - previous)
                previous = character
    return out


def source_text(forms):
    singles = sorted((c, gbk[0]) for c, gbk in forms.items() if len(gbk) == 1 and c >= 0x80)
    deltas = double_byte_deltas(forms)
    rows = [", ".join(str(b) for b in deltas[i:i + 24]) for i in range(0, len(deltas), 24)]
    single_rows = ", ".join(f"{{ 0x{c:04X}, 0x{b:02X} }}" for c, b in singles)
    return (
        "// Made by cmake/make-gbk-table.py from the C library's GBK converter.\n"
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
