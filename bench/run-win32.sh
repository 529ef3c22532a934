#!/usr/bin/env bash
# The Windows build of the folder benchmark under Wine, beside its floor and the native
# build. Cross-builds folder_bench.exe and plain_reader.exe in Release (build/win32-bench,
# or $BENCH_WIN32_BUILD_DIR), generates the tree natively (or takes $BENCH_TREE) and
# times, warm cache, a Find with a few hits per file:
#   folder_bench.exe find   vs  plain_reader.exe (every file read in 1 MB blocks into one
#   buffer, nothing else: the floor)  and  the native folder_bench find;
# a Find without hits, its files scanned by as many threads as the cores and by one, vs
# the floor, which is read by one thread and by two side by side: whether Wine reads
# files in parallel at all.
#   Masks: folder_bench.exe find with the mask '*;!*\\archive' over a tree of 2,000 files
#   (50 MB) with a folder "archive" of 100,000 small files in it vs without that folder,
#   in turns.
# The times are those that the programs print for their walks, without Wine's start.
# Each figure is the median of REPEAT runs (default 5), with the fastest and slowest.
# Usage: bench/run-win32.sh [BUILD_DIR]   (the native Release build; default build/bench)
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib/common.sh
source bench/lib.sh
build=${1:-${BENCH_BUILD_DIR:-build/bench}}
win32_build folder_bench plain_reader

bench_start win32-bench "$build"
# wine-run.sh keeps one wineserver running between the runs and passes the output on
# without Wine's background processes holding our pipe.
wine_run=cmake/wine-run.sh
floor="$wine_run '$win32/bench/folder/plain_reader.exe' '$windows_tree'"
query='fr_marker(*)'
scan="$wine_run '$win32/bench/folder/folder_bench.exe' find '$windows_tree' '$query'"
echo "tree: $files files, $megabytes MB, as $windows_tree; median of $repeat runs, warm cache"
echo "  plain_reader.exe:        $(eval "$floor")"
echo "  folder_bench.exe find:   $(eval "$scan")"
echo "  native folder_bench find: $("$bench" find "$tree" "$query")"
floor_time=$(measure_walk "$floor")
scan_time=$(measure_walk "$scan")
native_time=$(measure_walk "'$bench' find '$tree' '$query'")
echo "Find '$query', the walk's own time:"
report "plain_reader.exe under Wine (floor)" "$floor_time" "$megabytes"
report "folder_bench.exe under Wine" "$scan_time" "$megabytes"
report "folder_bench, native" "$native_time" "$megabytes"
target "Win32 scan / floor" "$(ratio "${scan_time%% *}" "${floor_time%% *}")" at-most 1.3
echo "  Win32 scan / native scan: $(ratio "${scan_time%% *}" "${native_time%% *}")x"

absent='fr_absent('
none="$wine_run '$win32/bench/folder/folder_bench.exe' find '$windows_tree' '$absent'"
none_one="$wine_run '$win32/bench/folder/folder_bench.exe' --threads 1 find '$windows_tree' '$absent'"
floor_two="$wine_run '$win32/bench/folder/plain_reader.exe' --threads 2 '$windows_tree'"
echo "Find '$absent' (no hits), in turns:"
mapfile -t turns < <(measure_turns "$floor" "$floor_two" "$none" "$none_one")
report "plain_reader.exe (floor)" "${turns[0]}" "$megabytes"
report "plain_reader.exe, two threads" "${turns[1]}" "$megabytes"
report "folder_bench.exe, all threads" "${turns[2]}" "$megabytes"
report "folder_bench.exe, one thread" "${turns[3]}" "$megabytes"
target "Win32 Find without hits / floor" "$(ratio "${turns[2]%% *}" "${turns[0]%% *}")" at-most 0.8
echo "  floor on two threads / on one: $(ratio "${turns[1]%% *}" "${turns[0]%% *}")x" \
     "(about 1 or more: Wine reads files one at a time)"
echo "  one thread / all threads: $(ratio "${turns[3]%% *}" "${turns[2]%% *}")x"

# Masks: a folder that the mask leaves out costs nothing, however much it holds.
masked_tree "$bench"
mask='*;!*\\archive'
find_masked="$wine_run '$win32/bench/folder/folder_bench.exe' find '$(winepath -w "$masked" 2>/dev/null)' '$query' '$mask'"
mv "$archive" "$masked/archive"
echo "Masks: Find '$query' with the mask '$mask' over 2,000 files (50 MB), with and without" \
     "a folder 'archive' of 100,000 small files (in turns); lines with it: $(eval "$find_masked")"
mv "$masked/archive" "$archive"
report_masked "$find_masked"
rm -rf "$work/masked"
