#!/usr/bin/env python3
"""Checks the built ZiRuri.exe itself for what Wine lets pass and Windows does not.

- Every DLL it imports is one that Windows loads from System32 whatever lies beside the exe
  (a KnownDLL, or comctl32 bound through the manifest): the program runs as administrator
  from the user's Downloads folder, where anybody may have put a DLL of the same name. Nothing
  is delay-loaded, which would search the same way later.
- Its embedded manifest is the configured one and Windows can parse it: well-formed XML, a
  four-part numeric version, administrator rights, common controls 6, supported systems.
- The manifest declares the program per-monitor DPI aware (v2), with the older form for the
  systems before it; Wine treats every program as aware, so only the exe can show it.

With --wine (inside a running Wine environment, see scripts/wine-env.sh) it also starts the exe
once under Wine, which says nothing of a manifest it cannot parse unless asked: the manifest
must parse, and the common controls the program gets must be version 6 (the side-by-side copy).

With --release DATA_KP --epoch SECONDS (make dist) it is the exe that ships: pinned to the
Data.Kp beside it, stripped, stamped with the commit's time (SOURCE_DATE_EPOCH) in its header
and its version resource's copyright year, and, when it carries a signature, one that
osslsigncode verifies (made with the first certificate of --signer PEM when that is given).
--epoch alone checks only the times, --build-path PATH (repeatable) that the exe holds no such
path.

Usage: check_exe.py ZiRuri.exe [--wine] [--release DATA_KP] [--epoch SECONDS] [--signer PEM]
[--build-path PATH]... [--json FILE]. Prints one line per failed check and writes the results
in GoogleTest's JSON shape, so that the test summary counts them.
"""

import argparse
import base64
import hashlib
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

from report import report

# What Windows 10 and 11 list under KnownDLLs, plus comctl32, which the manifest binds to the
# side-by-side copy of version 6. Lower case.
ALLOWED_IMPORTS = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comctl32.dll", "comdlg32.dll", "coml2.dll",
    "gdi32.dll", "gdiplus.dll", "imagehlp.dll", "imm32.dll", "kernel32.dll", "msctf.dll",
    "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "wldap32.dll", "ws2_32.dll",
}

ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
COMPAT = "urn:schemas-microsoft-com:compatibility.v1"
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
SETTINGS_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
SETTINGS_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
RT_MANIFEST = 24


