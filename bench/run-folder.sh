#!/usr/bin/env bash
# Folder search benchmark, native build. Generates a tree (about 200 MB in 2,000 files, a
# few hits per file, one file in 20 binary) in a temporary folder, or takes $BENCH_TREE,
# and measures, warm cache, in one run:
#   Find:     our walker + visitor (its files scanned by as many threads as the cores)
#             vs  grep -rF,  rg -F -j1  and  rg -F with its default threads (output piped
#             to wc -l), and the walk as the window runs it (progress path) vs the plain
#             walk; the same over BENCH_SMALL_FILES (default 100,000) files of 1 KB
#   One thread: Find on both trees and Replace with one thread (--threads 1) vs the
#             program of BENCH_BEFORE (a revision, default b53dd7c: the last before files
#             were scanned in parallel), built from its sources, in turns
#   Frequent hits: Find 'the ' vs rg -F -j1 'the ', and with every hit's line and excerpt
#   Options: Find 'fr_marker(' with match case off vs on (in turns) and vs rg -i -F -j1,
#             and 'fr_marker' as a whole word vs without (in turns)
#   Replace:  ours vs sd and sed -i, each on a fresh copy of the tree, on the disk
#             (the temporary folder) and on tmpfs (/dev/shm); ours with the undo's
#             copies kept on the tree's volume (hard links) and on the other one (copies)
#             against ours without; ours with one thread against ours with all (on tmpfs:
#             the pushes of the copies to the disk are no cost there); the search that
#             asks first and the Replace as the window runs them against the two walks
#             alone
#   Encodings: Find and Replace with the encodings told vs taken as bytes (--bytes-only),
#             and Find in the same text in UTF-8 and UTF-16 vs in ANSI
#   Masks: Find with the mask '*;!*/archive' over a tree of 2,000 files (50 MB) with a
#             folder "archive" of 100,000 small files in it vs without that folder, in turns
#   Dense files: 20 MB of one letter, 20 MB of "ab" and 8 MB of Russian Windows-1251 text,
#             with queries that make nearly every byte a candidate and never match, vs
#             rg -U -j1 with the equivalent expression
# grep, rg, sd and sed work on bytes (LC_ALL=C), as the files are not UTF-8.
# Each figure is the median of REPEAT runs (default 5), with the fastest and slowest.
# Usage: bench/run-folder.sh [BUILD_DIR]   (default: $BENCH_BUILD_DIR or build/bench)
set -euo pipefail
export LC_ALL=C  # bytes, not UTF-8: the files are Windows-1251 text and binary data
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source bench/lib.sh
build=${1:-${BENCH_BUILD_DIR:-build/bench}}

bench_start folder-bench "$build"
echo "tree: $files files, $megabytes MB; median of $repeat runs, warm cache"

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
     "rg -j1 / ours: $(ratio "${rg_time%% *}" "${ours%% *}")x (above 1: ours is faster)"
# rg as users run it, with as many threads as it chooses, in turns with ours.
mapfile -t turns < <(measure_turns_process "'$bench' find '$tree' '$query'" \
                                           "rg -F '$literal' '$tree' 2>/dev/null | wc -l")
report "ours, in turns with rg" "${turns[0]}" "$megabytes"
report "rg -F (its default threads)" "${turns[1]}" "$megabytes"
target "rg (its default threads) / ours" "$(ratio "${turns[1]%% *}" "${turns[0]%% *}")" at-least 1
plain_walk=$(measure_walk "'$bench' find '$tree' '$query'")
window_walk=$(measure_walk "'$bench' window-find '$tree' '$query'")
report "walk alone, lines worded and counted" "$plain_walk" "$megabytes"
report "walk as the window runs it" "$window_walk" "$megabytes"
target "with the window's progress path / without" \
  "$(ratio "${window_walk%% *}" "${plain_walk%% *}")" at-most 1.05

# Many small files: the cost of each file (its listing, opening and hand-over to a
# thread) rather than of its bytes.
small_files=${BENCH_SMALL_FILES:-100000}
small="$work/small"
mkdir -p "$small"
"$bench" generate "$small" "$small_files" $(( (small_files + 999) / 1000 ))
small_mb=$(du -sm --apparent-size "$small" | cut -f1)
echo "Find '$query' in $small_files files of about 1 KB ($small_mb MB)"
mapfile -t turns < <(measure_turns_process "'$bench' find '$small' '$query'" \
                                           "rg -F '$literal' '$small' 2>/dev/null | wc -l" \
                                           "rg -F -j1 '$literal' '$small' 2>/dev/null | wc -l")
