#!/usr/bin/env bash
# make run: builds ZiRuri.exe with a Data.Kp packed from payload/ and starts it under Wine, on
# the current display, or under Xvfb with a screenshot saved to build/run-shot.png.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null && cmake --build --preset native --target kppack
cmake --preset mingw >/dev/null && cmake --build --preset mingw --target ZiRuri

program_dir=build/mingw/src/ui
stage=build/run-payload
rm -rf "$stage" && mkdir -p "$stage"
cp payload/defMenu.txt payload/filelist "$stage/"
cp payload/defMenu.txt "$stage/menu.lst"
third=${ZR_THIRD_PARTY:-payload/third-party}
for f in fbinst.exe grldr; do
  if [ -f "$third/$f" ]; then
    cp "$third/$f" "$stage/"
  else
    echo "run: $third/$f is missing: the window works, making a disk will not (see payload/README.md)"
  fi
done
build/native/tools/kppack/kppack pack "$stage" "$program_dir/data/Data.Kp" >/dev/null
echo "run: built $program_dir/ZiRuri.exe and $program_dir/data/Data.Kp"

. scripts/wine-env.sh
if [ -n "${DISPLAY:-}" ] && [ "${ZR_XVFB:-}" != 1 ]; then
  wine_env_start
  (cd "$program_dir" && zr_wine ZiRuri.exe) || true
  wine_env_stop
  exit 0
fi

wine_env_start
trap wine_env_stop EXIT
(cd "$program_dir" && zr_wine ZiRuri.exe >/dev/null 2>&1) &
sleep "${ZR_RUN_SECONDS:-10}"
# Wine's own WMI has no Name for its disks, so the disk refresh fails with an error box (a
# window captioned ZiRuri; the main window has no caption): answer it, so that the
# screenshot shows the window itself.
for box in $(xdotool search --onlyvisible --name '^ZiRuri$' 2>/dev/null); do
  [ "$(xwininfo -id "$box" | sed -n 's/.*Width: *//p')" -gt 1 ] || continue
  echo "run: the disk refresh reported an error (Wine's WMI knows no USB disks); answered it"
  xdotool windowfocus --sync "$box" key Return 2>/dev/null || true
  sleep 0.5
done
import -window root build/run-shot.png
echo "run: no display, ran under Xvfb $DISPLAY; screenshot: build/run-shot.png"
