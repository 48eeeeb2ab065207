# Sourced by make run (scripts/run.sh) and scripts/docs-shots.sh, after scripts/wine-env.sh:
# builds ZiRuri.exe and the demo's driver (tests/demo), and puts a copy of the program in
# build/demo/program whose data\Data.Kp is packed from payload/ with the third-party files, or
# with stand-ins where they are missing: the tests' stand-in fbinst.exe, and a grldr that
# only says what it is. A release never contains them: scripts/dist.sh packs its own.

ZR_DEMO=build/demo
ZR_DEMO_DRIVER=build/mingw/tests/demo/ziruri_demo.exe

demo_build() {
  cmake --preset native >/dev/null && cmake --build --preset native --target kppack
  cmake --preset mingw >/dev/null && cmake --build --preset mingw --target ZiRuri ziruri_demo
}

demo_stage_program() {
  local program=$ZR_DEMO/program stage=$ZR_DEMO/payload third=${ZR_THIRD_PARTY:-payload/third-party}
  rm -rf "$program" "$stage"
  mkdir -p "$program/data" "$stage"
  cp build/mingw/src/ui/ZiRuri.exe "$program/"
  cp -r data/Res "$program/data/Res"
  cp payload/defMenu.txt payload/filelist "$stage/"
  cp payload/defMenu.txt "$stage/menu.lst"
  if [ -f "$third/fbinst.exe" ]; then
    echo "demo: the package carries the real $third/fbinst.exe: it logs nothing to $ZR_DEMO/tool/, and the simulated stick is only a folder"
    cp "$third/fbinst.exe" "$stage/"
  else
    echo "demo: $third/fbinst.exe is missing: the package carries the tests' stand-in in its place"
    cp build/mingw/tests/fakefbinst/fakefbinst.exe "$stage/fbinst.exe"
  fi
  if [ -f "$third/grldr" ]; then
    cp "$third/grldr" "$stage/"
  else
    printf 'ZiRuri demo: stands in for grldr, the grub4dos loader\r\n' >"$stage/grldr"
  fi
  build/native/tools/kppack/kppack pack "$stage" "$program/data/Data.Kp" >/dev/null
}

# A demo that was killed leaves its drive letters in the prefix; they are the demo's own when
# they lead into its folder. Call before wine_env_start.
demo_clear_stale_drives() {
  local link
  for link in "$WINEPREFIX/dosdevices/u:" "$WINEPREFIX/dosdevices/d:"; do
    [ -L "$link" ] && [[ "$(readlink "$link")" == "$PWD/$ZR_DEMO/"* ]] && rm -f "$link"
  done
  return 0
}

# All of the above, in their order: what each demo does before it starts Wine.
demo_prepare() {
  demo_build
  demo_stage_program
  demo_clear_stale_drives
}