report "walk_folder + search_in_file" "${turns[0]}" "$small_mb"
report "rg -F (its default threads)" "${turns[1]}" "$small_mb"
report "rg -F -j1" "${turns[2]}" "$small_mb"
target "rg (its default threads) / ours, small files" \
  "$(ratio "${turns[1]%% *}" "${turns[0]%% *}")" at-least 1

frequent='the '
echo "Frequent hits: Find '$frequent', report lines formatted as the window words them"
echo "  lines: ours $("$bench" find "$tree" "$frequent" | cut -d' ' -f1)," \
     "rg $(rg -F -j1 "$frequent" "$tree" 2>/dev/null | wc -l) (lines)," \
     "rg -o $(rg -F -j1 -o "$frequent" "$tree" 2>/dev/null | wc -l) (hits)"
ours=$(measure "'$bench' find '$tree' '$frequent'")
rg_time=$(measure "rg -F -j1 '$frequent' '$tree' 2>/dev/null | wc -l")
# As the window lists them, the first 20,000 lines tell their line and excerpt; with
# --all-lines every one does, which shows what they cost a hit.
all_lines=$(measure "'$bench' --all-lines find '$tree' '$frequent'")
report "walk_folder + search_in_file" "$ours" "$megabytes"
report "rg -F -j1 '$frequent' | wc -l" "$rg_time" "$megabytes"
report "ours, every line with its line and excerpt" "$all_lines" "$megabytes"
target "rg / ours" "$(ratio "${rg_time%% *}" "${ours%% *}")" at-least 1

# The options: the same literal query with match case on and off, and with whole word and
# without, each pair in turns; match case off against rg -i (ASCII: rg cannot fold
# Windows-1251 letters).
word='fr_marker'
echo "Options: Find '$literal' with match case on and off, '$word' without and with whole word"
echo "  lines: case on $("$bench" find "$tree" "$literal" | cut -d' ' -f1)," \
     "case off $("$bench" --any-case find "$tree" "$literal" | cut -d' ' -f1)," \
     "rg -i $(rg -i -F -j1 "$literal" "$tree" 2>/dev/null | wc -l) (lines);" \
     "'$word' $("$bench" find "$tree" "$word" | cut -d' ' -f1)," \
     "whole word $("$bench" --whole-word find "$tree" "$word" | cut -d' ' -f1)"
mapfile -t turns < <(measure_turns "'$bench' find '$tree' '$literal'" \
  "'$bench' --any-case find '$tree' '$literal'" "'$bench' find '$tree' '$word'" \
  "'$bench' --whole-word find '$tree' '$word'")
report "match case on" "${turns[0]}" "$megabytes"
report "match case off" "${turns[1]}" "$megabytes"
target "match case off / on" "$(ratio "${turns[1]%% *}" "${turns[0]%% *}")" at-most 1.3
report "'$word'" "${turns[2]}" "$megabytes"
report "'$word', whole word" "${turns[3]}" "$megabytes"
target "whole word / without" "$(ratio "${turns[3]%% *}" "${turns[2]%% *}")" at-most 1.1
ours=$(measure "'$bench' --any-case find '$tree' '$literal'")
rg_time=$(measure "rg -i -F -j1 '$literal' '$tree' 2>/dev/null | wc -l")
report "match case off, the whole process" "$ours" "$megabytes"
report "rg -i -F -j1" "$rg_time" "$megabytes"
target "rg -i / ours, match case off" "$(ratio "${rg_time%% *}" "${ours%% *}")" at-least 1

