#!/bin/sh
# Makes the Wine prefix that the tests and scripts/run use (once; about ten seconds).
set -e
export WINEPREFIX="$1" WINEARCH=win32 WINEDEBUG=-all LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -f "$WINEPREFIX/system.reg" ] && exit 0
mkdir -p "$WINEPREFIX"
wineboot -i </dev/null >/dev/null 2>&1
# Managed=N: Wine draws its own title bars and needs no window manager under Xvfb.
# ShowCrashDialog=0: a crash prints a backtrace and exits instead of waiting on a dialog.
reg=$(mktemp --suffix=.reg)
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\n"ShowCrashDialog"=dword:00000000\n' > "$reg"
wine regedit /S "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1
rm -f "$reg"
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
wineserver -w
