#!/usr/bin/env bash
# Sets up the machine, builds the three builds and runs every test. The README's test command.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

phase() { printf '\n== %s (%s)\n' "$1" "$(date +%T)"; }

phase "setup"
bash scripts/setup.sh

phase "native build of the pure logic"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/native

phase "32-bit Windows build"
bash scripts/build-win32.sh

phase "64-bit Windows build"
bash scripts/build-win64.sh

phase "native tests"
native_status=0
ctest --test-dir build/native --output-on-failure -j "$(nproc)" || native_status=$?

phase "Windows tests under Wine"
# A tiny file system, so the delivery tests can see a disk fill up for real.
tiny=build/win32/tinyfs
mkdir -p "$tiny"
if mountpoint -q "$tiny" || mount -t tmpfs -o size=64k tmpfs "$tiny" 2>/dev/null; then
  touch "$tiny/mounted"
  export VANTREL_TINY_FS="Z:$(cd "$tiny" && pwd | tr / '\\')"
  trap 'umount "$root/$tiny" 2>/dev/null || true' EXIT
fi
wine_status=0
# In parallel: tests that share the clipboard, the registration or the sample scanner's place
# take CTest resource locks.
scripts/wine-session.sh build/win32 ctest --test-dir build/win32 --output-on-failure -j "$(nproc)" || wine_status=$?

phase "64-bit Windows tests under Wine, in a 64-bit prefix"
# With the 32-bit servers of the 32-bit build for the surrogate tests.
wine64_status=0
scripts/wine-session.sh build/win64 ctest --test-dir build/win64 --output-on-failure -j "$(nproc)" || wine64_status=$?

phase "done"
bash scripts/count-lines.sh
[ $native_status -eq 0 ] && [ $wine_status -eq 0 ] && [ $wine64_status -eq 0 ]
