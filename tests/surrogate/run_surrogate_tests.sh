#!/usr/bin/env bash
# Runs the surrogate tests under the box answerer and ends every surrogate they leave: Wine's
# surrogate never exits on its own. An activation that never completes would wait forever, so a
# run that has not ended after 120 s is ended and fails.
# Usage: run_surrogate_tests.sh BOX_ANSWERER TEST_PROGRAM
# Only this prefix's processes: other builds on the machine run surrogates of their own.
end_leftovers() {
  for pid in $(pgrep -f 'dllhost.exe /PROCESSID|^[A-Z]:.*surrogate_tests[.]exe'); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then kill "$pid"; fi
  done
}
timeout -k 10 120 wine "$1" "$2"
status=$?
end_leftovers
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "FAILED: the surrogate tests had not ended after 120 s (an activation that never completed)" >&2
fi
exit "$status"
