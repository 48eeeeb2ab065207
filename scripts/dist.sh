#!/usr/bin/env bash
# make dist: in dist/, ZiRuri-<version>-win64.zip (ZiRuri.exe pinned to its package, stripped,
# and signed when a certificate is given; its data\ folder, whose Data.Kp is packed from
# payload/ and the third-party files; LICENSE.txt and THIRD-PARTY-NOTICES.txt),
# ZiRuri-<version>-win64-debug.zip (the same exe unstripped, for crash reports) and SHA256SUMS.
# The same commit gives the same zips in any clone, at any time.
#
#   ZR_THIRD_PARTY   fbinst.exe, grldr and their notices (payload/README.md); payload/third-party
#   ZR_DIST_DIR      where the zips go; dist
#   ZR_SIGN_CERT, ZR_SIGN_KEY   PEM certificate chain and key, or both the same PKCS#12 file;
#   ZR_SIGN_PASS     their password; ZR_SIGN_TIMESTAMP_URL an RFC 3161 timestamp server
#   ZR_KPPACK        a kppack already built, in place of building one
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
third=${ZR_THIRD_PARTY:-payload/third-party}
out=${ZR_DIST_DIR:-dist}
missing=()
for f in fbinst.exe grldr fbinst.exe.notice.txt grldr.notice.txt; do
  [ -f "$third/$f" ] || missing+=("$f")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "dist: missing third-party files in $third: ${missing[*]}" >&2
  echo "dist: put them there or set ZR_THIRD_PARTY (see payload/README.md)" >&2
  exit 1
fi
signing=0
if [ -n "${ZR_SIGN_CERT:-}${ZR_SIGN_KEY:-}" ]; then
  if [ ! -f "${ZR_SIGN_CERT:-}" ] || [ ! -f "${ZR_SIGN_KEY:-}" ]; then
    echo "dist: ZR_SIGN_CERT and ZR_SIGN_KEY must both name files to sign with" >&2
    exit 1
  fi
  signing=1