# Replace on fresh copies of the tree in `$1`, a folder on the file system to measure;
# `$2` is "disk" or "tmpfs", which says the ratio aimed for; `$3`, a folder on another
# file system, or empty, for the undo's copies.
replace_suite() {
  local copy="$1/copy" fresh ours sd_time sed_time captures plain_walk undo_same undo_other
  local find_walk window_walk turns one_thread
  fresh="rm -rf '$copy'; cp -r '$tree' '$copy'; sync; cat \$(find '$copy' -type f) >/dev/null"
  ours=$(PREPARE=$fresh NO_WARMUP=1 measure "'$bench' replace '$copy' '$literal' 'fr_tag('")
  echo "  check, hits left after our last Replace: $("$bench" find "$copy" "$literal" | cut -d' ' -f1)"
  sd_time=$(PREPARE=$fresh NO_WARMUP=1 measure \
    "find '$copy' -type f -print0 | xargs -0 sd -s 'fr_marker(' 'fr_tag('")
  echo "  check, hits left after the last sd: $("$bench" find "$copy" "$literal" | cut -d' ' -f1)"
  sed_time=$(PREPARE=$fresh NO_WARMUP=1 measure \
    "find '$copy' -type f -print0 | xargs -0 sed -i 's/fr_marker(/fr_tag(/g'")
  captures=$(PREPARE=$fresh NO_WARMUP=1 measure "'$bench' replace '$copy' 'fr_marker(%n%)' 'fr_tag[%n%]'")
  # The Replace without the undo and with it, the undo's folder on the tree's volume and,
  # where there is one, on another: in turns, so that a disk that others share slows
  # them alike.
  mkdir -p "$1/temporary"
  [ -n "$3" ] && mkdir -p "$3/temporary"
  local plain="'$bench' replace '$copy' '$literal' 'fr_tag('"
  local same="TMPDIR='$1/temporary' '$bench' replace-undo '$copy' '$literal' 'fr_tag('"
  local other="TMPDIR='${3:-$1}/temporary' '$bench' replace-undo '$copy' '$literal' 'fr_tag('"
  local one="'$bench' --threads 1 replace '$copy' '$literal' 'fr_tag('"
  mapfile -t turns < <(PREPARE=$fresh measure_turns "$plain" "$same" "$other" "$one")
  plain_walk=${turns[0]} undo_same=${turns[1]} undo_other=${turns[2]} one_thread=${turns[3]}
  # The window first counts the hits, matching with the template and previewing each
  # change, to ask before it rewrites.
  find_walk=$(PREPARE=$fresh NO_WARMUP=1 measure_walk "'$bench' count '$copy' '$literal' 'fr_tag('")
  window_walk=$(PREPARE=$fresh NO_WARMUP=1 measure_walk \
    "TMPDIR='$1/temporary' '$bench' window-replace '$copy' '$literal' 'fr_tag('")
  report "walk_folder + search_in_file" "$ours" "$megabytes"
  report "sd -s" "$sd_time" "$megabytes"
  report "sed -i" "$sed_time" "$megabytes"
  report "ours, 'fr_marker(%n%)' -> 'fr_tag[%n%]'" "$captures" "$megabytes"
  if [ "$2" = disk ]; then
    target "sd / ours" "$(ratio "${sd_time%% *}" "${ours%% *}")" at-least 1
    echo "  sed / ours: $(ratio "${sed_time%% *}" "${ours%% *}")x"
  else
    target "sed / ours" "$(ratio "${sed_time%% *}" "${ours%% *}")" at-least 2
    echo "  sd / ours: $(ratio "${sd_time%% *}" "${ours%% *}")x"
  fi
  report "walk alone, lines worded and counted" "$plain_walk" "$megabytes"
  report "the same, one thread" "$one_thread" "$megabytes"
  if [ "$2" = tmpfs ]; then
    target "one thread / all threads, without the undo" \
      "$(ratio "${one_thread%% *}" "${plain_walk%% *}")" at-least 1
  else
    echo "  one thread / all threads, without the undo: $(ratio "${one_thread%% *}" "${plain_walk%% *}")x"
  fi
  report "the same, undo kept on this volume" "$undo_same" "$megabytes"
  target "with the undo (links) / without" "$(ratio "${undo_same%% *}" "${plain_walk%% *}")" at-most 1.20
  if [ -n "$3" ]; then
    report "the same, undo kept in $3" "$undo_other" "$megabytes"
    target "with the undo (copies) / without" "$(ratio "${undo_other%% *}" "${plain_walk%% *}")" at-most 1.20
    rm -rf "$3/temporary"
  fi
  report "the search that asks first (it counts)" "$find_walk" "$megabytes"
  report "both as the window runs them" "$window_walk" "$megabytes"
  target "as the window runs them / the two walks alone" \
    "$(echo "${window_walk%% *} ${find_walk%% *} ${undo_same%% *}" | awk '{ printf "%.2f", $1 / ($2 + $3) }')" \
    at-most 1.05
  rm -rf "$copy" "$1/temporary"
}

echo "Replace '$literal' with 'fr_tag(' (each run on a fresh copy of the tree, synced;" \
     "the rewriting pass alone)"
