#!/usr/bin/env bash
# The README's main job: set up, build, register Vantrel.dll in the private Wine prefix, put the
# Vantrel Sample Scanner where Wine's DSM finds it, and run VantrelDemo.exe. With a display the
# window is yours to use; without one it is driven through its own buttons under Xvfb, and the
# BMP it saved and a screenshot (PNG) are left in build/demo-output/. Then vantrel-scan scans a
# 4-sheet duplex batch at 200 dpi grey into batch.pdf, and its first page is rendered to batch-page1.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build-win32.sh

out="$root/build/demo-output"
mkdir -p "$out"
bin="$root/build/win32/bin"
interactive=${DISPLAY:+yes}

session() {
  scripts/wine-session.sh build/win32 bash -c '
    set -e
    scripts/install-sample-scanner.sh "$1/VantrelSampleScanner.ds"
    wine regsvr32 /s "$1/Vantrel.dll"
    if [ "$2" = yes ]; then
      wine "$1/VantrelDemo.exe"
    else
      wine "$1/demo_autopilot.exe" "$1/VantrelDemo.exe" "Z:$(echo "$3" | tr / "\\\\")\\screen.bmp" | tr -d "\r" > "$3/saved-path.txt"
      cp "$(winepath -u "$(cat "$3/saved-path.txt")" | tr -d "\r")" "$3/Test.bmp"
    fi' session "$bin" "$1" "$out"
}

if [ -n "$interactive" ]; then
  session yes
else
  session no
  saved=$(cat "$out/saved-path.txt")
  echo "The demo saved its scan as $saved (in the Wine prefix's temporary directory)."
  echo "A copy: $out/Test.bmp"
  convert "$out/screen.bmp" "$out/screenshot.png"
  echo "Screenshot of the window: $out/screenshot.png"
fi

# The batch from the command line: 4 sheets, both sides, 200 dpi grey, into one PDF.
batch() {
  VANTREL_SCANNER_SHEETS=4 scripts/wine-session.sh build/win32 bash -c '
    set -e
    scripts/install-sample-scanner.sh "$1/VantrelSampleScanner.ds"
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;twain_32=b"
    wine "$1/vantrel-scan.exe" --feeder --duplex -r 200 -m gray --paper A4 -o "Z:$(echo "$2" | tr / "\\\\")\\batch.pdf"' batch "$bin" "$out"
}
batch
pdftoppm -f 1 -l 1 -r 50 -png -singlefile "$out/batch.pdf" "$out/batch-page1"
echo "The batch from vantrel-scan: $out/batch.pdf"
echo "Its first page: $out/batch-page1.png"
