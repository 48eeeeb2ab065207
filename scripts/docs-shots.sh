#!/usr/bin/env bash
# make docs-shots: the README's pictures docs/main-window.png and docs/config-dialog.png, and the
# main window at 150 % (docs/main-window-150.png), taken of the real ZiRuri.exe under Wine,
# always on an Xvfb screen of its own (the same size every time, room for the window at 200 %),
# in the demo world of make run. The same pictures at 96, 144 and 192 DPI go to
# build/dpi-shots/<dpi>/, to be looked at after a change to the layout or the art. Run it again
# after a change to either window.
set -euo pipefail
cd "$(dirname "$0")/.."
export ZR_XVFB=1 ZR_XVFB_SCREEN=2048x1536x24
. scripts/wine-env.sh
. scripts/demo-world.sh

# Wine tells every program it starts the DPI in LogPixels (see WINE-TESTING.md, "DPI").
set_dpi() {
  zr_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
finish() {
  zr_wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
  wine_env_stop
}

demo_prepare
trap finish EXIT
wine_env_start
for dpi in 96 144 192; do
  set_dpi "$dpi"
  mkdir -p "build/dpi-shots/$dpi"
  zr_wine "$ZR_DEMO_DRIVER" pictures "$ZR_DEMO/program" "$ZR_DEMO" "build/dpi-shots/$dpi"
done
cp build/dpi-shots/96/main-window.png build/dpi-shots/96/config-dialog.png docs/
cp build/dpi-shots/144/main-window.png docs/main-window-150.png
