#!/usr/bin/env python3
"""Makes a password-protected copy of an Access file, for the tests (no Access here).

    tools/protect-mdb.py SOURCE TARGET --password PW   the database password, as Jet stores it
    tools/protect-mdb.py SOURCE TARGET --encrypt       an ACE file marked as encrypted

Page 0 of a Jet/ACE file is masked from offset 0x18 with the RC4 stream of the key
0x6b39dac7 (126 bytes in Jet 3, 128 from Jet 4 on). Unmasked, 0x42 holds the database
password: 20 bytes of text in Jet 3; 40 bytes of UTF-16 from Jet 4 on, each XOR'd with the
4 bytes of the creation date (the double at 0x72, truncated to an integer). 0x3E holds the
page encoding key, non-zero in an encrypted ACCDB. Only page 0 changes: a file made with
--encrypt keeps clear pages (a real one is unreadable without the password), which is all
the header check needs.
"""
import argparse
import struct
import sys


def rc4_stream(key, length):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 0xFF
        s[i], s[j] = s[j], s[i]
    i = j = 0
    out = bytearray()
    for _ in range(length):
        i = (i + 1) & 0xFF
        j = (j + s[i]) & 0xFF
        s[i], s[j] = s[j], s[i]
        out.append(s[(s[i] + s[j]) & 0xFF])
    return bytes(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("source")
    parser.add_argument("target")
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--password")
    group.add_argument("--encrypt", action="store_true")
    args = parser.parse_args()

    data = bytearray(open(args.source, "rb").read())
    if data[0:4] != b"\x00\x01\x00\x00" or data[4:19] not in (b"Standard Jet DB", b"Standard ACE DB"):
        sys.exit("not a Jet or ACE file")
    jet3 = data[0x14] == 0
    masked = 126 if jet3 else 128
    mask = rc4_stream(struct.pack("<I", 0x6B39DAC7), masked)
    header = bytearray(b ^ m for b, m in zip(data[0x18:0x18 + masked], mask))

    def at(offset):  # position in header of a page-0 offset
        return offset - 0x18

    if args.encrypt:
        if jet3 or data[0x14] < 2:
            sys.exit("--encrypt is for ACE (.accdb) files")
        header[at(0x3E):at(0x3E) + 4] = struct.pack("<I", 0x5A17C0DE)
    elif jet3:
        text = args.password.encode("cp1252")
        if len(text) > 20:
            sys.exit("a Jet 3 password has at most 20 characters")
        header[at(0x42):at(0x42) + 20] = text.ljust(20, b"\x00")
    else:
        text = args.password.encode("utf-16-le")
        if len(text) > 40:
            sys.exit("a Jet 4 password has at most 20 characters")
        created = struct.unpack_from("<d", header, at(0x72))[0]
        date_mask = struct.pack("<i", int(created))
        padded = text.ljust(40, b"\x00")
        header[at(0x42):at(0x42) + 40] = bytes(b ^ date_mask[i % 4] for i, b in enumerate(padded))

    data[0x18:0x18 + masked] = bytes(b ^ m for b, m in zip(header, mask))
    open(args.target, "wb").write(data)


if __name__ == "__main__":
    main()
