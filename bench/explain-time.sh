#!/usr/bin/env bash
# The time of one explanation from start to finish: materials-lights-explain
# run as a person runs it (process start, GL context, the frame drawn twice,
# once in feedback mode, the pixel explained and printed), at 300x300, with
# the capture tool beside it for scale. Runs on one virtual screen for all
# runs (xvfb-run), so the X server's start-up is not counted.
#
#   bench/explain-time.sh [BUILD_DIR] [RUNS]      (default: build, 30)
#
# With hyperfine installed (Debian: hyperfine) it reports its statistics;
# without it, the mean, the median and the slowest of RUNS timed runs.
set -euo pipefail

build=${1:-build}
runs=${2:-30}
explain=$build/tools/explain/materials-lights-explain
capture=$build/tools/capture/materials-lights-capture
for program in "$explain" "$capture"; do
  [ -x "$program" ] || { echo "explain-time.sh: no $program (build first)" >&2; exit 2; }
done

if [ -z "${ML_EXPLAIN_TIME_DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null 2>&1 || {
    echo "explain-time.sh: needs xvfb-run (Debian: apt-get install xvfb xauth)" >&2
    exit 1
  }
  ML_EXPLAIN_TIME_DISPLAY=yes exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    "$0" "$build" "$runs"
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
commands=(
  "$explain --viewpoint 0 --mode 2 --pixel 181,76"
  "$explain --viewpoint 0 --mode 2 --pixel 181,76 --json"
  "$explain --viewpoint 2 --mode 3 --pixel 150,150"
  "$capture --viewpoint 0 --mode 2 --output $out/frame.png"
)

if command -v hyperfine >/dev/null 2>&1; then
  exec hyperfine -N --warmup 3 --runs "$runs" --output=pipe "${commands[@]}"
fi

for command in "${commands[@]}"; do
  for _ in 1 2 3; do $command >/dev/null; done
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    $command >/dev/null
    echo $(( ($(date +%s%N) - start) / 1000 ))
  done | sort -n | awk -v c="$command" '
    { t[NR] = $1; sum += $1 }
    END { printf "%s\n  mean %.1f ms, median %.1f ms, slowest %.1f ms over %d runs\n",
          c, sum / NR / 1000, t[int((NR + 1) / 2)] / 1000, t[NR] / 1000, NR }'
done
