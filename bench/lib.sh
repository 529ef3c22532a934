# Shared by the bench/run-*.sh scripts (sourced): timing by medians, ratios beside their
# targets, and the generated tree that the folder benchmarks search.
# REPEAT (default 5) runs make each median; BENCH_FILES and BENCH_MB (default 2,000 files,
# 200 MB) size the tree; BENCH_TREE names a tree generated already (scripts/bench makes one
# for all the scripts).
repeat=${REPEAT:-5}

now() { date +%s.%N; }
elapsed() { echo "$(now) $1" | awk '{ printf "%.6f", $1 - $2 }'; }

# Sorted times on standard input, one a line; prints "median min max".
median_min_max() {
  sort -g | awk '{ t[NR] = $1 } END { printf "%.3f %.3f %.3f\n", t[int((NR + 1) / 2)], t[1], t[NR] }'
}

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
  printf '%s\n' "${times[@]}" | median_min_max
}

# As measure, but the time is the one that the command prints as the third word of its
# output ("N lines, T s, ..." of folder_bench, "N files, T s, ..." of plain_reader): the
# walk's own time, without the start of the process (or of Wine).
measure_walk() {
  local times=()
  [ -n "${PREPARE:-}" ] && eval "$PREPARE"
  [ -z "${NO_WARMUP:-}" ] && eval "$1" >/dev/null
  for ((i = 0; i < repeat; i++)); do
    [ -n "${PREPARE:-}" ] && eval "$PREPARE"
    times+=("$(eval "$1" | awk '{ print $3 }')")
  done
  printf '%s\n' "${times[@]}" | median_min_max
}

# As measure_walk for several commands at once, run in turns (PREPARE before each run), so
# that a machine whose disk others share slows them alike; prints one "median min max"
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
    printf '%s\n' ${times[k]} | median_min_max
  done
}

# As measure_turns, but each run timed whole from outside, as `measure` times it (for
# commands that print no time of their own, such as rg): one warm-up run of each first.
measure_turns_process() {
  local times=() i k start
  for ((k = 1; k <= $#; k++)); do eval "${!k}" >/dev/null; done
  for ((i = 0; i < repeat; i++)); do
    for ((k = 1; k <= $#; k++)); do
      start=$(now)
      eval "${!k}" >/dev/null
      times[k]+="$(elapsed "$start") "
    done
  done
  for ((k = 1; k <= $#; k++)); do
    printf '%s\n' ${times[k]} | median_min_max
  done
}

report() {  # name, "median min max", megabytes
  read -r median low high <<<"$2"
  printf '  %-34s %7.3f s  (%.3f .. %.3f)  %7.0f MB/s\n' "$1" "$median" "$low" "$high" \
    "$(ratio "$3" "$median")"
}
ratio() { echo "$1 $2" | awk '{ printf "%.2f", ($2 > 0 ? $1 / $2 : 0) }'; }

# Prints a ratio beside its target: target NAME RATIO at-most|at-least BOUND.
target() {
  local verdict
  verdict=$(echo "$2 $4" | awk -v way="$3" \
    '{ ok = (way == "at-most") ? $1 <= $2 : $1 >= $2; print ok ? "met" : "MISSED" }')
  printf '  %-52s %6.2fx  (target: %s %s: %s)\n' "$1" "$2" "${3/-/ }" "$4" "$verdict"
}

# The tree to search: $BENCH_TREE, or one generated into the folder `$1` with the native
# folder_bench `$2`. Prints its path.
bench_tree() {
  if [ -n "${BENCH_TREE:-}" ]; then
    echo "$BENCH_TREE"
    return
  fi
  mkdir -p "$1/tree"
  "$2" generate "$1/tree" "${BENCH_FILES:-2000}" "${BENCH_MB:-200}" >&2
  echo "$1/tree"
}

# The native folder_bench of the Release build in `$1`, built if missing.
native_folder_bench() {
  if [ ! -x "$1/bench/folder/folder_bench" ]; then
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$1" --target folder_bench >/dev/null
  fi
  echo "$1/bench/folder/folder_bench"
}

# For the scripts that run the Windows build: builds the targets given in the Windows
# Release build $win32 (build/win32-bench, or $BENCH_WIN32_BUILD_DIR) and makes the Wine
# prefix. Needs scripts/lib/common.sh.
win32=${BENCH_WIN32_BUILD_DIR:-build/win32-bench}
win32_build() {
  configure_win32 "$win32"
  cmake --build "$win32" --target "$@" >/dev/null
  wine_prefix
}

# Sets `tree` (see bench_tree; `$1` is the folder for a new one, `$2` the native
# folder_bench), its `files` and `megabytes`, and, where the Wine prefix is set, its Windows
# path `windows_tree`.
tree_facts() {
  tree=$(bench_tree "$1" "$2")
  megabytes=$(du -sm --apparent-size "$tree" | cut -f1)
  files=$(find "$tree" -type f | wc -l)
  if [ -n "${WINEPREFIX:-}" ]; then windows_tree=$(winepath -w "$tree" 2>/dev/null); fi
}

# Begins a script's run: sets `bench`, the native folder_bench of the Release build `$2`
# (built if missing), `work`, a new temporary folder named after `$1` that goes on exit,
# and the tree's facts (tree_facts).
bench_start() {
  bench=$(native_folder_bench "$2")
  work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  tree_facts "$work" "$bench"
}

# The masks' case: a tree `masked` in $work (2,000 files, 50 MB, made as the benchmark
# tree is) and `archive` beside it, 100,000 small files with a hit each, which a run moves
# into the tree and back (report_masked). `$1` is the native folder_bench.
masked_tree() {
  masked="$work/masked/tree" archive="$work/masked/archive"
  mkdir -p "$masked"
  "$1" generate "$masked" 2000 50 >&2
  "$1" small-files "$archive" 100000
}

# Times the Find command `$1`, which prints its walk's time as folder_bench does, over the
# masked tree with the archive in it as a folder named "archive" and without it, in turns
# (one untimed run of each first), and reports both and their ratio against its target.
report_masked() {
  local with="mv '$archive' '$masked/archive'; $1; mv '$masked/archive' '$archive'" turns
  eval "$with" >/dev/null
  eval "$1" >/dev/null
  mapfile -t turns < <(measure_turns "$with" "$1")
  report "with the folder left out" "${turns[0]}" 50
  report "without the folder" "${turns[1]}" 50
  target "with the folder left out / without it" \
    "$(ratio "${turns[0]%% *}" "${turns[1]%% *}")" at-most 1.1
}