# Making 2,000 files can cost more than rewriting their bytes on some disks; a tmpfs
# shows what the programs themselves cost, and gives the undo a second volume.
shm=
if [ -d /dev/shm ] && [ -w /dev/shm ] &&
   [ "$(df --output=fstype /dev/shm | tail -1)" = tmpfs ] &&
   [ "$(df --output=fstype "$work" | tail -1)" != tmpfs ]; then
  shm=$(mktemp -d /dev/shm/folder-bench.XXXXXX)
  trap 'rm -rf "$work" "$shm"' EXIT
fi
echo " in $work ($(df --output=fstype "$work" | tail -1)):"
replace_suite "$work" disk "$shm"
if [ -n "$shm" ]; then
  echo " in $shm (tmpfs):"
  replace_suite "$shm" tmpfs "$work"
fi

# One thread against the program before its files were scanned in parallel, built from
# that revision's sources (once, into build/before-<revision>).
before_revision=${BENCH_BEFORE:-b53dd7c}
if git cat-file -e "$before_revision^{commit}" 2>/dev/null; then
  before_build="$root/build/before-$before_revision"
  if [ ! -x "$before_build/bench/folder/folder_bench" ]; then
    rm -rf "$work/before-sources"
    mkdir -p "$work/before-sources"
    git archive "$before_revision" | tar -x -C "$work/before-sources"
    cmake -S "$work/before-sources" -B "$before_build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$before_build" --target folder_bench >/dev/null
  fi
  before="$before_build/bench/folder/folder_bench"
  echo "One thread against $before_revision, in turns:"
  for case_tree in "$tree" "$small"; do
    mapfile -t turns < <(measure_turns "'$before' find '$case_tree' '$query'" \
                                       "'$bench' --threads 1 find '$case_tree' '$query'")
    size=$(du -sm --apparent-size "$case_tree" | cut -f1)
    report "Find in $(basename "$case_tree"), before" "${turns[0]}" "$size"
    report "Find in $(basename "$case_tree"), one thread" "${turns[1]}" "$size"
    target "one thread / before, Find in $(basename "$case_tree")" \
      "$(ratio "${turns[1]%% *}" "${turns[0]%% *}")" at-most 1.05
  done
  # On tmpfs where there is one: the disk's flushes vary more than what is compared.
  copy="${shm:-$work}/before-copy"
  fresh="rm -rf '$copy'; cp -r '$tree' '$copy'; sync; cat \$(find '$copy' -type f) >/dev/null"
  mapfile -t turns < <(PREPARE=$fresh measure_turns "'$before' replace '$copy' '$literal' 'fr_tag('" \
                                                    "'$bench' --threads 1 replace '$copy' '$literal' 'fr_tag('")
  report "Replace, before" "${turns[0]}" "$megabytes"
  report "Replace, one thread" "${turns[1]}" "$megabytes"
  target "one thread / before, Replace" "$(ratio "${turns[1]%% *}" "${turns[0]%% *}")" at-most 1.05
  rm -rf "$copy"
else
  echo "One thread against before: no revision $before_revision here (BENCH_BEFORE)"
fi

# Encodings: the same tree with the encoding of each file told (as always) and taken as
# ANSI bytes unseen (--bytes-only); then the same text in UTF-8 and in UTF-16 (LE and BE,
# behind their marks), binary files as they are.
echo "Encodings: Find '$query' and Replace '$literal' with 'fr_tag('"
ours=$(measure_walk "'$bench' find '$tree' '$query'")
bytes=$(measure_walk "'$bench' --bytes-only find '$tree' '$query'")
report "Find, encodings told" "$ours" "$megabytes"
report "Find, --bytes-only" "$bytes" "$megabytes"
target "ANSI Find, told / bytes only" "$(ratio "${ours%% *}" "${bytes%% *}")" at-most 1.05
copy="$work/encoding-copy"
fresh="rm -rf '$copy'; cp -r '$tree' '$copy'; sync; cat \$(find '$copy' -type f) >/dev/null"
told=$(PREPARE=$fresh NO_WARMUP=1 measure_walk "'$bench' replace '$copy' '$literal' 'fr_tag('")
bytes=$(PREPARE=$fresh NO_WARMUP=1 measure_walk \
  "'$bench' --bytes-only replace '$copy' '$literal' 'fr_tag('")
