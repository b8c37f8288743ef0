#!/usr/bin/env bash
# The README's benchmark command: sets up, builds, and runs vantrel_bench under Wine in the
# build tree's prefix. Prints the machine and the table, and keeps both in build/bench/latest.md.
# Usage: scripts/bench.sh [--smoke]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh >/dev/null
bash scripts/build-win32.sh >/dev/null

out=build/bench
mkdir -p "$out"

machine() {
  local cpu cores memory fs emulation
  cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
  cores=$(nproc)
  memory=$(awk '/^MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo)
  fs=$(df -T build/win32 2>/dev/null | awk 'NR == 2 { print $2 " on " $1 }')
  emulation="32-bit code runs natively"
  [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && emulation="32-bit code runs through qemu-i386 user-mode emulation ($(qemu-i386-static --version | head -n1 | awk '{ print $3 }'))"
  echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "Machine: $cpu, $cores cores, $memory; Linux $(uname -r); $(wine --version 2>/dev/null); $emulation"
  echo "Files written to the Wine prefix's temporary directory ($fs)"
}

{
  machine
  echo
  scripts/wine-session.sh build/win32 bash -c '
    scripts/install-sample-scanner.sh "$1/VantrelSampleScanner.ds"
    WINEDLLOVERRIDES=twain_32=n,b wine "$1/vantrel_bench.exe" "${@:2}" 2>/dev/null | tr -d "\r"
    exit "${PIPESTATUS[0]}"' session "$root/build/win32/bin" "$@"
  # The image files: Group 4 natively (optimised) beside libtiff's tiffcp, then PNG and PDF under Wine.
  echo
  cmake -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build build/bench-native --target g4_bench >/dev/null
  scripts/wine-session.sh build/win32 wine "$root/build/win32/bin/vantrel_files_bench.exe" "$@" 2>/dev/null | tr -d "\r"
  build/bench-native/bench/files/g4_bench "$@"
  # The page clean-up's steps on an A4 300 dpi grey page, natively, beside Leptonica's skew search and Sauvola.
  cmake --build build/bench-native --target cleanup_accuracy >/dev/null
  build/bench-native/bench/cleanup/cleanup_accuracy --speed
  # The same steps in both Windows builds under Wine, each as a ratio to writing the page as PNG in the same run.
  scripts/wine-session.sh build/win32 wine "$root/build/win32/bin/cleanup_speed.exe" "$@" 2>/dev/null | tr -d "\r"
  bash scripts/build-win64.sh --target cleanup_speed >/dev/null
  scripts/wine-session.sh build/win64 wine "$root/build/win64/bin/cleanup_speed.exe" "$@" 2>/dev/null | tr -d "\r"
  # The scan service: eSCL against vantrel-scan, page latency, memory with a client fetching nothing.
  echo
  scripts/wine-session.sh build/win32 python3 bench/service/service_bench.py "$root/build/win32/bin" "$root/$out" "$@"
} | tee "$out/latest.md"
status=${PIPESTATUS[0]}
echo "Kept in $out/latest.md"
exit "$status"
