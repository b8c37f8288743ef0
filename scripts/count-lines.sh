#!/usr/bin/env bash
# Counts the lines of tests against those of product code, two ways:
# - all lines, every source that is not a test counted as product (the benchmark, tools and
#   scripts too): the way the owner's figures count;
# - non-blank lines, only the deliverables' sources and the sample scanner (C++, IDL) as product:
#   the stricter view.
# Tests: every file under a tests/ or fuzz/ folder (C++, Python, scripts), the fixtures included.
set -euo pipefail
cd "$(dirname "$0")/.."
all_lines() { if [ $# -eq 0 ]; then echo 0; else cat -- "$@" | wc -l; fi; }
non_blank() { if [ $# -eq 0 ]; then echo 0; else cat -- "$@" | grep -cv '^[[:space:]]*$' || true; fi; }
ratio() { awk -v t="$1" -v p="$2" 'BEGIN { printf "%.2f", (p ? t / p : 0) }'; }
mapfile -t all < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' '*.c' '*.idl' '*.py' '*.vbs' '*.js' '*.sh' | grep -v '^build/' || true)
tests=() deliverables=() other=()
for f in "${all[@]}"; do
  [ -f "$f" ] || continue
  case "/$f" in
    */tests/*|*/fuzz/*) tests+=("$f") ;;
    /bench/*|/tools/*|/scripts/*) other+=("$f") ;;
    *.cpp|*.h|*.c|*.idl) deliverables+=("$f") ;;
    *) other+=("$f") ;;
  esac
done
t=$(all_lines "${tests[@]}") p=$(( $(all_lines "${deliverables[@]}") + $(all_lines "${other[@]}") ))
printf 'Lines of code: tests %d, product %d (all lines, everything not a test), tests/product %s\n' "$t" "$p" "$(ratio "$t" "$p")"
t=$(non_blank "${tests[@]}") p=$(non_blank "${deliverables[@]}")
printf '  stricter: tests %d, deliverables %d (non-blank lines, C++ and IDL), tests/deliverables %s\n' "$t" "$p" "$(ratio "$t" "$p")"