class Pe:
    """Just enough of a PE32+ file: its sections, data directories and strings by RVA."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        self.time_stamp, self.symbol_table, self.symbols = struct.unpack_from("<III", data, pe + 8)
        optional = pe + 24
        if struct.unpack_from("<H", data, optional)[0] != 0x20B:
            raise ValueError("not a PE32+ (x86-64) file")
        directories = struct.unpack_from("<I", data, optional + 108)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i)
                            for i in range(directories)]
        table = optional + optional_size
        self.sections = []
        self.section_names = []
        for i in range(sections):
            size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((rva, max(size, raw_size), raw))
            self.section_names.append(data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0")
                                      .decode("latin-1"))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} outside every section")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def c_string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def dll_names(self, directory, record, name_field):
        """The DLLs of an import table: records of the given layout up to one of zeros."""
        rva, _ = self.directory(directory)
        names = []
        while rva:
            descriptor = struct.unpack_from(record, self.data, self.offset(rva))
            if not any(descriptor):
                break
            names.append(self.c_string(descriptor[name_field]))
            rva += struct.calcsize(record)
        return names

    def imports(self):
        return self.dll_names(1, "<5I", 3)

    def delay_imports(self):
        return self.dll_names(13, "<8I", 1)

    def resource(self, type_id, name_id):
        """The bytes of the first language of a resource given by numeric type and name."""
        base, _ = self.directory(2)
        if not base:
            return None
        root = self.offset(base)

        def entry(directory, wanted):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named, named + numbered):
                key, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if wanted is None or key == wanted:
                    return target
            return None

        names = entry(root, type_id)
        languages = entry(root + (names & 0x7FFFFFFF), name_id) if names else None
        leaf = entry(root + (languages & 0x7FFFFFFF), None) if languages else None
        if leaf is None or leaf & 0x80000000:
            return None
        data_rva, size = struct.unpack_from("<II", self.data, root + leaf)
        start = self.offset(data_rva)
        return self.data[start:start + size]


def check_imports(pe):
    failures = []
    for name in pe.imports():
        if name.lower() not in ALLOWED_IMPORTS:
            failures.append(f"imports {name}, which Windows would look for beside the exe "
                            "or along PATH")
    for name in pe.delay_imports():
        failures.append(f"delay-loads {name}")
    return failures


def check_manifest(pe):
    raw = pe.resource(RT_MANIFEST, 1)
    if raw is None:
        return ["no manifest resource (RT_MANIFEST, 1)"]
    failures = []
    text = raw.decode("utf-8", errors="replace")
    if "@" in text:
        failures.append("the manifest holds an unfilled '@' placeholder")
    try:
        root = ET.fromstring(raw)
    except ET.ParseError as error:
        return failures + [f"the manifest is not well-formed XML: {error}"]

    identity = root.find(f"{{{ASM_V1}}}assemblyIdentity")
    version = identity.get("version", "") if identity is not None else ""
    parts = version.split(".")
    if len(parts) != 4 or not all(re.fullmatch(r"[0-9]{1,5}", p) and int(p) <= 65535
                                  for p in parts):
        failures.append(f"assembly version {version!r} is not four numbers of 0..65535")

    levels = [e.get("level") for e in root.iter()
              if e.tag in (f"{{{ASM_V3}}}requestedExecutionLevel",
                           f"{{{ASM_V1}}}requestedExecutionLevel")]
    if levels != ["requireAdministrator"]:
        failures.append(f"execution level {levels} is not requireAdministrator")

    controls = [e for e in root.iter(f"{{{ASM_V1}}}assemblyIdentity")
                if e.get("name") == "Microsoft.Windows.Common-Controls"]
    if not any(e.get("version", "").startswith("6.") and
               e.get("publicKeyToken", "").lower() == "6595b64144ccf1df" for e in controls):
        failures.append("no dependency on Microsoft.Windows.Common-Controls 6")

    systems = {e.get("Id", "").lower() for e in root.iter(f"{{{COMPAT}}}supportedOS")}
    if WINDOWS_10 not in systems:
        failures.append("no supportedOS entry for Windows 10/11")
    return failures


def check_dpi_awareness(pe):
    """Windows reads the two settings only in their own namespaces, under the asm.v3
    application's windowsSettings; anywhere else they are ignored without a word, and the
    window is stretched as a bitmap."""
    raw = pe.resource(RT_MANIFEST, 1)
    try:
        root = ET.fromstring(raw or b"")
    except ET.ParseError:
        return ["no manifest to read the DPI awareness from"]
    settings = root.find(f"{{{ASM_V3}}}application/{{{ASM_V3}}}windowsSettings")
    if settings is None:
        return ["no asm.v3 application/windowsSettings in the manifest"]
    failures = []
    awareness = settings.find(f"{{{SETTINGS_2016}}}dpiAwareness")
    first = (awareness.text or "").split(",")[0].strip().lower() if awareness is not None else ""
    if first != "permonitorv2":
        failures.append(f"dpiAwareness ({SETTINGS_2016}) does not start with PerMonitorV2")
    aware = settings.find(f"{{{SETTINGS_2005}}}dpiAware")
    if aware is None or (aware.text or "").strip().lower() != "true/pm":
        failures.append(f"dpiAware ({SETTINGS_2005}) is not true/pm")
    return failures


COMCTL6 = re.compile(r"Loaded L\"[^\"]*winsxs\\\\[^\"]*common-controls_6595b64144ccf1df_6\.[^\"]*"
                     r"comctl32\.dll\"", re.IGNORECASE)


def check_under_wine(exe):
    """Starts a copy of the exe under Wine's loader and actctx traces until comctl32 is in."""
    folder = tempfile.mkdtemp(prefix="zr-manifest-")
    try:
        copy = os.path.join(folder, "ZiRuri.exe")
        shutil.copy(exe, copy)
        log = os.path.join(folder, "wine.log")
        env = dict(os.environ, WINEDEBUG="fixme+actctx,err+actctx,+loaddll")
        with open(log, "w") as out:
            process = subprocess.Popen(["wine", copy], cwd=folder, env=env,
                                       stdout=subprocess.DEVNULL, stderr=out)
            deadline = time.monotonic() + 30
            while time.monotonic() < deadline and process.poll() is None:
                with open(log, errors="replace") as f:
                    if re.search(r"Loaded L\"[^\"]*comctl32\.dll\"", f.read(), re.IGNORECASE):
                        break
                time.sleep(0.2)
            process.kill()
            process.wait()
        with open(log, errors="replace") as f:
            trace = f.read()
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    failures = [line for line in trace.splitlines() if "manifest" in line.lower()
                and ("fixme" in line or "err:" in line)]
    if not COMCTL6.search(trace):
        loaded = [line for line in trace.splitlines() if "comctl32" in line.lower()]
        failures.append("common controls 6 were not loaded: " + (loaded[0] if loaded else
                                                                "no comctl32 at all"))
    return failures


ROOT = pathlib.Path(__file__).resolve().parents[2]
RT_VERSION = 16
CERTIFICATE_TABLE = 4
SYSTEM_CERTIFICATES = "/etc/ssl/certs/ca-certificates.crt"


def release_options(argv):
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--release", metavar="DATA_KP")
    parser.add_argument("--epoch", type=int)
    parser.add_argument("--signer")
    parser.add_argument("--build-path", action="append", default=[])
    return parser.parse_known_args(argv[2:])[0]


