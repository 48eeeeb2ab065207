#!/usr/bin/env bash
# Installs what building and testing ZiRuri needs on a bare Debian 12 machine, and cross-builds
# the target's libjpeg once into a cache outside the tree (keyed by the source version).
# Idempotent and quiet when everything is there already.
set -euo pipefail

CACHE=${ZR_CACHE:-$HOME/.cache/ziruri}
PACKAGES=(
  build-essential cmake ninja-build clang clang-format lld libclang-rt-14-dev
  googletest zlib1g-dev libjpeg62-turbo-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  wine wine64 xvfb xauth x11-utils imagemagick xdotool fonts-wqy-microhei locales
  dpkg-dev zip unzip python3 python3-pil fonts-dejavu-core time osslsigncode openssl
)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/ziruri-src.sources
need_src=0
[ -f "$src_list" ] || need_src=1
if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ]; then
  echo "setup: installing ${missing[*]:-(source index)}"
  if [ $need_src = 1 ]; then
    # Debian's source packages, for cross-building libjpeg-turbo for the target.
    as_root tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  as_root apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
      "${missing[@]}" >/dev/null
  fi
fi

# libjpeg for the Windows target, from Debian's libjpeg-turbo source package.
version=$(apt-cache showsrc libjpeg-turbo 2>/dev/null | awk '/^Version:/ {print $2; exit}')
[ -n "$version" ] || { echo "setup: no source package for libjpeg-turbo" >&2; exit 1; }
prefix="$CACHE/libjpeg-turbo-${version//:/_}-mingw64"
if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  echo "setup: cross-building libjpeg-turbo $version for the target"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && apt-get source -qq "libjpeg-turbo=$version" >/dev/null 2>&1)
  srcdir=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
  cmake -S "$srcdir" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$(cd "$(dirname "$0")/.." && pwd)/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DWITH_SIMD=OFF -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -Wno-dev >/dev/null
  cmake --build "$work/build" >/dev/null
  cmake --install "$work/build" >/dev/null
fi
mkdir -p "$CACHE"
ln -sfn "$prefix" "$CACHE/mingw-deps"

# glibc locales of our own: zh_CN.UTF-8 so that Wine runs with the ANSI code page 936 and
# Chinese file names survive, en_US.UTF-8 for the same runs as on an English Windows (1252),
# de_DE.UTF-8 for a decimal separator that is a comma in the native tests of the size texts.
for lc in zh_CN en_US de_DE; do
  if [ ! -d "$CACHE/locale/$lc.UTF-8" ]; then
    mkdir -p "$CACHE/locale"
    localedef -i "$lc" -f UTF-8 "$CACHE/locale/$lc.UTF-8" >/dev/null 2>&1 || true
  fi
done
