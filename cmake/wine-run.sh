#!/bin/sh
# Runs a Windows program under Wine for CTest (the cross build's emulator).
# Output goes through unlinked files rather than our pipes: Wine's background
# processes inherit the caller's stdout and would keep CTest waiting for EOF.
: "${WINEPREFIX:=${TMPDIR:-/tmp}/wineprefix-fuzzyreplace}"
export WINEPREFIX WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
wineserver -p"${WINE_PERSIST:-60}" </dev/null >/dev/null 2>&1   # keep one server running
o=$(mktemp) e=$(mktemp)
exec 3>"$o" 4<"$o" 5>"$e" 6<"$e"; rm -f "$o" "$e"
wine "$@" >&3 2>&5 3>&- 4<&- 5>&- 6<&-; rc=$?
cat <&4; cat <&6 >&2
exit $rc
