#!/usr/bin/env bash
# The package under Wine, in a fresh prefix of its own (x86: 32-bit, x64: 64-bit), for one scope:
#  1. what the servers' own registration writes (regsvr32 of the staged files, in the installer's
#     folder, in the README's order) equals what msiexec /i writes, as COM sees the classes;
#  2. after msiexec /i: cscript creates both classes by ProgID and scans from the sample scanner
#     (x64: with the 64-bit script host, which must load the 64-bit VantrelScan.dll itself and reach
#     Vantrel.dll in COM's 32-bit surrogate), vantrel-scan -L runs through PATH in a new console,
#     every staged file is installed, the demo has its Start-menu entry, and the service's start at
#     logon is the value its own --install writes when chosen (per user), absent when not (per machine);
#  3. the next version installs over it, and after its msiexec /x the registry and the files of the
#     prefix are as before the first msiexec /i.
# Usage: install_test.sh (x86|x64) (user|machine) WORK_DIR PACKAGE_DIR BOX_ANSWERER SCANNER32 [SCANNER64]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
arch=$1 scope=$2 work=$3 packages=$4 box=$5 scanner32=$6 scanner64=${7:-}
msi=$(ls "$packages"/Vantrel-*-"$arch".msi)
stage=$packages/stage
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
lines() { python3 "$here/registry_lines.py" "$@"; }

rm -rf "$work" && mkdir -p "$work/out"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win32 wine64=wine
if [ "$arch" = x64 ]; then WINEARCH=win64 wine64=/usr/lib/wine/wine64; fi
run() { timeout -k 10 300 "$@" </dev/null; }

# A fresh prefix as the project's sessions make one (RpcSs needs a second start for the surrogate).
run wineboot -i >/dev/null 2>&1
run wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Another program's start at logon, which removing ours must leave (a fresh prefix's Run keys are
# empty, and Windows Installer deletes a key it empties).
for root in HKCU HKLM; do
  run wine reg add "$root\Software\Microsoft\Windows\CurrentVersion\Run" /v Other /d other.exe /f >/dev/null 2>&1
done
wineserver -k; wineserver -w
run wineboot >/dev/null 2>&1
bash "$here/../../scripts/install-sample-scanner.sh" "$scanner32"
[ -n "$scanner64" ] && bash "$here/../../scripts/install-sample-scanner.sh" "$scanner64"
if [ "$scope" = user ]; then
  folder=$(run wine cmd /c 'echo %LOCALAPPDATA%\Programs\Vantrel' | tr -d '\r')
  options=(/n /i:user) msi_scope=() views=(--one-view) features=(ADDLOCAL=ALL)
else
  folder=$(run wine cmd /c 'echo %ProgramFiles%\Vantrel' | tr -d '\r')
  options=() msi_scope=(ALLUSERS=1) views=() features=()
fi
installed=$(winepath -u "$folder" 2>/dev/null)
# Windows Installer's package cache stays once it has run, as on every Windows: not compared.
snapshot() {
  wineserver -w
  lines snapshot "$WINEPREFIX" >"$work/$1.registry"
  (cd "$WINEPREFIX/drive_c" && find . -printf '%p\t%s\n' | grep -v '^./windows/Installer\s' | sort) >"$work/$1.files"
}
# The script hosts register their own type library when they first run, a console its settings.
printf 'WScript.Quit 0\n' >"$work/empty.vbs"
for host in wine $wine64; do run $host cscript.exe //nologo "$(winepath -w "$work/empty.vbs")"; done
snapshot before

# 1. The servers' own registration of the same files in the same folder, then the package's.
mkdir -p "$installed" && cp -r "$stage"/. "$installed"/
servers=("wine regsvr32.exe|$folder\\Vantrel.dll" "wine regsvr32.exe|$folder\\VantrelScan.dll")
if [ "$arch" = x64 ]; then
  servers=("wine C:\\windows\\syswow64\\regsvr32.exe|$folder\\Vantrel.dll"
           "wine C:\\windows\\syswow64\\regsvr32.exe|$folder\\VantrelScan.dll"
           "$wine64 regsvr32.exe|$folder\\x64\\VantrelScan.dll")
