#!/usr/bin/env bash
# make run: ZiRuri.exe under Wine in the demo world: one simulated USB stick (the fake WMI's,
# on a drive letter mapped to build/demo/stick) and the stand-in fbinst.exe in the package when
# payload/third-party/ lacks the real one (see scripts/demo-world.sh and tests/demo/).
# On a display, a person uses the program; the world goes when it ends. Without one (or with
# ZR_XVFB=1), under Xvfb, the demo makes the stick by itself, saves pictures of the main
# window, the busy state and the final message in build/run-shots/, and prints what the tool
# got and what the program said.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh
. scripts/demo-world.sh

demo_prepare
trap wine_env_stop EXIT

if [ -n "${DISPLAY:-}" ] && [ "${ZR_XVFB:-}" != 1 ]; then
  wine_env_start
  zr_wine "$ZR_DEMO_DRIVER" show "$ZR_DEMO/program" "$ZR_DEMO"
  exit 0
fi

shots=build/run-shots
rm -rf "$shots"
wine_env_start
echo "run: no display: under Xvfb $DISPLAY, the demo makes the simulated stick by itself"
# Through a file, not a pipe or the terminal: Wine's console would read the driver's UTF-8 in
# the console's code page, and a pipe stays open for as long as any program the driver
# started lives.
status=0
zr_wine "$ZR_DEMO_DRIVER" tour "$ZR_DEMO/program" "$ZR_DEMO" "$shots" >"$ZR_DEMO/tour.txt" 2>&1 \
  || status=$?
cat "$ZR_DEMO/tour.txt"
exit $status
