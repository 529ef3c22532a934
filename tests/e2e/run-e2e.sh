#!/bin/sh
# Runs the end-to-end driver under Wine and, when it asks, takes a screenshot of the
# program's window from the X display (the driver, a Windows program, cannot run
# ImageMagick): the driver writes the window's geometry and the picture's file name into
# screenshot.request and waits for screenshot.done.
# Arguments: EMULATOR DRIVER PROGRAM PROBE FOLDER [driver options]; the pictures go to
# FOLDER.
emulator=$1 driver=$2 program=$3 probe=$4 folder=$5
shift 5
request=$folder/screenshot.request
rm -f "$request" "$folder/screenshot.done"
"$emulator" "$driver" "$program" "$probe" "$folder" "$@" &
pid=$!
while kill -0 "$pid" 2>/dev/null; do
  if [ -f "$request" ]; then
    line=$(tr -d '\r' < "$request")
    geometry=${line%% *} name=${line#* }
    import -window root -crop "$geometry" +repage \
      -define png:exclude-chunks=date,time "$folder/$name" || echo "run-e2e: import failed"
    rm -f "$request"
    touch "$folder/screenshot.done"
  fi
  sleep 0.2
done
wait "$pid"
