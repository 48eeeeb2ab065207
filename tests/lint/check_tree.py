#!/usr/bin/env python3
"""Checks the source tree as a whole: every C++ file is formatted by .clang-format (make format
fixes that), and no folder of src/ includes a folder above it in the layering below, which is
the order of the README's folder table.

Usage: check_tree.py [--json FILE], from anywhere in the repository. Prints one line per
finding and writes the results in GoogleTest's JSON shape for the test summary.
"""

import json
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]

# Top to bottom: a folder may include itself and the folders after it.
LAYERS = ["ui", "bootdisk", "bootitems", "widgets", "disk", "package", "imaging", "platform"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.MULTILINE)


def sources():
    listed = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, check=True,
                            capture_output=True, text=True).stdout.split()
    return [ROOT / name for name in listed]


def check_format(files):
    result = subprocess.run(["clang-format", "--dry-run", "--Werror", *map(str, files)], cwd=ROOT,
                            capture_output=True, text=True)
    unformatted = sorted({line.split(":", 1)[0] for line in result.stderr.splitlines()
                          if ": error:" in line})
    if result.returncode and not unformatted:
        return [f"clang-format failed: {result.stderr.strip()[:200]}"]
    return [f"{pathlib.Path(name).relative_to(ROOT)} is not formatted (make format)"
            for name in unformatted]


def check_layers(files):
    failures = []
    for path in files:
        parts = path.relative_to(ROOT).parts
        if parts[0] != "src" or len(parts) < 3 or parts[1] not in LAYERS:
            continue
        level = LAYERS.index(parts[1])
        for folder in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if folder in LAYERS and LAYERS.index(folder) < level:
                failures.append(f"{path.relative_to(ROOT)} includes {folder}/, a layer above "
                                f"{parts[1]}/")
    return failures


def main(argv):
    files = sources()
    checks = {"EverySourceIsFormatted": check_format(files),
              "NoFolderIncludesOneAboveIt": check_layers(files)}
    for name, failures in checks.items():
        for failure in failures:
            print(f"check_tree: {name}: {failure}")
    if "--json" in argv:
        suite = [{"name": name, "status": "RUN", "result": "COMPLETED",
                  **({"failures": [{"failure": f} for f in failures]} if failures else {})}
                 for name, failures in checks.items()]
        with open(argv[argv.index("--json") + 1], "w") as f:
            json.dump({"testsuites": [{"name": "SourceTree", "testsuite": suite}]}, f)
    return 1 if any(checks.values()) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
