#!/usr/bin/env bash
# The query engine beside memmem over 64 KB texts (bench/query_bench.cpp): each case's
# median bytes per second of five runs, its baseline's, their ratio and the ratio aimed
# for. Usage: bench/run-query.sh BUILD_DIR (a Release build; scripts/bench makes one).
set -euo pipefail
build=${1:?usage: bench/run-query.sh BUILD_DIR}
csv=$(mktemp)
trap 'rm -f "$csv"' EXIT
"$build/bench/query_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$csv" --benchmark_out_format=csv

# mawk or gawk. Rows are "name_engine_median" and "name_memmem_median", or for the search's
# options "name_with_median" and "name_without_median"; bytes_per_second is column 6.
echo
echo "query engine / memmem, median of five runs, 1 GB = 10^9 bytes:"
awk -F, '
  /_median"?,/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
    side = name; sub(/^.*_/, "", side); sub(/_[a-z]+$/, "", name)
    rate[name, side] = $6
    if (!(name in seen)) { seen[name] = 1; order[++n] = name }
  }
  END {
    printf "  %-20s %14s %14s %7s %7s\n", "case", "engine", "memmem", "ratio", "target"
    for (i = 1; i <= n; i++) {
      c = order[i]
      if (!((c, "memmem") in rate)) continue
      target = (c ~ /^a_/) ? 0.8 : 0.5
      ratio = rate[c, "engine"] / rate[c, "memmem"]
      printf "  %-20s %9.2f GB/s %9.2f GB/s %6.2fx %6.1fx%s\n", c, rate[c, "engine"] / 1e9,
             rate[c, "memmem"] / 1e9, ratio, target, (ratio >= target ? "" : "  below target")
    }
    print ""
    print "an option / the same search without it (time), median of five runs:"
    printf "  %-20s %14s %14s %7s %7s\n", "case", "with", "without", "ratio", "at most"
    for (i = 1; i <= n; i++) {
      c = order[i]
      if (!((c, "with") in rate)) continue
      target = (c ~ /^d_/) ? 1.3 : 1.1
      ratio = rate[c, "without"] / rate[c, "with"]
      printf "  %-20s %9.2f GB/s %9.2f GB/s %6.2fx %6.1fx%s\n", c, rate[c, "with"] / 1e9,
             rate[c, "without"] / 1e9, ratio, target, (ratio <= target ? "" : "  above target")
    }
  }' "$csv"
