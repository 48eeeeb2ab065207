# Sourced by the scripts that run Windows programs: a Wine prefix of the build's own under
# build/mingw, ANSI code page 936, an Xvfb display chosen free at run time (unless DISPLAY is
# set and ZR_XVFB is not 1; ZR_XVFB_SCREEN sets its size), and a persistent wineserver.
# wine_env_stop ends what it started.

ZR_ROOT=${ZR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
ZR_CACHE=${ZR_CACHE:-$HOME/.cache/ziruri}
export WINEPREFIX=${WINEPREFIX:-$ZR_ROOT/build/mingw/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mshtml=;winemenubuilder.exe=d}
export LOCPATH=$ZR_CACHE/locale
ZR_LC=zh_CN.UTF-8
ZR_XVFB_PID=

zr_wine() { env LANG=$ZR_LC LC_ALL=$ZR_LC wine "$@"; }

# Debian's Wine has no preloader to keep the low address space free. Its loader is at a fixed
# 0x7d000000, and with address space randomisation the kernel starts the loader's heap anywhere
# in the gigabyte above it: now and then on the page every Windows process needs at 0x7ffe0000,
# and that process dies while starting ("failed to map the shared user data"), which the program
# that started it sees as a failed CreateProcess (error 1359). Every Wine program here, and what
# it starts, runs without the randomisation when the system lets us ask for that (the heap then
# follows the loader directly): wrappers first on PATH, for scripts and Python alike.
zr_wine_fixed_layout() {
  local bin=$ZR_ROOT/build/wine-bin name real
  [ -x "$bin/wine" ] && case ":$PATH:" in *":$bin:"*) return 0 ;; esac
  setarch -R true 2>/dev/null || return 0
  mkdir -p "$bin"
  for name in wine wine-stable wine64; do
    real=$(command -v "$name") || continue
    [ "$real" != "$bin/$name" ] || continue
    printf '#!/bin/sh\nexec setarch -R %s "$@"\n' "$real" >"$bin/$name"
    chmod +x "$bin/$name"
  done
  export PATH=$bin:$PATH
}

wine_env_start() {
  zr_wine_fixed_layout
  if [ -z "${DISPLAY:-}" ] || [ "${ZR_XVFB:-}" = 1 ]; then
    local n
    for n in $(seq 90 140); do
      [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
      Xvfb ":$n" -screen 0 "${ZR_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
      ZR_XVFB_PID=$!
      local i
      for i in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
      done
      if kill -0 "$ZR_XVFB_PID" 2>/dev/null; then
        export DISPLAY=":$n"
        break
      fi
      ZR_XVFB_PID=
    done
    [ -n "$ZR_XVFB_PID" ] || { echo "wine-env: no free X display" >&2; return 1; }
  fi
  if [ ! -f "$WINEPREFIX/.zr-ready" ]; then
    mkdir -p "$WINEPREFIX"
    env LANG=$ZR_LC LC_ALL=$ZR_LC wineboot -i >/dev/null 2>&1 || true
    env LANG=$ZR_LC LC_ALL=$ZR_LC wineserver -w
    # No window manager under Xvfb: without this every window close waits about 2 s.
    zr_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    zr_wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    env LANG=$ZR_LC LC_ALL=$ZR_LC wineserver -k 2>/dev/null || true
    env LANG=$ZR_LC LC_ALL=$ZR_LC wineserver -w
    touch "$WINEPREFIX/.zr-ready"
  fi
  # A server already running for this prefix (another make run, a test run) serves as well:
  # starting a second one fails, and that is no reason to stop.
  env LANG=$ZR_LC LC_ALL=$ZR_LC wineserver -p 2>/dev/null || true
  # Start the prefix's background services now, with their output going nowhere: started by
  # the first test program they would inherit its output and hold the caller's pipe open.
  env LANG=$ZR_LC LC_ALL=$ZR_LC wineboot >/dev/null 2>&1 </dev/null || true
}

wine_env_stop() {
  env LANG=$ZR_LC LC_ALL=$ZR_LC wineserver -k 2>/dev/null || true
  if [ -n "$ZR_XVFB_PID" ]; then
    kill "$ZR_XVFB_PID" 2>/dev/null || true
    wait "$ZR_XVFB_PID" 2>/dev/null || true
    ZR_XVFB_PID=
  fi
}
