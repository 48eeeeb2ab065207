#!/usr/bin/env bash
# make fuzz: builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer;
# files in memory) and fuzzes each for a share of ZR_FUZZ_SECONDS, then prints one line per
# target: executions, executions per second, and "clean" or the finding.
#   ZR_FUZZ_SECONDS  wall time of the whole run (default 120)
# Two lanes run side by side, one a core: the package reader has a lane of its own for the whole
# time, the other targets share the second lane a quarter each. The second lane runs at a lower
# priority, so that on a busy machine the package reader still gets most of a core. The corpora in
# build/fuzz-corpus/<target> start from the seeds that fuzz_seeds makes with the project's own
# writers and keep what the fuzzer finds worth keeping, so later runs start where earlier ones
# stopped; an input that fails lands in build/fuzz-artifacts/<target>, and libFuzzer's output in
# build/fuzz-logs/<target>.log. Inputs that found something are kept in fuzz/regressions/<target>
# once fixed; make test replays them with the seeds.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${ZR_FUZZ_SECONDS:-120}
build=build/fuzz
corpus=build/fuzz-corpus
artifacts=build/fuzz-artifacts
logs=build/fuzz-logs
others=(gif jpeg isolist wmi)

cmake --preset fuzz >/dev/null
targets=(package_fuzz "${others[@]/%/_fuzz}" fuzz_seeds)
if ! log=$(cmake --build --preset fuzz -j2 --target "${targets[@]}" 2>&1); then
  echo "$log" >&2
  echo "fuzz: build failed" >&2
  exit 1
fi

mkdir -p "$corpus/package" "$logs"
# Packages that runs before the corpora had a folder each kept stay with the package reader.
find "$corpus" -maxdepth 1 -type f -exec mv -t "$corpus/package" {} +
"$build/fuzz/fuzz_seeds" "$corpus"

# How much each input may be. Any input that takes over ten seconds counts as a hang: the
# pictures' limits are lower in the fuzz build (decode_limits.h), so that the largest canvas a
# small file may ask for is filled in milliseconds.
declare -A max_len=([package]=16384 [gif]=16384 [jpeg]=16384 [isolist]=4096 [wmi]=2048)

fuzz() {  # fuzz <target> <seconds>
  mkdir -p "$artifacts/$1"
  local dict=()
  [ -f "fuzz/$1.dict" ] && dict=(-dict="fuzz/$1.dict")
  local TIMEFORMAT="%U %S"  # the CPU time it got, for its speed on a core of its own
  set +e
  { time "$build/fuzz/$1_fuzz" -max_total_time="$2" -max_len="${max_len[$1]}" \
    -timeout=10 -rss_limit_mb=3072 "${dict[@]}" -print_final_stats=1 \
    -artifact_prefix="$artifacts/$1/" "$corpus/$1" >"$logs/$1.log" 2>&1; } 2>"$logs/$1.cpu"
  echo $? >"$logs/$1.status"
  set -e
}

# report <target>: its line, and whether it was clean. The rate is libFuzzer's, by the clock; the
# one in brackets is by the CPU time the target got, what one core of its own would give.
report() {
  local log="$logs/$1.log" runs rate core status
  runs=$(awk '/stat::number_of_executed_units:/ {print $2}' "$log")
  rate=$(awk '/stat::average_exec_per_sec:/ {print $2}' "$log")
  core=$(awk -v runs="${runs:-0}" '{ if ($1 + $2 > 0) printf "%d", runs / ($1 + $2) }' \
    "$logs/$1.cpu" 2>/dev/null)
  rate="${rate:-?}/s${core:+ (${core}/s a core)}"
  status=$(cat "$logs/$1.status")
  if [ "$status" = 0 ]; then
    echo "$1: ${runs:-?} executions, $rate, clean"
    return 0
  fi
  local what input
  what=$(grep -m1 -E 'ERROR: |runtime error|memory files:|_fuzz: |fuzz replay' "$log" || true)
  input=$(grep -m1 -oE "Test unit written to [^ ]+" "$log" | cut -d' ' -f5 || true)
  echo "$1: ${runs:-?} executions, $rate, FINDING (exit $status): ${what:-see $log}" \
    "${input:+(input $input)}"
  return 1
}

share=$((seconds / 4 > 0 ? seconds / 4 : 1))
echo "fuzz: $seconds s on two lanes: package the whole time; ${others[*]} $share s each"
fuzz package "$seconds" &
(
  renice -n 10 -p "$BASHPID" >/dev/null
  for target in "${others[@]}"; do fuzz "$target" "$share"; done
) &
wait

clean=0
for target in package "${others[@]}"; do report "$target" || clean=1; done
exit $clean
