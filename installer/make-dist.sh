#!/usr/bin/env bash
# Builds the installer of one architecture from the current build trees: the shipped binaries
# stripped into a staging folder (their debug information kept beside the originals as NAME.debug),
# each server's registry rows from registry_rows, the package by wixl, then what wixl cannot say
# added with msibuild. Runs inside a Wine session (x64 needs a 64-bit prefix: it runs both
# generators). With --zip it also zips the staged files.
# Usage: installer/make-dist.sh (x86|x64) OUTPUT_DIR [--zip]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
out=$(mkdir -p "$2" && cd "$2" && pwd)
zip=${3:-}
bin32=$root/build/win32/bin
bin64=$root/build/win64/bin
version=$(sed -n 's/^#define VANTREL_VERSION_TEXT "\(.*\)"$/\1/p' "$root/build/win32/generated/product_version.h")
stage=$out/stage
rm -rf "$stage" && mkdir -p "$stage/x64"

# NAME.debug beside the built binary, the stripped copy in the stage.
strip_into() {
  local objcopy=$1 binary=$2 target=$3
  "$objcopy" --only-keep-debug "$binary" "$binary.debug"
  "$objcopy" --strip-all --add-gnu-debuglink="$binary.debug" "$binary" "$target"
  printf '%-24s %9d -> %9d bytes\n' "${target#"$stage"/}" "$(stat -c %s "$binary")" "$(stat -c %s "$target")"
}

windows_path() { winepath -w "$1" 2>/dev/null; }

: >"$out/sizes.txt"
for name in Vantrel.dll VantrelScan.dll vantrel-scan.exe vantrel-service.exe VantrelDemo.exe; do
  strip_into i686-w64-mingw32-objcopy "$bin32/$name" "$stage/$name" >>"$out/sizes.txt"
done
cp "$bin32/VantrelDemo.ini" "$root/README.md" "$root/LICENSE.txt" "$stage/"
wine "$bin32/registry_rows.exe" Vantrel "$(windows_path "$stage/Vantrel.dll")" "$(windows_path "$stage/Vantrel.dll.tsv")"
wine "$bin32/registry_rows.exe" VantrelScan "$(windows_path "$stage/VantrelScan.dll")" "$(windows_path "$stage/VantrelScan.dll.tsv")"
if [ "$arch" = x64 ]; then
  for name in VantrelScan.dll vantrel-scan.exe vantrel-service.exe; do
    strip_into x86_64-w64-mingw32-objcopy "$bin64/$name" "$stage/x64/$name" >>"$out/sizes.txt"
  done
  wine "$bin64/registry_rows.exe" VantrelScan "$(windows_path "$stage/x64/VantrelScan.dll")" \
    "$(windows_path "$stage/x64/VantrelScan.dll.tsv")"
fi

msi=$out/Vantrel-$version-$arch.msi
python3 "$root/installer/make_wxs.py" "$version" "$arch" "$stage" "$out/Vantrel-$arch.wxs"
wixl -a "$arch" -o "$msi" "$out/Vantrel-$arch.wxs"
# wixl 0.101 has no Environment element, no component conditions and writes HKMU as root 4.
# vantrel-scan on the PATH: put first, because Wine leaves the separator behind when it removes a
# value appended to an existing variable.
printf 'Environment\tName\tValue\tComponent_\ns72\tl255\tL255\ts72\nEnvironment\tEnvironment\n%s\n%s\n' \
  "$(printf 'path_user\t=-Path\t[INSTALLDIR];[~]\tc_path_user')" \
  "$(printf 'path_machine\t=-*Path\t[INSTALLDIR];[~]\tc_path_machine')" >"$out/Environment.idt"
msibuild "$msi" -i "$out/Environment.idt" \
  -q "UPDATE Registry SET Root = -1 WHERE Root = 4" \
  -q "UPDATE Component SET Condition = 'NOT ALLUSERS' WHERE Component = 'c_path_user' OR Component = 'c_folders'" \
  -q "UPDATE Component SET Condition = 'ALLUSERS' WHERE Component = 'c_path_machine'" \
  -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('RemoveEnvironmentStrings', 3300)" \
  -q "INSERT INTO InstallExecuteSequence (Action, Sequence) VALUES ('WriteEnvironmentStrings', 5200)" \
  -q "INSERT INTO CustomAction (Action, Type, Source, Target) VALUES ('MachineFolder', 51, 'INSTALLDIR', '[ProgramFilesFolder]Vantrel\\')" \
  -q "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('MachineFolder', 'ALLUSERS', 950)" \
  -q "INSERT INTO InstallUISequence (Action, Condition, Sequence) VALUES ('MachineFolder', 'ALLUSERS', 950)"
echo "$msi"

if [ "$zip" = --zip ]; then
  rm -f "$out/Vantrel-$version.zip"
  (cd "$stage" && zip -q -r "$out/Vantrel-$version.zip" . -x '*.tsv')
  echo "$out/Vantrel-$version.zip"
fi
