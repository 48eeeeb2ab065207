#!/usr/bin/env bash
# make bench: builds the archive extraction benchmark in its own folder and runs it.
#   ZR_BENCH_MIB     unpacked data size in MiB (default 1024)
#   ZR_BENCH_ROUNDS  measured runs per side (default 5)
# The data, the archive and the extracted copies live under TMPDIR (default /tmp) and are
# removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/bench-native
mib=${ZR_BENCH_MIB:-1024}
rounds=${ZR_BENCH_ROUNDS:-5}
tmp=${TMPDIR:-/tmp}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
if ! log=$(cmake --build "$build" -j2 --target extract_bench 2>&1); then
  echo "$log" >&2
  echo "bench: build failed" >&2
  exit 1
fi

# At the peak the sources and the archive, or the archive and one extracted copy, sit side
# by side: twice the data is enough.
need=$((mib * 2))
avail=$(df -Pm "$tmp" | awk 'NR == 2 {print $4}')
if ((avail < need)); then
  echo "bench: needs $need MiB free in $tmp, has $avail" >&2
  exit 1
fi

echo "bench: $build/bench/extract_bench $mib $rounds"
"$build/bench/extract_bench" "$mib" "$rounds"
