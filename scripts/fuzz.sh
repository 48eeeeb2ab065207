#!/usr/bin/env bash
# make fuzz: builds the libFuzzer target over the archive reader (clang, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time.
#   ZR_FUZZ_SECONDS  how long to fuzz (default 120)
# Seeds made by kppack and whatever the fuzzer finds worth keeping stay in build/fuzz-corpus,
# so later runs start where earlier ones stopped; inputs that fail land in
# build/fuzz-artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${ZR_FUZZ_SECONDS:-120}
build=build/fuzz
corpus=build/fuzz-corpus
artifacts=build/fuzz-artifacts

cmake --preset fuzz >/dev/null
if ! log=$(cmake --build --preset fuzz -j2 --target package_fuzz kppack 2>&1); then
  echo "$log" >&2
  echo "fuzz: build failed" >&2
  exit 1
fi

# The fuzz target and the seeds work in a scratch folder, in memory where there is one.
scratch_root=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_root=/dev/shm
scratch=$(mktemp -d "$scratch_root/zrfuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Seeds: small packages of the shapes the program meets, made by the project's own packer.
seed() {  # seed <name>: packs the folder $scratch/seed/<name> into the corpus
  "$build/tools/kppack/kppack" pack "$scratch/seed/$1" "$corpus/seed-$1.kp" >/dev/null
}
bytes() {  # bytes <count> <seed>: random bytes, the same every time
  python3 -c "import random, sys; random.seed($2); sys.stdout.buffer.write(random.randbytes($1))"
}
mkdir -p "$corpus" "$artifacts" "$scratch"/seed/{empty,one,sub/boot,several,noise,text}
echo "title demo" >"$scratch/seed/one/menu.lst"
echo "grldr" >"$scratch/seed/sub/filelist"
bytes 700 1 >"$scratch/seed/sub/boot/grldr"
: >"$scratch/seed/several/empty"
printf 'fbinst.exe\ngrldr\n' >"$scratch/seed/several/filelist"
bytes 300 2 >"$scratch/seed/several/fbinst.exe"
chmod a-w "$scratch/seed/several/fbinst.exe"  # travels as the read-only attribute
printf 'title a\nroot (hd0,0)\n' >"$scratch/seed/several/defMenu.txt"
bytes 3000 3 >"$scratch/seed/noise/random.bin"
for i in $(seq 1 300); do
  echo "line $i of a menu that repeats itself"
done >"$scratch/seed/text/long.txt"
for name in empty one sub several noise text; do seed "$name"; done

inputs=$(find "$corpus" -type f | wc -l)
echo "fuzz: $build/fuzz/package_fuzz for $seconds s, corpus $corpus ($inputs inputs)"
set +e
TMPDIR=$scratch "$build/fuzz/package_fuzz" -max_total_time="$seconds" -max_len=16384 \
  -timeout=10 -rss_limit_mb=2048 -dict=fuzz/package.dict -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$corpus" >"$scratch/fuzz.log" 2>&1
status=$?
set -e

runs=$(awk '/stat::number_of_executed_units:/ {print $2}' "$scratch/fuzz.log")
if [ "$status" = 0 ]; then
  echo "fuzz: ${runs:-?} executions in $seconds s, clean"
else
  grep -E 'ERROR|SUMMARY|runtime error|package_fuzz:|Test unit written' "$scratch/fuzz.log" |
    head -n 20
  echo "fuzz: FINDING after ${runs:-?} executions (exit $status); inputs in $artifacts"
  exit 1
fi