report "Replace, encodings told" "$told" "$megabytes"
report "Replace, --bytes-only" "$bytes" "$megabytes"
target "ANSI Replace, told / bytes only" "$(ratio "${told%% *}" "${bytes%% *}")" at-most 1.05
rm -rf "$copy"
for encoding in utf8 utf16le utf16be; do
  encoded="$work/tree-$encoding"
  "$bench" encode-tree "$tree" "$encoded" "$encoding"
  size=$(du -sm --apparent-size "$encoded" | cut -f1)
  echo "  $encoding: $size MB (the same text), lines: $("$bench" find "$encoded" "$query" | cut -d' ' -f1)"
  time=$(measure_walk "'$bench' find '$encoded' '$query'")
  report "Find in $encoding" "$time" "$size"
  target "$encoding Find / ANSI Find" "$(ratio "${time%% *}" "${ours%% *}")" at-most 2
  rm -rf "$encoded"
done

# Masks: a folder that the mask leaves out costs nothing, however much it holds.
masked_tree "$bench"
mask='*;!*/archive'
find_masked="'$bench' find '$masked' '$query' '$mask'"
echo "Masks: Find '$query' with the mask '$mask' over 2,000 files (50 MB), with and without" \
     "a folder 'archive' of 100,000 small files, one hit each (in turns)"
mv "$archive" "$masked/archive"
echo "  lines: with the folder $("$bench" find "$masked" "$query" "$mask" | cut -d' ' -f1)," \
     "searched too $("$bench" find "$masked" "$query" | cut -d' ' -f1)"
mv "$masked/archive" "$archive"
echo "  lines: without the folder $("$bench" find "$masked" "$query" "$mask" | cut -d' ' -f1)"
report_masked "$find_masked"
rm -rf "$work/masked"

# Dense files: one file each, in a folder of its own. Each case has rg's expression for
# the same matches as the query (the query's * spans lines and every byte: -U and (?s-u);
# its pieces of literal text are each taken at their first place: a lazy .*?) and the text
# that closes a match, planted in a small file to check that both count the same matches.
# Arguments: the query as shown, the query, rg's expression, the closing text, what the
# file holds, and folder_bench's mode, megabytes and text to generate it.
dense_case() {
  local shown=$1 query=$2 expression=$3 close=$4 what=$5 mode=$6 size=$7
  local folder="$work/dense" ours rg_time ours_count rg_count
  rm -rf "$folder"
  mkdir -p "$folder/file" "$folder/planted"
  "$bench" "$mode" "$folder/file/dense.txt" "$size" "${@:8}"
  # The closing text on a line of its own, so that only an expression spanning lines finds it.
  for _ in 1 2; do
    head -c 4096 "$folder/file/dense.txt"
    printf '\r\n%s' "$close"
  done > "$folder/planted/planted.txt"
  head -c 4096 "$folder/file/dense.txt" >> "$folder/planted/planted.txt"
  ours_count=$("$bench" find "$folder/planted" "$query" | cut -d' ' -f1)
  rg_count=$(rg -U -j1 --count-matches "$expression" "$folder/planted" |
             awk -F: '{ n += $NF } END { print n + 0 }')
  ours=$(measure "timeout '${DENSE_LIMIT:-300}' '$bench' find '$folder/file' '$query'")
  rg_time=$(measure "rg -U -j1 '$expression' '$folder/file'")
  echo "  '$shown' on $size MB of $what; planted case: ours $ours_count, rg $rg_count matches" \
       "$([ "$ours_count" = "$rg_count" ] && echo '(the same)' || echo '(NOT THE SAME)')"
  echo "    rg -U -j1 '$expression' FOLDER"
  report "ours" "$ours" "$size"
  report "rg" "$rg_time" "$size"
  target "ours / rg" "$(ratio "${ours%% *}" "${rg_time%% *}")" at-most 3
  rm -rf "$folder"
}
echo "Dense files: nearly every byte a candidate, no hit"
dense_case 'a*b' 'a*b' '(?s-u)a.*?b' b "one letter" one-letter 20
dense_case 'aa*b' 'aa*b' '(?s-u)aa.*?b' b "one letter" one-letter 20
dense_case 'ab*c' 'ab*c' '(?s-u)ab.*?c' c "'ab' repeated" repeated 20 ab
# и is E8 in Windows-1251, О is CE.
dense_case 'и*ООО' "$(printf '\xe8*\xce\xce\xce')" '(?s-u)\xE8.*?\xCE\xCE\xCE' \
  "$(printf '\xce\xce\xce')" "Russian text in Windows-1251" russian 8
