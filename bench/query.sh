#!/usr/bin/env bash
# The query targets, each as a ratio against its reference measured in the same
# run, the benchmarks interleaved and repeated:
#   bench/query.sh [bench_query binary...]     (default: build/bin/bench_query)
# With several binaries (say, before and after a change) their runs alternate.
# Prints the median of every figure, then per binary:
#   rows vs SQLite  BM_ModelQueryRows / BM_SqliteQueryRowsCovering, 50k and 500k
#   growth          500k / 50k of the first query of a family, the query with
#                   its rows and a table open (linear: 10x)
set -euo pipefail
cd "$(dirname "$0")/.."
bins=("$@")
[[ ${#bins[@]} -gt 0 ]] || bins=(build/bin/bench_query)
rounds=${ROUNDS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
filter='BM_(ModelQueryRows|SqliteQueryRowsCovering|ModelQueryFirstOfFamily|TableOpen)/'
for ((r = 1; r <= rounds; r++)); do
  for i in "${!bins[@]}"; do
    "${bins[$i]}" --benchmark_filter="$filter" --benchmark_repetitions=3 \
      --benchmark_enable_random_interleaving=true --benchmark_min_time=0.2s \
      --benchmark_format=json --benchmark_out="$work/$i.$r.json" >/dev/null 2>&1
  done
done
python3 - "$work" "${bins[@]}" <<'PY'
import glob, json, statistics, sys
work, bins = sys.argv[1], sys.argv[2:]
for i, b in enumerate(bins):
    times = {}
    for f in glob.glob(f"{work}/{i}.*.json"):
        for x in json.load(open(f))["benchmarks"]:
            if x.get("run_type") == "iteration":
                times.setdefault(x["run_name"], []).append(x["real_time"] * {"ns": 1e-3, "us": 1, "ms": 1e3}[x["time_unit"]])
    med = {k: statistics.median(v) for k, v in times.items()}
    print(f"== {b}")
    for k in sorted(med):
        print(f"  {k:40s} {med[k]:12.1f} us  ({len(times[k])} runs)")
    for n in ("50000", "500000"):
        a, ref = med.get(f"BM_ModelQueryRows/{n}"), med.get(f"BM_SqliteQueryRowsCovering/{n}")
        if a and ref:
            print(f"  rows vs SQLite at {n:>6}: {a / ref:.2f}x  (target <= 0.33)")
    for name in ("BM_ModelQueryFirstOfFamily", "BM_ModelQueryRows", "BM_TableOpen"):
        small, big = med.get(f"{name}/50000"), med.get(f"{name}/500000")
        if small and big:
            print(f"  growth 50k -> 500k {name:28s} {big / small:5.1f}x  (target <= 11)")
PY
