# Shared by the scripts: build directories, the Wine prefix and the virtual display.

# The machine is shared: two build jobs at most.
export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"

stage() { printf '\n=== %s\n' "$*"; }

configure_native() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

configure_win32() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-w64-mingw32.cmake" "$@" >/dev/null
}

# One prefix per checkout, so that parallel checkouts never share a wineserver.
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}"
export WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

wine_prefix() { cmake/make-wine-prefix.sh "$WINEPREFIX"; }

# Runs a command on a fresh virtual display. A wineserver started without that display
# could not show windows on it, so none is left running before or after. The kill only
# asks the server to end: waiting for it keeps the next Wine program from reaching a
# server on its way out (which drops its clients' connections).
stop_wineserver() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
with_display() {
  stop_wineserver
  local rc=0
  xvfb-run -a -s "-screen 0 1024x768x24" "$@" || rc=$?
  stop_wineserver
  return $rc
}
