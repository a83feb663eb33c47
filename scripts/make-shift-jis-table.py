#!/usr/bin/env python3
"""Writes smf/shift_jis_table.cpp: the two-byte characters of Shift_JIS as
Windows reads it (code page 932, JIS X 0208 with the NEC and IBM rows), one
UTF-16 string of 188 characters per lead byte, U+FFFD where a pair means
nothing. The user-defined lead bytes (0xF0-0xF9) are left out: they mean
nothing outside one machine.

Usage: scripts/make-shift-jis-table.py > smf/shift_jis_table.cpp
"""

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xF0)) + list(range(0xFA, 0xFD))
TRAILS = list(range(0x40, 0x7F)) + list(range(0x80, 0xFD))


def row(lead):
    out = []
    for trail in TRAILS:
        try:
            text = bytes([lead, trail]).decode("cp932")
        except UnicodeDecodeError:
            text = "\ufffd"
        if len(text) != 1 or 0xE000 <= ord(text) < 0xF900:
            text = "\ufffd"
        out.append("\\" + text if text in '\\"' else text)
    return "".join(out)


def main():
    print("// Made by scripts/make-shift-jis-table.py; edit that, not this.")
    print('#include "smf/shift_jis_table.h"')
    print()
    print("namespace murvane {")
    print()
    print("const char16_t* const kShiftJisRows[kShiftJisLeadCount] = {")
    for lead in LEADS:
        print(f'    u"{row(lead)}",  // {lead:02X}')
    print("};")
    print()
    print("}  // namespace murvane")


if __name__ == "__main__":
    main()
