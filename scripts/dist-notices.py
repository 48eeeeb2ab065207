#!/usr/bin/env python3
"""Writes the release's THIRD-PARTY-NOTICES.txt (CR LF, for Notepad).

The notices of what ZiRuri.exe links statically come from the very inputs it was linked with:
zlib's from its header, libjpeg-turbo's from its installed documents (the IJG licence asks for
its sentence in a binary's documentation), the MinGW-w64 runtime's and winpthreads' from
Debian's copyright file. Those of the package's grldr and fbinst.exe are the release builder's:
<file>.notice.txt beside each, with Authors:, Licence: and Source: lines (payload/README.md).

Usage: dist-notices.py --deps MINGW_DEPS --third-party DIR OUT
"""
import argparse
import pathlib
import re
import subprocess
import sys

ZLIB_HEADER = pathlib.Path("/usr/x86_64-w64-mingw32/include/zlib.h")
MINGW_COPYRIGHT = pathlib.Path("/usr/share/doc/mingw-w64-x86-64-dev/copyright")
IJG_SENTENCE = "This software is based in part on the work of the Independent JPEG Group."
# The paragraphs of Debian's mingw-w64 copyright file that cover what a static exe takes in:
# the runtime (its Files: *) and winpthreads.
MINGW_PARTS = {"*": "The MinGW-w64 runtime",
               "mingw-w64-libraries/winpthreads/*": "winpthreads",
               "mingw-w64-libraries/winpthreads/include/pthread.h": "winpthreads' pthread.h"}
BUILDER_FIELDS = {"Authors": ("Authors:",), "Licence": ("Licence:", "License:"),
                  "Source": ("Source:",)}
GCC_RUNTIME = ("libgcc and libstdc++, GCC's runtime libraries, are under the GNU GPL version 3\n"
               "with the GCC Runtime Library Exception, which lets a program built with GCC\n"
               "ship them under its own terms.")


def package_version(name):
    result = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True,
                            text=True)
    return result.stdout.strip() or "unknown"


def zlib_notice():
    text = ZLIB_HEADER.read_text()
    comment = text[text.index("/*") + 2:text.index("*/")]
    version = re.search(r'#define ZLIB_VERSION "([^"]+)"', text).group(1)
    title = f"zlib {version} (Debian libz-mingw-w64-dev {package_version('libz-mingw-w64-dev')})"
    return title, comment


def jpeg_notice(deps):
    docs = deps / "share" / "doc" / "libjpeg-turbo"
    ijg = (docs / "README.ijg").read_text()
    legal = ijg[ijg.index("LEGAL ISSUES"):ijg.index("\nREFERENCES")]
    # setup.sh names the cross-built folder after Debian's source version, ':' as '_'.
    built = re.fullmatch(r"libjpeg-turbo-(.*)-mingw64", deps.resolve().name)
    source = built.group(1).replace("_", ":", 1) if built else "unknown"
    pc = (deps / "lib" / "pkgconfig" / "libjpeg.pc").read_text()
    version = re.search(r"^Version: (.*)$", pc, re.MULTILINE).group(1)
    title = f"libjpeg-turbo {version} (Debian source package {source})"
    return title, IJG_SENTENCE + "\n\n" + (docs / "LICENSE.md").read_text() + "\n\n" + legal


def debian_paragraphs(text):
    """The fields of each paragraph of a machine-readable debian/copyright file."""
    for block in re.split(r"\n\s*\n", text):
        fields, key = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t") and key:
                fields[key] += "\n" + ("" if line.strip() == "." else line[1:])
            elif ":" in line:
                key, value = line.split(":", 1)
                fields[key] = value.strip()
        yield fields


def mingw_notice():
    paragraphs = list(debian_paragraphs(MINGW_COPYRIGHT.read_text()))
    licences = {p["License"].split("\n", 1)[0]: p["License"].partition("\n")[2]
                for p in paragraphs if "License" in p and "Files" not in p}
    parts = []
    for files, label in MINGW_PARTS.items():
        p = next(p for p in paragraphs if p.get("Files", "").split()[:1] == [files])
        name, _, text = p["License"].partition("\n")
        parts.append(f"{label}: Copyright {p['Copyright']}\n\n"
                     f"{(text or licences[name]).strip()}")
    version = package_version("mingw-w64-x86-64-dev")
    title = f"MinGW-w64 runtime and winpthreads (Debian mingw-w64 {version})"
    return title, "\n\n".join(parts) + "\n\n" + GCC_RUNTIME


def builder_notice(third, name):
    path = third / f"{name}.notice.txt"
    if not path.is_file():
        raise SystemExit(f"notices: {path} is missing (see payload/README.md)")
    text = path.read_text(encoding="utf-8")
    lines = [line.strip() for line in text.splitlines()]
    missing = [field for field, starts in BUILDER_FIELDS.items()
               if not any(line.startswith(starts) and line.split(":", 1)[1].strip()
                          for line in lines)]
    if missing:
        raise SystemExit(f"notices: {path} lacks {', '.join(missing)} (see payload/README.md)")
    return name, text


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--deps", type=pathlib.Path, required=True)
    parser.add_argument("--third-party", type=pathlib.Path, required=True)
    parser.add_argument("out", type=pathlib.Path)
    args = parser.parse_args()
    sections = [zlib_notice(), jpeg_notice(args.deps), mingw_notice(),
                builder_notice(args.third_party, "grldr"),
                builder_notice(args.third_party, "fbinst.exe")]
    text = ("ZiRuri: third-party notices\n\n"
            "ZiRuri.exe contains zlib, libjpeg-turbo and the MinGW-w64 and GCC runtime\n"
            "libraries, linked into it. data\\Data.Kp carries grldr and fbinst.exe, which\n"
            "ZiRuri writes to the USB disk. Their notices follow.\n\n"
            f"{IJG_SENTENCE}\n")
    for title, body in sections:
        print(f"notices: {title}")
        text += f"\n\n{'=' * 78}\n{title}\n{'=' * 78}\n\n{body.strip()}\n"
    lines = [line.rstrip() for line in text.splitlines()]
    args.out.write_bytes(("\r\n".join(lines) + "\r\n").encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
