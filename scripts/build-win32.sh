#!/usr/bin/env bash
# Configures and builds the 32-bit Windows build in build/win32 (the deliverables, the tests,
# the benchmark). The machine must be set up (scripts/setup.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 "$@"
