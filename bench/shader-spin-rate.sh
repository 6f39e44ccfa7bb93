#!/usr/bin/env bash
# The spin's frame rate of the demo drawn by the fixed-function pipeline
# and by the shader renderer, side by side in one run (ml-spin-rate: the two
# programs in turn, each on its own Xvfb, spin on in lighting mode 3).
#
#   bench/shader-spin-rate.sh [--rounds N] [--seconds S] [--size WxH]
#
# Builds into $ML_BENCH_BUILD (build-perf, RelWithDebInfo). Leave the machine
# otherwise idle: the load average is printed with the figures.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=3 seconds=10 size=300x300
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "usage: $0 [--rounds N] [--seconds S] [--size WxH]" >&2; exit 2 ;;
  esac
done

dir=${ML_BENCH_BUILD:-build-perf}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DML_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" -j 2 --target materials-lights materials-lights-shaded ml-spin-rate >/dev/null

echo "== $(uname -sr), $(nproc) cores, load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$dir/bench/ml-spin-rate" --rounds "$rounds" --seconds "$seconds" --size "$size" \
  "fixed=$dir/materials-lights" "shader=$dir/bench/materials-lights-shaded"
echo "== load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
