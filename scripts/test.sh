#!/usr/bin/env bash
# Builds and runs every test: the unit tests natively with sanitizers, the same tests built
# for Windows and run under Wine, and the end-to-end tests of ZiRuri.exe under Wine + Xvfb.
# Ends with one line "N passed, M failed".
set -uo pipefail
ZR_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ZR_ROOT"
bash scripts/setup.sh || exit 1

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
broken=0

# The tree as a whole: formatting, and which folder may include which.
echo "== tree: sources"
python3 tests/lint/check_tree.py --json "$results/tree.json" || echo "test: the source tree failed its checks"

build() {
  cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -- -k 0 >"$results/build-$1.log" 2>&1 \
    || { cat "$results/build-$1.log" | grep -E 'error|Error' | head -n 40; echo "test: build $1 failed"; broken=1; return 1; }
}

# Native unit tests (AddressSanitizer + UndefinedBehaviorSanitizer).
if build native-asan; then
  while read -r program; do
    [ -n "$program" ] || continue
    name=$(basename "$program")
    echo "== native: $name"
    json="$results/native-$name.json"
    (cd "$(dirname "$program")" && "$program" --gtest_brief=1 --gtest_output="json:$json") \
      || echo "test: $name failed"
    [ -f "$json" ] || broken=1
  done < build/native-asan/test-programs.txt
fi

# The same tests and the end-to-end tests, built for Windows and run under Wine.
if build mingw; then
  source scripts/wine-env.sh
  wine_env_start || broken=1
  # wine_run <locale> <label> <program> [gtest arguments]
  wine_run() {
    local lc=$1 label=$2 program=$3
    shift 3
    local name json
    name=$(basename "$program" .exe)
    echo "== $label: $name"
    json="$results/$label-$name.json"
    (cd "$(dirname "$program")" && timeout 1200 env LANG="$lc" LC_ALL="$lc" wine "$program" \
      --gtest_brief=1 --gtest_output="json:Z:${json//\//\\}" "$@") \
      || echo "test: $name failed under Wine ($lc)"
    [ -f "$json" ] || broken=1
  }
  while read -r program; do
    [ -n "$program" ] && wine_run "$ZR_LC" wine "$program"
  done < build/mingw/test-programs.txt
  # Again as on an English Windows (code page 1252): the unit tests, and a make with a Chinese
  # title and image path, must come out the same.
  while read -r program; do
    case "$program" in
      "" | *e2e*) ;;
      *) wine_run en_US.UTF-8 wine-en "$program" ;;
    esac
  done < build/mingw/test-programs.txt
  wine_run en_US.UTF-8 wine-en "$ZR_ROOT/build/mingw/tests/e2e/commands_e2e_tests.exe" \
    --gtest_filter='BootDiskCommands.MakeForUsbHdd*'

  # The exe itself, for what Wine lets pass and Windows does not: its imports and manifest.
  echo "== release: ZiRuri.exe"
  python3 tests/release/check_exe.py build/mingw/src/ui/ZiRuri.exe --wine \
    --json "$results/release-exe.json" || echo "test: ZiRuri.exe failed its release checks"
  wine_env_stop

  # make dist with stand-ins for the third-party files: reproducible, signed, pinned, stripped.
  echo "== release: make dist"
  python3 tests/release/check_dist.py --json "$results/release-dist.json" \
    || echo "test: make dist failed its checks"
fi

python3 - "$results" "$broken" <<'PY'
import json, pathlib, sys
passed = failed = skipped = 0
for f in sorted(pathlib.Path(sys.argv[1]).glob("*.json")):
    for suite in json.loads(f.read_text()).get("testsuites", []):
        for test in suite.get("testsuite", []):
            if test.get("failures"):
                failed += 1
            elif test.get("result") == "SKIPPED":
                skipped += 1
            elif test.get("status", "RUN") == "RUN":
                passed += 1
# A program that did not build or did not report counts as one failure.
failed += int(sys.argv[2])
if skipped:
    print(f"{skipped} skipped (they say why above)")
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
PY
