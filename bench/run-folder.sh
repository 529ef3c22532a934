#!/usr/bin/env bash
# Folder search benchmark. Generates a tree (about 200 MB in 2,000 files, a few hits per
# file, one file in 20 binary) in a temporary folder and measures, warm cache, in one run:
#   Find:    our walker + visitor  vs  grep -rF  and  rg -F -j1  (output piped to wc -l)
#   Replace: our walker + visitor  vs  sed -i, each on a fresh copy of the tree; and ours
#            with the undo's copies kept, in a temporary folder on the tree's volume (hard
#            links) and on another one (copies of the bytes), against ours without
#   and a 20 MB file of one letter with a query whose second literal never occurs.
# grep, rg and sed work on bytes (LC_ALL=C), as the files are not UTF-8.
# Each figure is the median of REPEAT runs (default 5), with the fastest and slowest.
# Usage: bench/run-folder.sh [BUILD_DIR]   (default: $BENCH_BUILD_DIR or build/bench)
set -euo pipefail
export LC_ALL=C  # bytes, not UTF-8: the files are Windows-1251 text and binary data
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-${BENCH_BUILD_DIR:-build/bench}}
repeat=${REPEAT:-5}
bench="$build/bench/folder/folder_bench"
if [ ! -x "$bench" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target folder_bench >/dev/null
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/folder-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
tree="$work/tree"
mkdir -p "$tree"
"$bench" generate "$tree" 2000 200
megabytes=$(du -sm --apparent-size "$tree" | cut -f1)
files=$(find "$tree" -type f | wc -l)
echo "tree: $files files, $megabytes MB; median of $repeat runs, warm cache"

now() { date +%s.%N; }
elapsed() { echo "$(now) $1" | awk '{ printf "%.6f", $1 - $2 }'; }
# Runs a command REPEAT times (after one warm-up run unless NO_WARMUP is set), with
# PREPARE before each run, untimed; prints "median min max" in seconds.
measure() {
  local times=() start
  [ -n "${PREPARE:-}" ] && eval "$PREPARE"
  [ -z "${NO_WARMUP:-}" ] && eval "$1" >/dev/null
  for ((i = 0; i < repeat; i++)); do
    [ -n "${PREPARE:-}" ] && eval "$PREPARE"
    start=$(now)
    eval "$1" >/dev/null
    times+=("$(elapsed "$start")")
  done
  printf '%s\n' "${times[@]}" | sort -g |
    awk '{ t[NR] = $1 } END { printf "%.3f %.3f %.3f\n", t[int((NR + 1) / 2)], t[1], t[NR] }'
}
# As measure, but the time is the one that the benchmark prints for its walk ("N lines,
# T s, ..."): for comparing two ways of our own that differ in what they set up first.
measure_walk() {
  local times=()
  [ -n "${PREPARE:-}" ] && eval "$PREPARE"
  [ -z "${NO_WARMUP:-}" ] && eval "$1" >/dev/null
  for ((i = 0; i < repeat; i++)); do
    [ -n "${PREPARE:-}" ] && eval "$PREPARE"
    times+=("$(eval "$1" | awk '{ print $3 }')")
  done
  printf '%s\n' "${times[@]}" | sort -g |
    awk '{ t[NR] = $1 } END { printf "%.3f %.3f %.3f\n", t[int((NR + 1) / 2)], t[1], t[NR] }'
}
# As measure_walk for several commands at once, run in turns (PREPARE before each run),
# so that a machine whose disk others share slows them alike; prints one "median min max"
# line per command.
measure_turns() {
  local times=() i k
  for ((i = 0; i < repeat; i++)); do
    for ((k = 1; k <= $#; k++)); do
      [ -n "${PREPARE:-}" ] && eval "$PREPARE"
      times[k]+="$(eval "${!k}" | awk '{ print $3 }') "
    done
  done
  for ((k = 1; k <= $#; k++)); do
    printf '%s\n' ${times[k]} | sort -g |
      awk '{ t[NR] = $1 } END { printf "%.3f %.3f %.3f\n", t[int((NR + 1) / 2)], t[1], t[NR] }'
  done
}
report() {  # name, "median min max", megabytes
  read -r median low high <<<"$2"
  printf '  %-34s %7.3f s  (%.3f .. %.3f)  %7.0f MB/s\n' "$1" "$median" "$low" "$high" \
    "$(ratio "$3" "$median")"
}
ratio() { echo "$1 $2" | awk '{ printf "%.2f", $1 / $2 }'; }

literal='fr_marker('
query='fr_marker(*)'
echo "Find '$query' (grep and rg: the literal '$literal')"
echo "  lines: ours $("$bench" find "$tree" "$query" | cut -d' ' -f1)," \
     "grep $(grep -rF "$literal" "$tree" 2>/dev/null | wc -l)," \
     "rg $(rg -F -j1 "$literal" "$tree" 2>/dev/null | wc -l) (a line with several hits counts once)"
ours=$(measure "'$bench' find '$tree' '$query'")
grep_time=$(measure "grep -rF '$literal' '$tree' 2>/dev/null | wc -l")
rg_time=$(measure "rg -F -j1 '$literal' '$tree' 2>/dev/null | wc -l")
report "walk_folder + search_in_file" "$ours" "$megabytes"
report "grep -rF" "$grep_time" "$megabytes"
report "rg -F -j1" "$rg_time" "$megabytes"
echo "  grep / ours: $(ratio "${grep_time%% *}" "${ours%% *}")x," \
     "rg / ours: $(ratio "${rg_time%% *}" "${ours%% *}")x (above 1: ours is faster)"
plain_walk=$(measure_walk "'$bench' find '$tree' '$query'")
window_walk=$(measure_walk "'$bench' window-find '$tree' '$query'")
report "walk alone, report into a string" "$plain_walk" "$megabytes"
report "walk as the window runs it" "$window_walk" "$megabytes"
echo "  with the window's progress path / without: $(ratio "${window_walk%% *}" "${plain_walk%% *}")x" \
     "(target: at most 1.05)"

# Replace on fresh copies of the tree in `$1`, a folder on the file system to measure;
# `$2`, a folder on another file system, or empty, for the undo's copies.
replace_suite() {
  local copy="$1/copy" fresh ours sed_time captures undo_same undo_other find_walk
  fresh="rm -rf '$copy'; cp -r '$tree' '$copy'; sync; cat \$(find '$copy' -type f) >/dev/null"
  ours=$(PREPARE=$fresh NO_WARMUP=1 measure "'$bench' replace '$copy' '$literal' 'fr_tag('")
  sed_time=$(PREPARE=$fresh NO_WARMUP=1 measure \
    "find '$copy' -type f -print0 | xargs -0 sed -i 's/fr_marker(/fr_tag(/g'")
  captures=$(PREPARE=$fresh NO_WARMUP=1 measure "'$bench' replace '$copy' 'fr_marker(%n%)' 'fr_tag[%n%]'")
  # The Replace without the undo and with it, the undo's folder on the tree's volume and,
  # where there is one, on another.
  mkdir -p "$1/temporary"
  local plain="'$bench' replace '$copy' '$literal' 'fr_tag('"
  local same="TMPDIR='$1/temporary' '$bench' replace-undo '$copy' '$literal' 'fr_tag('"
  local other="TMPDIR='${2:-$1}/temporary' '$bench' replace-undo '$copy' '$literal' 'fr_tag('"
  [ -n "$2" ] && mkdir -p "$2/temporary"
  mapfile -t turns < <(PREPARE=$fresh measure_turns "$plain" "$same" "$other")
  plain_walk=${turns[0]} undo_same=${turns[1]} undo_other=${turns[2]}
  find_walk=$(PREPARE=$fresh NO_WARMUP=1 measure_walk "'$bench' find '$copy' '$literal'")
  window_walk=$(PREPARE=$fresh NO_WARMUP=1 measure_walk \
    "TMPDIR='$1/temporary' '$bench' window-replace '$copy' '$literal' 'fr_tag('")
  report "walk_folder + search_in_file" "$ours" "$megabytes"
  report "walk alone, report into a string" "$plain_walk" "$megabytes"
  report "the same, undo kept on this volume" "$undo_same" "$megabytes"
  echo "  with the undo / without: $(ratio "${undo_same%% *}" "${plain_walk%% *}")x (target: at most 1.20)"
  if [ -n "$2" ]; then
    report "the same, undo kept in $2" "$undo_other" "$megabytes"
    echo "  with the undo / without: $(ratio "${undo_other%% *}" "${plain_walk%% *}")x (target: at most 1.20)"
    rm -rf "$2/temporary"
  fi
  report "the search that counts (a Find)" "$find_walk" "$megabytes"
  report "walk as the window runs it" "$window_walk" "$megabytes"
  echo "  as the window runs it / the search and the Replace with undo alone:" \
       "$(echo "${window_walk%% *} ${find_walk%% *} ${undo_same%% *}" | awk '{ printf "%.2f", $1 / ($2 + $3) }')x" \
       "(target: at most 1.05)"
  report "sed -i" "$sed_time" "$megabytes"
  report "ours, 'fr_marker(%n%)' -> 'fr_tag[%n%]'" "$captures" "$megabytes"
  echo "  sed / ours: $(ratio "${sed_time%% *}" "${ours%% *}")x (target: 2 or more)"
  echo "  check, hits left after the last Replace: $("$bench" find "$copy" "$literal" | cut -d' ' -f1)"
  rm -rf "$copy"
}

echo "Replace '$literal' with 'fr_tag(' (each run on a fresh copy of the tree, synced)"
# Making 2,000 files can cost more than rewriting their bytes on some disks; a tmpfs
# shows what the programs themselves cost, and gives the undo a second volume.
shm=
if [ -d /dev/shm ] && [ -w /dev/shm ] &&
   [ "$(df --output=fstype /dev/shm | tail -1)" != "$(df --output=fstype "$work" | tail -1)" ]; then
  shm=$(mktemp -d /dev/shm/folder-bench.XXXXXX)
  trap 'rm -rf "$work" "$shm"' EXIT
fi
echo " in $work ($(df --output=fstype "$work" | tail -1)):"
replace_suite "$work" "$shm"
if [ -n "$shm" ]; then
  echo " in $shm (tmpfs):"
  replace_suite "$shm" "$work"
fi

echo "20 MB of one letter, query 'a*b' (every byte a candidate, no hit; not a target)"
"$bench" one-letter "$work/letter.txt" 20
mkdir "$work/letter" && mv "$work/letter.txt" "$work/letter/"
start=$(now)
timeout "${LETTER_LIMIT:-900}" "$bench" find "$work/letter" 'a*b' | sed 's/^/  /' ||
  echo "  stopped after ${LETTER_LIMIT:-900} s"
echo "  wall: $(elapsed "$start") s"
