#!/usr/bin/env python3
"""make dist, run three times into a temporary folder with the tests' stand-in fbinst.exe and a
dummy grldr: unsigned, as a user's own rebuild; signed with a throwaway certificate as PEM; and
signed again with the same certificate as PKCS#12, which must give the same zips. Reuses what
make test built (build/mingw's stand-in tool, the native kppack), so a run takes seconds.

Usage: check_dist.py [--json FILE]. Prints one line per failed check; the JSON is in
GoogleTest's shape, so that the test summary counts the checks.
"""
import hashlib
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

from report import report

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "release"))
sys.dont_write_bytecode = True  # no __pycache__ left in the tree that make dist would call a change
import check_exe  # noqa: E402

PIN = b"ZiRuri-Data.Kp-SHA256:"
STAND_IN_NOTICE = "Authors: the ZiRuri tests\nLicence: MIT\nSource: tests/ of the ZiRuri sources\n"


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


class Dist:
    """One make dist into a folder of its own, and what came out."""

    def __init__(self, work, label, environment):
        self.out = work / label
        env = {k: v for k, v in os.environ.items()
               if not k.startswith("ZR_") and k != "SOURCE_DATE_EPOCH"}
        env.update(environment, ZR_DIST_DIR=str(self.out))
        self.result = run(["bash", str(ROOT / "scripts" / "dist.sh")], cwd=ROOT, env=env)
        zips = sorted(self.out.glob("ZiRuri-*-win64.zip"))
        self.zip = zips[0] if zips else None
        self.files = {}
        if self.result.returncode == 0 and self.zip:
            self.debug_zip = self.zip.with_name(self.zip.stem + "-debug.zip")
            self.unpacked = self.out / "unpacked"
            for archive in (self.zip, self.debug_zip):
                with zipfile.ZipFile(archive) as z:
                    z.extractall(self.unpacked)
                    self.files.update({n: z.read(n) for n in z.namelist()})

    def failures(self):
        if self.result.returncode != 0 or not self.zip:
            said = self.result.stdout.splitlines()[-4:] + self.result.stderr.splitlines()[-4:]
            return [f"make dist failed: {' | '.join(said)}"]
        return []

    def path(self, suffix):
        return next(self.unpacked / n for n in self.files if n.endswith(suffix))

    def exe(self):
        return next(self.unpacked / n for n in self.files
                    if n.endswith("/ZiRuri.exe") and "-debug/" not in n)


def third_party(work):
    third = work / "third-party"
    third.mkdir()
    shutil.copy(ROOT / "build/mingw/tests/fakefbinst/fakefbinst.exe", third / "fbinst.exe")
    (third / "grldr").write_bytes(b"ZiRuri tests: stands in for grldr, the grub4dos loader\r\n")
    for name in ("grldr", "fbinst.exe"):
        (third / f"{name}.notice.txt").write_text(STAND_IN_NOTICE)
    return third


def throwaway_certificate(work, name):
    key, cert, p12 = (work / f"{name}.key", work / f"{name}.pem", work / f"{name}.p12")
    run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
         "-subj", f"/CN={name}", "-addext", "extendedKeyUsage=codeSigning",
         "-keyout", str(key), "-out", str(cert)], check=True)
    run(["openssl", "pkcs12", "-export", "-in", str(cert), "-inkey", str(key), "-out", str(p12),
         "-passout", "pass:throwaway"], check=True)
    return key, cert, p12


def release_check(exe, *arguments):
    result = run([sys.executable, str(ROOT / "tests/release/check_exe.py"), str(exe), *arguments])
    return result.returncode, result.stdout


def digest(path):
    return run([sys.executable, str(ROOT / "scripts/authenticode-digest.py"),
                str(path)]).stdout.split(" ")[0]


def with_pin(data, digest_hex):
    at = data.index(PIN) + len(PIN)
    return data[:at] + digest_hex.encode() + data[at + 64:]


def with_time_stamp(data, seconds):
    header = struct.unpack_from("<I", data, 0x3C)[0] + 8
    return data[:header] + struct.pack("<I", seconds) + data[header + 4:]


