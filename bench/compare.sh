#!/usr/bin/env bash
# Side-by-side frame rate of the program with the C heap kept from handing
# freed memory back to the kernel (ML_FAST_ALLOCATOR=ON, the default) and
# without (OFF, the baseline). Builds both, then prints:
#   1. the frame time of the real display() per window size and lighting
#      mode (ml-frame-bench, median and spread over the frames), baseline
#      then improved, twice;
#   2. the spin frame rate, start-up time and peak memory of the real
#      program, the builds in turn A B A B ... (ml-spin-rate).
#
#   bench/compare.sh [--rounds N] [--seconds S] [--frames N] [--allocators]
#
#   --allocators  also runs the baseline binary with jemalloc, mimalloc and
#                 tcmalloc preloaded (those installed), the other way to keep
#                 freed memory in the process.
# Build directories: $ML_BENCH_BUILD (build-perf) and $ML_BENCH_BASE_BUILD
# (build-perf-base). Needs what the tests need (setup.sh) and libbenchmark-dev.
# Leave the machine otherwise idle: the load average is printed with the figures.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=3 seconds=10 frames=300 allocators=0
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --frames) frames=$2; shift 2 ;;
    --allocators) allocators=1; shift ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "usage: $0 [--rounds N] [--seconds S] [--frames N] [--allocators]" >&2; exit 2 ;;
  esac
done

improved=${ML_BENCH_BUILD:-build-perf}
baseline=${ML_BENCH_BASE_BUILD:-build-perf-base}
for dir_switch in "$improved:ON" "$baseline:OFF"; do
  dir=${dir_switch%:*} switch=${dir_switch#*:}
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DML_FAST_ALLOCATOR="$switch" \
    -DML_BUILD_BENCH=ON >/dev/null
  cmake --build "$dir" -j 2 --target materials-lights ml-spin-rate ml-frame-bench >/dev/null
done

echo "== $(uname -sr), $(nproc) cores, load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "== 1. display() frame time, ms per frame over $frames frames: median (p10-p90)"
frame_table() {
  # CSV columns: name, ..., median_ms, p10_ms, p90_ms (the last three).
  "$1/bench/ml-frame-bench" --frames="$frames" --benchmark_format=csv 2>/dev/null |
    awk -F, '/^"display/ {
               name = $1; gsub(/"/, "", name); sub(/\/iterations.*/, "", name)
               printf "%-28s %.2f (%.2f-%.2f)\n", name, $(NF - 2), $(NF - 1), $NF
             }'
}
for pass in 1 2; do
  frame_table "$baseline" > /tmp/ml-bench-base.$$
  frame_table "$improved" > /tmp/ml-bench-improved.$$
  printf "pass %d, load %s\n%-28s %-22s %-22s\n" "$pass" "$(cut -d' ' -f1 /proc/loadavg)" \
    case baseline improved
  paste -d' ' /tmp/ml-bench-base.$$ /tmp/ml-bench-improved.$$ |
    awk '{printf "%-28s %-22s %-22s\n", $1, $2 " " $3, $5 " " $6}'
  rm -f /tmp/ml-bench-base.$$ /tmp/ml-bench-improved.$$
done

echo
echo "== 2. spin of the real program, mode 3, $rounds rounds of $seconds s"
builds=("baseline=$baseline/materials-lights" "improved=$improved/materials-lights")
if [ "$allocators" = 1 ]; then
  for lib in libjemalloc.so.2 libmimalloc.so.2 libtcmalloc_minimal.so.4; do
    path=$(/sbin/ldconfig -p | awk -v lib="$lib" '$1 == lib {print $NF; exit}')
    name=${lib#lib} name=${name%%[._]*}
    [ -n "$path" ] && builds+=("$name=env LD_PRELOAD=$path $baseline/materials-lights")
  done
fi
"$improved/bench/ml-spin-rate" --rounds "$rounds" --seconds "$seconds" "${builds[@]}"
echo
echo "== load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
