#!/usr/bin/env bash
# Runs the surrogate tests and ends every surrogate they leave: Wine's surrogate never exits on its
# own. An activation that never completes would wait forever, so a run that has not ended after
# 120 s is ended and fails.
# Usage: run_surrogate_tests.sh TEST_PROGRAM
end_leftovers() {
  pkill -f 'dllhost.exe /PROCESSID' 2>/dev/null || true
  pkill -f '^[A-Z]:.*surrogate_tests[.]exe' 2>/dev/null || true
}
timeout -k 10 120 wine "$1"
status=$?
end_leftovers
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "FAILED: the surrogate tests had not ended after 120 s (an activation that never completed)" >&2
fi
exit "$status"