def refusals(work, unsigned, signed, epoch, cert, stranger):
    """The release check refuses each fault on its own, named by the check that sees it."""
    package = str(unsigned.path("/data/Data.Kp"))
    plain = unsigned.exe().read_bytes()
    flipped = bytearray(signed.exe().read_bytes())
    flipped[len(flipped) // 3] ^= 1
    other_year = epoch - 400 * 86400
    variants = {  # label: (exe, the epoch checked against, signer, the check that refuses)
        "unpinned": (with_pin(plain, "0" * 64), epoch, None, "PinnedToItsPackage"),
        "pinned to another package": (with_pin(plain, "1" * 64), epoch, None,
                                      "PinnedToItsPackage"),
        "not stripped": (unsigned.path("-debug/ZiRuri.exe").read_bytes(), epoch, None,
                         "Stripped"),
        "stamped with another time": (plain, epoch + 1, None, "StampedWithTheCommitsTime"),
        "copyright of another year": (with_time_stamp(plain, other_year), other_year, None,
                                      "StampedWithTheCommitsTime"),
        "unsigned, a signer given": (plain, epoch, cert, "SignatureVerifies"),
        "changed after signing": (bytes(flipped), epoch, cert, "SignatureVerifies"),
        "signed by another": (signed.exe().read_bytes(), epoch, stranger, "SignatureVerifies"),
    }
    failures = []
    for label, (data, checked_epoch, signer, expected) in variants.items():
        exe = work / "variant.exe"
        exe.write_bytes(data)
        arguments = ["--release", package, "--epoch", str(checked_epoch)]
        arguments += ["--signer", str(signer)] if signer else []
        status, said = release_check(exe, *arguments)
        if status == 0 or f"check_exe: {expected}:" not in said:
            failures.append(f"{label}: expected {expected} to refuse it, got: {said.strip()!r}")
    return failures


def checks(work):
    third = third_party(work)
    key, cert, p12 = throwaway_certificate(work, "ZiRuri throwaway signer")
    _, stranger, _ = throwaway_certificate(work, "Someone else")
    kppack = ROOT / "build/native-asan/tools/kppack/kppack"
    common = {"ZR_THIRD_PARTY": str(third)}
    if kppack.is_file():
        common["ZR_KPPACK"] = str(kppack)
    unsigned = Dist(work, "unsigned", common)
    pem = Dist(work, "pem", dict(common, ZR_SIGN_CERT=str(cert), ZR_SIGN_KEY=str(key)))
    pkcs12 = Dist(work, "pkcs12", dict(common, ZR_SIGN_CERT=str(p12), ZR_SIGN_KEY=str(p12),
                                       ZR_SIGN_PASS="throwaway"))
    runs = unsigned.failures() + pem.failures() + pkcs12.failures()
    if runs:
        return {"MakeDistRuns": runs}
    epoch = int(run(["git", "log", "-1", "--format=%ct"], cwd=ROOT).stdout)

    def signed_exe_passes():
        status, said = release_check(pem.exe(), "--release", str(pem.path("/data/Data.Kp")),
                                     "--epoch", str(epoch), "--signer", str(cert),
                                     "--build-path", str(ROOT))
        return [] if status == 0 else [said.strip()]

    def same_zips():
        return [f"{a.name} differs between a PEM and a PKCS#12 run"
                for a, b in ((pem.zip, pkcs12.zip), (pem.debug_zip, pkcs12.debug_zip))
                if a.read_bytes() != b.read_bytes()]

    def rebuild_matches_signed():
        shipped = pem.exe().relative_to(pem.unpacked).as_posix()
        failures = [f"{n} differs from the unsigned rebuild's" for n in pem.files
                    if n != shipped and pem.files[n] != unsigned.files.get(n)]
        if pem.files.keys() != unsigned.files.keys():
            failures.append("the signed and the unsigned zips list different files")
        if pem.exe().read_bytes() == unsigned.exe().read_bytes():
            failures.append("the signed exe is the unsigned one")
        if digest(pem.exe()) != digest(unsigned.exe()) or not digest(pem.exe()):
            failures.append("the signed exe's Authenticode digest is not the rebuild's")
        return failures

    def says_unsigned():
        return [] if "the release is unsigned" in unsigned.result.stdout else [
            "make dist without a certificate did not say the release is unsigned"]

    def notices():
        text = pem.path("/THIRD-PARTY-NOTICES.txt").read_text(encoding="utf-8")
        wanted = ["based in part on the work of the Independent JPEG Group",
                  "Jean-loup Gailly and Mark Adler", "winpthreads", "Source: tests/ of the ZiRuri"]
        failures = [f"THIRD-PARTY-NOTICES.txt lacks {w!r}" for w in wanted if w not in text]
        if "MIT License" not in pem.path("/LICENSE.txt").read_text():
            failures.append("LICENSE.txt is not the MIT licence")
        return failures

    def checksums():
        listed = dict(line.split()[::-1] for line in
                      (pem.out / "SHA256SUMS").read_text().splitlines())
        actual = {z.name: hashlib.sha256(z.read_bytes()).hexdigest()
                  for z in (pem.zip, pem.debug_zip)}
        return [] if listed == actual else [f"SHA256SUMS lists {listed}, the zips are {actual}"]

    def debug_exe():
        debug = check_exe.Pe(pem.path("-debug/ZiRuri.exe").read_bytes())
        failures = [] if check_exe.check_stripped(debug) else ["the debug zip's exe is stripped"]
        return failures + check_exe.check_times(debug, epoch) + check_exe.check_pinned(
            str(pem.path("-debug/ZiRuri.exe")), str(pem.path("/data/Data.Kp")))

    return {"SignedReleaseExePassesTheReleaseCheck": signed_exe_passes(),
            "SecondRunGivesTheSameZips": same_zips(),
            "SignedExeIsTheRebuildPlusASignature": rebuild_matches_signed(),
            "UnsignedReleaseSaysSo": says_unsigned(),
            "NoticesAndLicenceShip": notices(),
            "ChecksumsListBothZips": checksums(),
            "DebugZipKeepsSymbolsAndPin": debug_exe(),
            "ReleaseCheckRefusesEachFault": refusals(work, unsigned, pem, epoch, cert, stranger)}


def main(argv):
    json_path = argv[argv.index("--json") + 1] if "--json" in argv else None
    work = pathlib.Path(tempfile.mkdtemp(prefix="zr-dist-"))
    try:
        results = checks(work)
    except (OSError, subprocess.CalledProcessError, StopIteration, ValueError) as error:
        results = {"MakeDistRuns": [f"{type(error).__name__}: {error}"]}
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return report("check_dist", "ReleaseDist", results, json_path)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
