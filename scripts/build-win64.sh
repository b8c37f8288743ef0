#!/usr/bin/env bash
# Configures and builds the 64-bit Windows build in build/win64 (VantrelScan.dll, the sample
# scanner, vantrel-scan and their tests). Its surrogate tests use the 32-bit servers of build/win32.
# The machine must be set up (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
  -DVANTREL_WIN32_BIN="$PWD/build/win32/bin" >/dev/null
cmake --build build/win64 "$@"
