#!/usr/bin/env python3
"""Zips a folder so that the same files always give the same zip, byte for byte.

Entries in sorted order, folders as entries of their own, every entry stamped with the given
time (SOURCE_DATE_EPOCH, as UTC), fixed attributes, no extra fields, deflate at level 9. The
file system's times, owners, modes and listing order never reach the zip.

Usage: dist-zip.py --epoch SECONDS FOLDER OUT.zip (the zip's entries start with FOLDER's name)
"""
import argparse
import pathlib
import sys
import time
import zipfile

FILE_MODE = 0o100644
FOLDER_MODE = 0o040755
MSDOS_DIRECTORY = 0x10
UNIX = 3


def entry(name, epoch, folder):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(max(epoch, 315532800))[:6])
    info.create_system = UNIX
    info.external_attr = (FOLDER_MODE << 16) | MSDOS_DIRECTORY if folder else FILE_MODE << 16
    info.compress_type = zipfile.ZIP_STORED if folder else zipfile.ZIP_DEFLATED
    return info


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("folder", type=pathlib.Path)
    parser.add_argument("out", type=pathlib.Path)
    args = parser.parse_args()
    base = args.folder.parent
    paths = sorted([args.folder, *args.folder.rglob("*")],
                   key=lambda p: p.relative_to(base).as_posix())
    with zipfile.ZipFile(args.out, "w", compresslevel=9) as archive:
        for path in paths:
            name = path.relative_to(base).as_posix()
            if path.is_dir():
                archive.writestr(entry(name + "/", args.epoch, True), b"")
            else:
                archive.writestr(entry(name, args.epoch, False), path.read_bytes())
    return 0


if __name__ == "__main__":
    sys.exit(main())