fi
for server in "${servers[@]}"; do run ${server%%|*} /s "${options[@]}" "${server#*|}" || fail "regsvr32 ${server#*|}"; done
snapshot registered
for ((i = ${#servers[@]} - 1; i >= 0; i--)); do
  run ${servers[i]%%|*} /u /s "${options[@]}" "${servers[i]#*|}" || fail "regsvr32 /u ${servers[i]#*|}"
done
rm -rf "$installed"

run $wine64 msiexec /i "$(winepath -w "$msi")" /qn "${msi_scope[@]}" "${features[@]}" || fail "msiexec /i"
snapshot installed
missing=$(cd "$stage" && find . -type f ! -name '*.tsv' | while read -r name; do [ -f "$installed/$name" ] || echo "$name"; done)
[ -z "$missing" ] || fail "not installed: $missing"
run_value() { grep -i '\\CurrentVersion\\Run	"Vantrel scan service"=' "$work/$1.registry"; }
if [ ${#features[@]} -gt 0 ]; then
  service="$folder\\vantrel-service.exe"
  [ "$arch" = x64 ] && service="$folder\\x64\\vantrel-service.exe"
  run $wine64 "$service" --install >/dev/null || fail "vantrel-service --install"
  snapshot logon
  [ -n "$(run_value installed)" ] && [ "$(run_value installed)" = "$(run_value logon)" ] ||
    fail "the start at logon: the package's \"$(run_value installed)\", the service's \"$(run_value logon)\""
else
  [ -z "$(run_value installed)" ] || fail "the start at logon without its feature: $(run_value installed)"
fi
lines classes "$work/before.registry" "$work/registered.registry" "${views[@]}" >"$work/registered.classes"
lines classes "$work/before.registry" "$work/installed.registry" "${views[@]}" >"$work/installed.classes"
echo "== class registrations: servers' own ($(wc -l <"$work/registered.classes") lines) against the package's"
diff "$work/registered.classes" "$work/installed.classes" || fail "the package registers otherwise than the servers"
if [ "$scope" = user ] && comm -13 "$work/before.registry" "$work/installed.registry" | grep -i '^HKLM\\Software\\Classes'; then
  fail "a per-user installation wrote the machine's classes"
fi

# 2. The installed product in use. Wine 8 reads classes only from HKLM\Software\Classes (a
# per-user regsvr32 /n /i:user is not found either), so scripts see a per-user installation only
# on Windows.
scripts_use_it() {
  local hold=() client
  [ "$arch" = x64 ] && hold=(hold)
  run wine "$box" cscript.exe //nologo "$(winepath -w "$here/installed_clients.vbs")" "$(winepath -w "$work/out")" \
    "${hold[@]}" >"$work/clients.txt" 2>&1 &
  client=$!
  if [ "$arch" = x64 ]; then
    for _ in $(seq 600); do [ -f "$work/out/created" ] && break; sleep 0.1; done
    # A 64-bit client that started no surrogate for VantrelScan.Scanner loaded the 64-bit server.
    [ -z "$(surrogates '{D8B3118D-C1A3-4498-BD55-D3AE0BAF1A71}')" ] ||
      fail "VantrelScan.Scanner ran in COM's surrogate, not in the 64-bit script host"
    [ -n "$(surrogates '{C4043DC3-E82D-427D-A543-1E83BC93F54B}')" ] || fail "Vantrel.TWAIN is not in COM's surrogate"
    touch "$work/out/looked"
  fi
  wait $client
  tr -d '\r' <"$work/clients.txt"
  grep -q 'VantrelScan.Scanner: 1 page' "$work/clients.txt" || fail "VantrelScan.Scanner by ProgID"
  grep -q 'Vantrel.TWAIN: Version 1.7' "$work/clients.txt" || fail "Vantrel.TWAIN by ProgID"
  [ -s "$work/out/scan.pdf" ] || fail "the scan's file"
}
# COM's surrogates of this prefix that run the class whose AppID is $1 (both classes name theirs
# by their class identifiers).
surrogates() {
  local cmdline
  for cmdline in /proc/[0-9]*/cmdline; do
    # Processes may end while they are read.
    { tr '\0' ' ' <"$cmdline"; } 2>/dev/null | grep -qiF "dllhost.exe /PROCESSID:$1" &&
      { tr '\0' '\n' <"${cmdline%/cmdline}/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "${cmdline%/cmdline}"
  done
}
[ "$scope" = machine ] && scripts_use_it
[ -n "$(find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Vantrel/Vantrel Demo.lnk')" ] || fail "the demo's Start-menu entry"
# A new console: its environment from the registry, as a new logon would have it.
run wine cmd /c vantrel-scan -L >"$work/list.txt" 2>&1
tr -d '\r' <"$work/list.txt"
grep -q 'Vantrel Sample Scanner' "$work/list.txt" || fail "vantrel-scan -L through PATH"

# 3. The next version replaces this one: the package at the next patch version, with a product
# code of its own, installs over it. Then removing it leaves nothing behind, of either version
# (the surrogate holds Vantrel.dll open: it ends first).
wineserver -k; wineserver -w
property() { msiinfo export "$msi" Property | sed -n "s/^$1\t//p" | tr -d '\r'; }
version=$(property ProductVersion)
next_version=${version%.*}.$((${version##*.} + 1))
cp "$msi" "$work/next.msi"
msibuild "$work/next.msi" -q "UPDATE Property SET Value = '$next_version' WHERE Property = 'ProductVersion'" \
  -q "UPDATE Property SET Value = '{$(python3 -c 'import uuid; print(str(uuid.uuid4()).upper())')}' WHERE Property = 'ProductCode'" \
  -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" \
  -q "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty) VALUES ('$(property UpgradeCode)', '$next_version', 1, 'WIX_UPGRADE_DETECTED')"
run $wine64 msiexec /i "$(winepath -w "$work/next.msi")" /qn "${msi_scope[@]}" || fail "msiexec /i of the next version"
run $wine64 msiexec /x "$(winepath -w "$work/next.msi")" /qn "${msi_scope[@]}" || fail "msiexec /x"
snapshot removed
echo "== registry before msiexec /i against after msiexec /x"
diff "$work/before.registry" "$work/removed.registry" || fail "the registry differs after uninstalling"
echo "== files before msiexec /i against after msiexec /x"
diff "$work/before.files" "$work/removed.files" || fail "the files differ after uninstalling"
wineserver -k
[ "$failures" -eq 0 ] && echo "install test ($arch, $scope): ok"
exit "$failures"