def check_pinned(exe, package):
    """scripts/pin-package.py --check: the exe carries the digest of the package it ships with."""
    result = subprocess.run([sys.executable, str(ROOT / "scripts" / "pin-package.py"), exe,
                             package, "--check"], capture_output=True, text=True)
    return [] if result.returncode == 0 else [result.stderr.strip() or "not pinned"]


def check_stripped(pe):
    failures = []
    if pe.symbol_table or pe.symbols:
        failures.append(f"carries a symbol table of {pe.symbols} symbols")
    # A long section name ("/4") points into the symbols' string table: only debug sections
    # have them in an image.
    debug = [n for n in pe.section_names if n.startswith((".debug", "/"))]
    if debug:
        failures.append(f"carries debug sections {', '.join(debug)}")
    return failures


def check_times(pe, epoch):
    """The commit's time, not the build's: in the header and the copyright year."""
    failures = []
    if epoch is None:
        return ["no --epoch given"]
    if pe.time_stamp != epoch:
        failures.append(f"time stamp {pe.time_stamp} is not SOURCE_DATE_EPOCH {epoch}")
    version = pe.resource(RT_VERSION, 1) or b""
    years = re.findall(r"Copyright \(C\) ([0-9]{4})", version.decode("utf-16-le", "replace"))
    wanted = str(time.gmtime(epoch).tm_year)
    if years != [wanted]:
        failures.append(f"the version resource's copyright years {years} are not [{wanted!r}]")
    return failures


def check_build_paths(data, paths):
    failures = []
    for path in {p.rstrip("/") for given in paths for p in (given, os.path.realpath(given))}:
        if path and path.encode() in data:
            failures.append(f"holds the build path {path}")
    return failures


def leaf_hash(pem_path):
    """SHA-256 of the first certificate of a PEM file, as osslsigncode's -require-leaf-hash."""
    text = pathlib.Path(pem_path).read_text()
    match = re.search(r"-----BEGIN CERTIFICATE-----(.*?)-----END CERTIFICATE-----", text, re.S)
    if not match:
        raise ValueError(f"{pem_path} holds no PEM certificate")
    return hashlib.sha256(base64.b64decode("".join(match.group(1).split()))).hexdigest()


def check_signature(exe, pe, signer):
    """osslsigncode verifies the signature, trusting the system's roots and the signer's chain."""
    if not pe.directory(CERTIFICATE_TABLE)[1]:
        return ["not signed, though a signer certificate was given"] if signer else []
    with tempfile.NamedTemporaryFile("w", suffix=".pem") as anchors:
        for source in (SYSTEM_CERTIFICATES, signer):
            if source and os.path.isfile(source):
                anchors.write(pathlib.Path(source).read_text() + "\n")
        anchors.flush()
        command = ["osslsigncode", "verify", "-in", exe, "-CAfile", anchors.name]
        if signer:
            command += ["-require-leaf-hash", "sha256:" + leaf_hash(signer)]
        try:
            result = subprocess.run(command, capture_output=True, text=True)
        except FileNotFoundError:
            return ["osslsigncode is not installed"]
    if result.returncode == 0:
        return []
    said = [line.strip() for line in (result.stdout + result.stderr).splitlines()
            if re.search(r"fail|error|mismatch", line, re.IGNORECASE)]
    return ["the signature does not verify: " + ("; ".join(said[:4]) or "osslsigncode failed")]


def release_checks(exe, pe, argv):
    options = release_options(argv)
    checks = {}
    if options.release:
        checks["PinnedToItsPackage"] = check_pinned(exe, options.release)
        checks["Stripped"] = check_stripped(pe)
        checks["SignatureVerifies"] = check_signature(exe, pe, options.signer)
    if options.release or options.epoch is not None:
        checks["StampedWithTheCommitsTime"] = check_times(pe, options.epoch)
    if options.build_path:
        checks["HoldsNoBuildPaths"] = check_build_paths(pe.data, options.build_path)
    return checks


def main(argv):
    exe = argv[1]
    json_path = argv[argv.index("--json") + 1] if "--json" in argv else None
    try:
        with open(exe, "rb") as f:
            pe = Pe(f.read())
        checks = {"ImportsOnlySystemDlls": check_imports(pe),
                  "ManifestIsTheConfiguredOne": check_manifest(pe),
                  "ManifestDeclaresPerMonitorDpiAwareness": check_dpi_awareness(pe)}
        if "--wine" in argv:
            checks["WineAcceptsManifestAndBindsCommonControls6"] = check_under_wine(exe)
        checks.update(release_checks(exe, pe, argv))
    except (OSError, ValueError, struct.error) as error:
        checks = {"ReadsAsPe": [f"{exe}: {error}"]}

    return report("check_exe", "ReleaseExe", checks, json_path)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
