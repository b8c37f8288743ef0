#!/usr/bin/env bash
# The README's main job: set up, build, register Vantrel.dll in the private Wine prefix, put the
# Vantrel Sample Scanner where Wine's DSM finds it, and run VantrelDemo.exe. With a display the
# window is yours to use; without one it is driven through its own buttons under Xvfb, and the
# BMP it saved and a screenshot (PNG) are left in build/demo-output/. Then vantrel-scan scans a
# 4-sheet duplex batch at 200 dpi grey into batch.pdf, and its first page is rendered to batch-page1.png.
# Last, vantrel-service offers the sample scanner over eSCL and Linux's scanimage (sane-airscan)
# fetches a 4-page duplex batch from it into escl-page1.pnm ... escl-page4.pnm.
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

# The scan service: the sample scanner over eSCL, a 4-page duplex batch fetched by scanimage.
escl() {
  VANTREL_SCANNER_SHEETS=2 scripts/wine-session.sh build/win32 bash -c '
    set -e
    scripts/install-sample-scanner.sh "$1/VantrelSampleScanner.ds"
    wine "$1/vantrel-service.exe" --listen 127.0.0.1:52970 > "$2/service.txt" 2>&1 &
    service=$!
    for _ in $(seq 120); do grep -q "Listening on" "$2/service.txt" && break; sleep 0.5; done
    export SANE_CONFIG_DIR="$2/sane"
    mkdir -p "$SANE_CONFIG_DIR"
    echo airscan > "$SANE_CONFIG_DIR/dll.conf"
    printf "[devices]\n\"Vantrel\" = http://127.0.0.1:52970/eSCL/, eSCL\n[options]\ndiscovery = disable\n" > "$SANE_CONFIG_DIR/airscan.conf"
    scanimage -d airscan:e0:Vantrel --source "ADF Duplex" --mode Gray --resolution 150 --batch="$2/escl-page%d.pnm" --format=pnm || true
    kill $service' escl "$bin" "$out"
}
escl
echo "The eSCL batch from vantrel-service: $out/escl-page1.pnm to escl-page$(ls "$out"/escl-page*.pnm | wc -l).pnm"
