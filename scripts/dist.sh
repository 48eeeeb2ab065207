#!/usr/bin/env bash
# make dist: dist/ZiRuri-<version>-win64.zip with ZiRuri.exe and its data\ folder, whose
# Data.Kp is packed from payload/ and the third-party files the release builder supplies.
set -euo pipefail
cd "$(dirname "$0")/.."
third=${ZR_THIRD_PARTY:-payload/third-party}
missing=()
for f in fbinst.exe grldr; do [ -f "$third/$f" ] || missing+=("$f"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "dist: missing third-party files in $third: ${missing[*]}" >&2
  echo "dist: put them there or set ZR_THIRD_PARTY (see payload/README.md)" >&2
  exit 1
fi
version=$(sed -n 's/^project(ZiRuri VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

cmake --preset mingw >/dev/null && cmake --build --preset mingw --target ZiRuri
cmake --preset native >/dev/null && cmake --build --preset native --target kppack
# An exe that Windows would refuse to start, or that loads DLLs from beside itself, never ships.
python3 tests/release/check_exe.py build/mingw/src/ui/ZiRuri.exe

name=ZiRuri-$version
stage=build/dist/$name
rm -rf build/dist && mkdir -p "$stage/data" build/dist/payload
cp payload/defMenu.txt payload/filelist build/dist/payload/
cp payload/defMenu.txt build/dist/payload/menu.lst
cp "$third/fbinst.exe" "$third/grldr" build/dist/payload/
build/native/tools/kppack/kppack pack build/dist/payload "$stage/data/Data.Kp"
cp -r data/Res "$stage/data/Res"
cp build/mingw/src/ui/ZiRuri.exe "$stage/"
mkdir -p dist
rm -f "dist/$name-win64.zip"
(cd build/dist && zip -qr "../../dist/$name-win64.zip" "$name")
echo "dist: dist/$name-win64.zip"
