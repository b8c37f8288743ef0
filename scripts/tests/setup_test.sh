#!/usr/bin/env bash
# The set-up against a stand-in apt-get: a mirror whose index fails to update must not stop it.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
setup=$here/../setup.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# name | updates | install | missing | exit | calls the log must hold (;-separated) | text on stderr
cases=(
  "mirror in sync|fail fail fail|pinned|wine32:i386 qpdf|0|apt-get update -q;apt-get update -q;apt-get update -q;apt-get install -y -q --no-install-recommends -t bookworm wine32:i386 qpdf|installing from the stable suite"
  "install fails too|fail fail fail|fail|qpdf|1|apt-get update -q;apt-get update -q;apt-get update -q;apt-get install -y -q --no-install-recommends -t bookworm qpdf|bookworm-security/main/binary-i386/Packages.xz"
  "mirror recovers|fail ok|any|qpdf|0|apt-get update -q;apt-get update -q;apt-get install -y -q --no-install-recommends qpdf|try 1 of 3"
  "nothing missing||||0||"
)

for row in "${cases[@]}"; do
  IFS='|' read -r name updates install missing want_exit want_calls want_err <<<"$row"
  log=$work/calls; : >"$log"
  out=$(PATH="$here/stand-in:$PATH" STANDIN_LOG=$log STANDIN_UPDATE=$updates STANDIN_INSTALL=$install \
        STANDIN_MISSING=$missing VANTREL_APT_PAUSE=0 VANTREL_WINE_LOADER=true bash "$setup" 2>"$work/err")
  status=$?
  err=$(cat "$work/err")
  problem=""
  [ "$status" -eq "$want_exit" ] || problem+=" exit $status, expected $want_exit;"
  expected_log=""
  [ -n "$want_calls" ] && expected_log=$(tr ';' '\n' <<<"$want_calls")
  [ "$(cat "$log")" = "$expected_log" ] || problem+=" calls were [$(tr '\n' ';' <"$log")];"
  if [ -n "$want_err" ]; then
    grep -qF -- "$want_err" <<<"$err" || problem+=" stderr lacks '$want_err';"
  else
    [ -z "$out$err" ] || problem+=" not quiet: [$out$err];"
  fi
  [ "$want_exit" -eq 0 ] || grep -qF "Run the command again later" <<<"$err" || problem+=" no advice on stderr;"
  if [ -n "$problem" ]; then
    echo "FAIL $name:$problem"; echo "$err" | sed 's/^/    /'; failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
done
exit $((failures > 0))
