#!/usr/bin/env bash
# The web page's spin beside the desktop program's, in one run, the two in
# turn (browser, desktop, browser, ...): headless Chromium with SwiftShader
# (bench/web-spin-rate.mjs) and the desktop program under Xvfb with Mesa's
# llvmpipe (build/bench/ml-spin-rate), both 300x300, lighting mode 3, the
# spin started with Enter. Also the page's size and its time from
# navigation to the first frame, beside the desktop program's start-up.
#
#   bench/web-spin-rate.sh [--rounds N] [--seconds S]
#
# Needs ./setup.sh web test once (the page, the Linux build, tests/web's
# packages). Leave the machine otherwise idle: the load average is printed.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=3 seconds=10
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    -h|--help) sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "usage: $0 [--rounds N] [--seconds S]" >&2; exit 2 ;;
  esac
done
page=build-web/materials-lights.html
for file in "$page" build/materials-lights build/bench/ml-spin-rate tests/web/node_modules; do
  [ -e "$file" ] || { echo "$0: $file is missing: run ./setup.sh web test first" >&2; exit 1; }
done

echo "== $(uname -sr), $(nproc) cores, load average: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== $page: $(stat -c %s "$page") bytes"
echo "== spin in lighting mode 3 at 300x300, $rounds rounds of $seconds s"
printf '%-5s %-8s %5s %14s %14s %12s %12s %13s\n' round program load "1st frame ms" "again ms" \
  "fps 1st half" "fps 2nd half" "idle steps/s"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for round in $(seq "$rounds"); do
  load=$(cut -d' ' -f1 /proc/loadavg)
  read -r cold warm fps1 fps2 steps < <(node bench/web-spin-rate.mjs "$page" "$seconds")
  echo "browser $cold $warm $fps1 $fps2 $steps" >> "$results"
  printf '%-5s %-8s %5s %14s %14s %12s %12s %13s\n' "$round" browser "$load" "$cold" "$warm" \
    "$fps1" "$fps2" "$steps"
  # ml-spin-rate's line for its one round: round size build load start-up fps fps RSS faults.
  load=$(cut -d' ' -f1 /proc/loadavg)
  read -r startup fps1 fps2 < <(build/bench/ml-spin-rate --rounds 1 --seconds "$seconds" \
    --size 300x300 desktop=build/materials-lights | awk '$1 == "1" && $3 == "desktop" {print $5, $6, $7}')
  echo "desktop $startup - $fps1 $fps2 -" >> "$results"
  printf '%-5s %-8s %5s %14s %14s %12s %12s %13s\n' "$round" desktop "$load" "$startup" - \
    "$fps1" "$fps2" "(1 a frame)"
done

echo
echo "== medians over the rounds"
for program in browser desktop; do
  printf '%-14s' "$program"
  for column in 2 3 4 5 6; do
    awk -v p="$program" -v c="$column" '$1 == p {print $c}' "$results" | sort -g |
      awk '{v[NR] = $1} END {m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2;
                             printf "%15s", (v[1] == "-" ? "-" : m)}'
  done
  echo
done
echo "   (columns: first frame ms, page opened again ms, fps 1st half, fps 2nd half, idle steps/s)"
echo "== load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
