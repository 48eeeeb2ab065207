#!/usr/bin/env bash
# make docs-shots: the README's pictures docs/main-window.png and docs/config-dialog.png, taken
# of the real ZiRuri.exe under Wine, always on an Xvfb screen of its own (the same size every
# time), in the demo world of make run. Run it again after a change to either window.
set -euo pipefail
cd "$(dirname "$0")/.."
export ZR_XVFB=1
. scripts/wine-env.sh
. scripts/demo-world.sh

demo_prepare
trap wine_env_stop EXIT
wine_env_start
zr_wine "$ZR_DEMO_DRIVER" pictures "$ZR_DEMO/program" "$ZR_DEMO" docs
