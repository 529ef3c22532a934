#!/usr/bin/env bash
# The program itself, as its users run it: fuzzyreplace.exe (Release, cross-built in
# build/win32-bench or $BENCH_WIN32_BUILD_DIR) under Wine on a virtual display, driven by
# program_bench.exe, which presses the folder Find and times it until the search has
# ended and its whole report is in the editor. On the generated tree (or $BENCH_TREE):
#   a query with no hit (the baseline), 'fr_marker(*)' (a few hits per file) and
#   'the ' (many hits: every report line goes into the window's edit control).
# Each figure is the median of REPEAT runs (default 5), each in a fresh program; 'the ',
# whose run takes many minutes, is run MANY_HITS_REPEAT times (default once), each allowed
# MANY_HITS_LIMIT seconds (default 600; a run cut there gives the least its ratio can be).
# Then the editor: Open of a 1 MB and a 16 MB text file, timed until the whole text is in,
# and a hit opened from a report by a double click in a 250 KB file, until it is selected.
# Usage: bench/run-program.sh [BUILD_DIR]   (the native Release build, which generates
# the tree; default build/bench)
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib/common.sh
source bench/lib.sh
build=${1:-${BENCH_BUILD_DIR:-build/bench}}
win32_build fuzzyreplace program_bench

bench_start program-bench "$build"
echo "tree: $files files, $megabytes MB, as $windows_tree; warm cache"

absent='zq_absent' few='fr_marker(*)' many='the '
many_repeat=${MANY_HITS_REPEAT:-1}
many_limit=${MANY_HITS_LIMIT:-600}
# Prints program_bench's lines, "QUERY: median min max s, N lines" or "QUERY: failed", for
# the queries given after the runs per query and the seconds that a search may take.
program_bench() {
  REPEAT=$1 FIND_LIMIT=$2 with_display cmake/wine-run.sh "$win32/bench/program/program_bench.exe" \
    "$root/$win32/window/fuzzyreplace.exe" "$windows_tree" "${@:3}" || true
}
# The same for program_bench's other runs: "open FILE..." or "hit FOLDER QUERY".
program_bench_editor() {
  REPEAT=$repeat FIND_LIMIT=600 with_display cmake/wine-run.sh "$win32/bench/program/program_bench.exe" \
    "$1" "$root/$win32/window/fuzzyreplace.exe" "${@:2}" || true
}
# The "median min max" and the line count on the line of query `$2` in the output `$1`.
times_of() { grep -F -- "$2: " <<<"$1" | tail -1 | sed 's/.*: //' | awk 'NF > 3 { print $1, $2, $3 }'; }
lines_of() { grep -F -- "$2: " <<<"$1" | tail -1 | sed 's/.*, //' | awk '{ print $1 }'; }

# The first query's first runs warm the cache and Wine; the figures are its second runs'.
light=$(program_bench "$repeat" 600 "$absent" "$absent" "$few")
absent_time=$(times_of "$light" "$absent")
few_time=$(times_of "$light" "$few")
if [ -z "$absent_time" ] || [ -z "$few_time" ]; then
  printf 'program_bench failed:\n%s\n' "$light"
  exit 1
fi
heavy=$(program_bench "$many_repeat" "$many_limit" "$many")
many_time=$(times_of "$heavy" "$many")
echo "Folder Find in the program, from the press until the report is whole" \
     "(median of $repeat runs; of $many_repeat for '$many'):"
report "'$absent': $(lines_of "$light" "$absent") lines" "$absent_time" "$megabytes"
report "'$few': $(lines_of "$light" "$few") lines" "$few_time" "$megabytes"
# Each hit line gives its line and text: Wine's edit control lays the longer lines out at
# about 0.1 ms a line and 30 ms a round, which puts the floor near 2.5.
target "'$few' / no hit" "$(ratio "${few_time%% *}" "${absent_time%% *}")" at-most 3
if [ -n "$many_time" ]; then
  report "'$many': $(lines_of "$heavy" "$many") lines" "$many_time" "$megabytes"
  target "'$many' / no hit" "$(ratio "${many_time%% *}" "${absent_time%% *}")" at-most 5
else
  echo "  '$many': did not end within $many_limit s (MANY_HITS_LIMIT)"
  target "'$many' / no hit, at least" "$(ratio "$many_limit" "${absent_time%% *}")" at-most 5
fi

# Text files of lines as a user's are, and a folder with one 250 KB file whose last line
# holds the one hit.
text_file() {  # path, bytes
  local line
  line=$(printf 'Строка текстового файла для открытия в редакторе, 0123456789' | iconv -f utf-8 -t cp1251)
  LC_ALL=C awk -v size="$2" -v line="$line" 'BEGIN {
    while (written + length(line) + 2 <= size) { printf "%s\r\n", line; written += length(line) + 2 }
    while (written < size) { printf "x"; written++ } }' > "$1"
}
mkdir -p "$work/editor/hit"
text_file "$work/editor/1mb.txt" 1000000
text_file "$work/editor/16mb.txt" 16000000
text_file "$work/editor/hit/letter.txt" 250000
printf 'fr_hit\r\n' >> "$work/editor/hit/letter.txt"
opened=$(program_bench_editor open "$(winepath -w "$work/editor/1mb.txt")" "$(winepath -w "$work/editor/16mb.txt")")
hit=$(program_bench_editor hit "$(winepath -w "$work/editor/hit")" fr_hit)
echo "The editor under Wine (median of $repeat runs, each in a fresh program):"
for name in 1mb 16mb; do
  times=$(times_of "$opened" "$name.txt")
  if [ -n "$times" ]; then report "Open of $name.txt" "$times" "$(( ${name%mb} ))"
  else printf 'program_bench open failed:\n%s\n' "$opened"; fi
done
hit_time=$(grep -F -- "hit: " <<<"$hit" | sed 's/.*: //' | awk 'NF > 3 { print $1, $2, $3 }')
if [ -n "$hit_time" ]; then
  report "a hit in a 250 KB file" "$hit_time" 0.25
  target "a hit opened, in seconds" "${hit_time%% *}" at-most 1
else
  printf 'program_bench hit failed:\n%s\n' "$hit"
fi
