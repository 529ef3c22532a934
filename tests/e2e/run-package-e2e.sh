#!/bin/sh
# Unpacks the package into an empty folder and runs the package tests on the program
# there, through run-e2e.sh (which takes the screenshot that the tests ask for).
# Arguments: EMULATOR DRIVER PROBE ZIP FOLDER; the zip is unpacked into FOLDER/unpacked,
# where its folder fuzzyreplace holds the program, and the picture goes to
# FOLDER/guide.png.
emulator=$1 driver=$2 probe=$3 zip=$4 folder=$5
rm -rf "$folder" && mkdir -p "$folder/unpacked" || exit 1
(cd "$folder/unpacked" && unzip -q "$zip") || exit 1
exec sh "$(dirname "$0")/run-e2e.sh" "$emulator" "$driver" \
  "$folder/unpacked/fuzzyreplace/fuzzyreplace.exe" "$probe" "$folder"
