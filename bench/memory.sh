#!/usr/bin/env bash
# Peak memory of the main window on big catalogues against an empty window.
#   bench/memory.sh [build folder] [model counts...]   (default: build 50000 500000)
# Writes each data set with the sample-data tool, then runs bench_memory three
# times per case and reports the median peak RSS and its ratio to the empty window.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
counts=("$@")
[[ ${#counts[@]} -gt 0 ]] || counts=(50000 500000)
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { # three runs of bench_memory with the given arguments
  for _ in 1 2 3; do "$build/bin/bench_memory" "$@" 2>/dev/null | awk '/^peak_rss_kb/ {print $2}'; done |
    sort -n | sed -n 2p
}

empty=$(median --empty)
printf '%-22s %8.1f MB\n' "empty window" "$(echo "$empty / 1024" | bc -l)"
for n in "${counts[@]}"; do
  "$build/bin/sampledata" "$work/$n" --big-catalogue "$n" >/dev/null 2>&1
  kb=$(median --main "$work/$n")
  printf '%-22s %8.1f MB  %5.2fx\n' "main window, $n" "$(echo "$kb / 1024" | bc -l)" "$(echo "$kb / $empty" | bc -l)"
  rm -rf "${work:?}/$n"
done
