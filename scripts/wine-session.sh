#!/usr/bin/env bash
# Runs a command inside one Wine session of the build tree's private prefix: creates the prefix
# when it is missing, keeps one server up for the whole command, and (when the caller has no
# display) gives the session an Xvfb display.
# Usage: scripts/wine-session.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$1
shift
. "$here/wine-env.sh" "$build_dir"

inner() {
  mkdir -p "$WINEPREFIX"
  # One session per prefix at a time: another command (make demo, a second test run) waits for
  # the running one instead of killing its server. No child inherits the lock, so a server left
  # behind by an interrupted run cannot hold it.
  exec 9>"$WINEPREFIX.session-lock"
  if ! flock -n 9; then
    echo "Waiting for the other Wine session on $WINEPREFIX to end ..." >&2
    flock 9
  fi
  # Holding the lock, any server still up was left by an interrupted run, on a display that is gone.
  wineserver -k 2>/dev/null 9>&- || true
  wineserver -w 2>/dev/null 9>&- || true
  # One persistent server for the whole session: every program after the first starts faster.
  wineserver -p 9>&-
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX ..."
    wineboot -i </dev/null >/dev/null 2>&1 9>&-
    # Without a window manager every dialog that closes otherwise costs about two seconds.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 9>&-
    # The services started while the prefix was made cannot start RpcSs in time, so every
    # activation of an out-of-process server (COM's surrogate) would wait forever: the session
    # starts again on the finished prefix.
    wineserver -k 9>&- || true
    wineserver -w 9>&- || true
    wineserver -p 9>&-
  fi
  # The session's own services start here, away from the command's output: a test runner
  # waits for every holder of its pipes to go.
  wineboot </dev/null >/dev/null 2>&1 9>&-
  status=0
  "$@" 9>&- || status=$?
  wineserver -k 9>&- || true
  return $status
}

if [ -n "${DISPLAY:-}" ]; then
  inner "$@"
else
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$build_dir" "$@"
fi
