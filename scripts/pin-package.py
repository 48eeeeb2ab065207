#!/usr/bin/env python3
"""Writes the SHA-256 of a Data.Kp into an exe's package pin, or checks it (--check).

The exe carries "ZiRuri-Data.Kp-SHA256:" once, followed by 64 lowercase hex digits (all zeros
in a development build). Pinning happens before anything else changes the exe (signing)."""
import argparse
import hashlib
import pathlib
import re
import sys

PREFIX = b"ZiRuri-Data.Kp-SHA256:"
PIN = re.compile(re.escape(PREFIX) + rb"([0-9a-f]{64})")


def find_pin(exe: bytes) -> re.Match:
    found = list(PIN.finditer(exe))
    if len(found) != 1 or exe.count(PREFIX) != 1:
        raise SystemExit(f"pin: the exe must carry the package pin exactly once, found {len(found)}")
    return found[0]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("exe", type=pathlib.Path)
    parser.add_argument("package", type=pathlib.Path, help="the Data.Kp shipped beside the exe")
    parser.add_argument("--check", action="store_true", help="only check that the exe is pinned to it")
    args = parser.parse_args()
    exe = bytearray(args.exe.read_bytes())
    digest = hashlib.sha256(args.package.read_bytes()).hexdigest().encode()
    pin = find_pin(bytes(exe))
    if args.check:
        if pin.group(1) == b"0" * 64:
            print(f"pin: {args.exe} is not pinned (a development build)", file=sys.stderr)
            return 1
        if pin.group(1) != digest:
            print(f"pin: {args.exe} is pinned to another package", file=sys.stderr)
            return 1
        return 0
    exe[pin.start(1):pin.end(1)] = digest
    args.exe.write_bytes(bytes(exe))
    print(f"pin: {args.exe.name} pinned to {args.package.name} {digest.decode()}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
