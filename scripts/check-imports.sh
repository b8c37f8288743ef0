#!/usr/bin/env bash
# Fails when a built Windows binary imports anything but Windows system DLLs (no MinGW runtime DLLs).
set -euo pipefail
allowed='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|msvcrt|comctl32|comdlg32|shell32|shlwapi|version|uuid|ws2_32|winmm)\.dll$'
status=0
for binary in "$@"; do
  imports=$(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p')
  while read -r dll; do
    if ! grep -qiE "$allowed" <<<"$dll"; then
      echo "$(basename "$binary") imports $dll"
      status=1
    fi
  done <<<"$imports"
  echo "$(basename "$binary"): $(tr '\n' ' ' <<<"$imports")"
done
exit $status
