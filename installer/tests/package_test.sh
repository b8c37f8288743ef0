#!/usr/bin/env bash
# The package's files as built: every shipped binary at the product's version (Vantrel.dll at the
# one its contract fixes), the package at it too, stripped with its debug information beside the
# built binary, importing only Windows system DLLs.
# Usage: package_test.sh PACKAGE_DIR PRODUCT_VERSION_HEADER BUILD_BIN [BUILD_BIN64]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
packages=$1 bin32=$3 bin64=${4:-}
stage=$packages/stage
version=$(sed -n 's/^#define VANTREL_VERSION_TEXT "\(.*\)"$/\1/p' "$2")
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# file in the stage | its build | FileVersion and ProductVersion (none: no version resource yet)
files=("VantrelScan.dll|$bin32|$version" "vantrel-scan.exe|$bin32|$version" "Vantrel.dll|$bin32|1.00"
       "VantrelDemo.exe|$bin32|1.00" "vantrel-service.exe|$bin32|")
[ -n "$bin64" ] && files+=("x64/VantrelScan.dll|$bin64|$version" "x64/vantrel-scan.exe|$bin64|$version"
                           "x64/vantrel-service.exe|$bin64|")
binaries=()
for row in "${files[@]}"; do
  IFS='|' read -r name build expected <<<"$row"
  file=$stage/$name
  binaries+=("$file")
  for field in ${expected:+FileVersion ProductVersion}; do
    actual=$(exiftool -s3 -"$field" "$file")
    [ "$actual" = "$expected" ] || fail "$name: $field is \"$actual\", not \"$expected\""
  done
  x86_64-w64-mingw32-objdump -t "$file" | grep -q 'no symbols' || fail "$name is not stripped"
  x86_64-w64-mingw32-objdump -h "$file" | grep -q '\.gnu_debuglink' || fail "$name does not name its debug file"
  [ -s "$build/$(basename "$name").debug" ] || fail "$name: no $(basename "$name").debug beside the built one"
done
arch=x86
[ -n "$bin64" ] && arch=x64
msi=$packages/Vantrel-$version-$arch.msi
actual=$(msiinfo export "$msi" Property | sed -n 's/^ProductVersion\t//p' | tr -d '\r')
[ "$actual" = "$version" ] || fail "$msi: ProductVersion is \"$actual\", not \"$version\""
bash "$here/../../scripts/check-imports.sh" "${binaries[@]}" || fail "a shipped binary imports more than Windows"
[ "$failures" -eq 0 ] && echo "package test: ok"
exit "$failures"
