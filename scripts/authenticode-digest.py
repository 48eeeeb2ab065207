#!/usr/bin/env python3
"""Prints the Authenticode SHA-256 digest of each exe, signed or not, one "digest  name" a line.

The digest is what a signature signs: the whole file but its checksum, the certificate table's
entry and the certificate table itself, padded with zeros to 8 bytes as signing pads it. So a
signed release and the same exe rebuilt without the key give the same digest:

    python3 scripts/authenticode-digest.py downloaded/ZiRuri.exe rebuilt/ZiRuri.exe
"""
import hashlib
import struct
import sys

CERTIFICATE_TABLE = 4


def authenticode_digest(data: bytes) -> str:
    if data[:2] != b"MZ":
        raise ValueError("not an MZ file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic not in (0x10B, 0x20B):
        raise ValueError(f"unknown optional header {magic:#x}")
    checksum = optional + 64
    entry = optional + (96 if magic == 0x10B else 112) + 8 * CERTIFICATE_TABLE
    offset, size = struct.unpack_from("<II", data, entry)
    end = offset if size else len(data)
    if end > len(data) or end < entry + 8:
        raise ValueError("the certificate table lies outside the file")
    digest = hashlib.sha256()
    digest.update(data[:checksum])
    digest.update(data[checksum + 4:entry])
    digest.update(data[entry + 8:end])
    digest.update(b"\0" * (-end % 8))
    return digest.hexdigest()


def main(paths) -> int:
    if not paths:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    status = 0
    for path in paths:
        try:
            with open(path, "rb") as f:
                print(f"{authenticode_digest(f.read())}  {path}")
        except (OSError, ValueError, struct.error) as error:
            print(f"authenticode-digest: {path}: {error}", file=sys.stderr)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