fi
version=$(sed -n 's/^project(ZiRuri VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=ZiRuri-$version

# The commit's time is every time the release carries: the exe's time stamp (ld and strip take
# it from here) and copyright year, the zip entries' times.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || true)}
if [ -z "$SOURCE_DATE_EPOCH" ]; then
  echo "dist: no commit to take the time from: run it in a git clone or set SOURCE_DATE_EPOCH" >&2
  exit 1
fi
if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
  echo "dist: the work tree has uncommitted changes: this is not commit" \
    "$(git rev-parse --short HEAD) as it stands" >&2
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dir=$stage/$name
debug=$stage/$name-win64-debug
mkdir -p "$stage/payload" "$dir/data" "$debug"

cmake --preset mingw >/dev/null
deps=$(sed -n 's/^ZR_MINGW_DEPS:PATH=//p' build/mingw/CMakeCache.txt)
python3 scripts/dist-notices.py --deps "$deps" --third-party "$third" "$dir/THIRD-PARTY-NOTICES.txt"
sed 's/$/\r/' LICENSE >"$dir/LICENSE.txt"
# Linked anew, so that the time stamp is SOURCE_DATE_EPOCH and not an earlier build's clock
# (strip writes it into the shipped exe in any case, but the debug zip's is the linker's).
rm -f build/mingw/src/ui/ZiRuri.exe
cmake --build --preset mingw --target ZiRuri
kppack=${ZR_KPPACK:-build/native/tools/kppack/kppack}
if [ -z "${ZR_KPPACK:-}" ]; then
  cmake --preset native >/dev/null && cmake --build --preset native --target kppack
fi

# A file's read-only bit travels into the package, so the builder's modes must not.
cp payload/defMenu.txt payload/filelist "$third/fbinst.exe" "$third/grldr" "$stage/payload/"
cp payload/defMenu.txt "$stage/payload/menu.lst"
chmod 0644 "$stage/payload"/*
"$kppack" pack "$stage/payload" "$dir/data/Data.Kp" >/dev/null
cp -r data/Res "$dir/data/Res"

# Pinned first, as nothing else has changed the exe yet; the pin's bytes survive the strip.
cp build/mingw/src/ui/ZiRuri.exe "$debug/ZiRuri.exe"
python3 scripts/pin-package.py "$debug/ZiRuri.exe" "$dir/data/Data.Kp"
x86_64-w64-mingw32-strip -o "$dir/ZiRuri.exe" "$debug/ZiRuri.exe"
check=(--release "$dir/data/Data.Kp" --epoch "$SOURCE_DATE_EPOCH")
if [ $signing = 1 ]; then
  # The signature's time is the commit's too, so that the same key signs to the same bytes;
  # a timestamp server's answer, when asked, is the one thing that differs.
  signer=$stage/signer.pem
  options=(-h sha256 -n ZiRuri -time "$SOURCE_DATE_EPOCH")
  if grep -q -- '-----BEGIN' "$ZR_SIGN_KEY"; then
    options+=(-certs "$ZR_SIGN_CERT" -key "$ZR_SIGN_KEY")
    cp "$ZR_SIGN_CERT" "$signer"
  else
    options+=(-pkcs12 "$ZR_SIGN_KEY")
    for part in -clcerts -cacerts; do
      ZR_SIGN_PASS=${ZR_SIGN_PASS:-} openssl pkcs12 -in "$ZR_SIGN_KEY" -nokeys "$part" \
        -passin env:ZR_SIGN_PASS >>"$signer"
    done
  fi
  if [ -n "${ZR_SIGN_PASS:-}" ]; then
    printf '%s' "$ZR_SIGN_PASS" >"$stage/pass"  # not on a command line that ps shows
    options+=(-readpass "$stage/pass")
  fi
  [ -z "${ZR_SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$ZR_SIGN_TIMESTAMP_URL")
  mv "$dir/ZiRuri.exe" "$stage/unsigned.exe"
  osslsigncode sign "${options[@]}" -in "$stage/unsigned.exe" -out "$dir/ZiRuri.exe" >/dev/null
  check+=(--signer "$signer")
fi
# What ships must start on Windows, load no DLL from beside itself, carry its package's pin,
# no symbols, no build paths, and a signature that verifies when it has one.
python3 tests/release/check_exe.py "$dir/ZiRuri.exe" "${check[@]}" \
  --build-path "$root" --build-path "$deps"
python3 tests/release/check_exe.py "$debug/ZiRuri.exe" --epoch "$SOURCE_DATE_EPOCH" \
  --build-path "$root" --build-path "$deps"

mkdir -p "$out"
rm -f "$out/$name-win64.zip" "$out/$name-win64-debug.zip" "$out/SHA256SUMS"
python3 scripts/dist-zip.py --epoch "$SOURCE_DATE_EPOCH" "$dir" "$out/$name-win64.zip"
python3 scripts/dist-zip.py --epoch "$SOURCE_DATE_EPOCH" "$debug" "$out/$name-win64-debug.zip"
(cd "$out" && sha256sum "$name-win64.zip" "$name-win64-debug.zip" >SHA256SUMS)

size() { stat -c %s "$1"; }
digest=$(python3 scripts/authenticode-digest.py "$dir/ZiRuri.exe" | cut -d' ' -f1)
echo "dist: $out/$name-win64.zip ($(size "$out/$name-win64.zip") bytes)," \
  "$out/$name-win64-debug.zip, $out/SHA256SUMS"
echo "dist: ZiRuri.exe $(size "$dir/ZiRuri.exe") bytes;" \
  "$(size "$debug/ZiRuri.exe") with symbols and line tables"
echo "dist: ZiRuri.exe's Authenticode digest $digest"
if [ $signing = 1 ]; then
  echo "dist: signed by $(openssl x509 -in "$signer" -noout -subject)"
else
  echo "dist: the release is unsigned (set ZR_SIGN_CERT and ZR_SIGN_KEY to sign it)"
fi
