#!/usr/bin/env bash
# Counts the non-blank lines of product code and of tests, and their ratio.
# Product: the deliverables' sources and the sample scanner (C++, IDL). Tests: every file under a
# tests/ or fuzz/ folder (C++, Python, scripts), the fixtures in tests/, and the scripts' tests.
# The benchmark and the tools are counted apart.
set -euo pipefail
cd "$(dirname "$0")/.."
lines() { if [ $# -eq 0 ]; then echo 0; else cat -- "$@" | grep -cv '^[[:space:]]*$' || true; fi; }
mapfile -t all < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' '*.c' '*.idl' '*.py' '*.vbs' '*.js' '*.sh' | grep -v '^build/' || true)
product=() tests=() other=()
for f in "${all[@]}"; do
  [ -f "$f" ] || continue
  case "/$f" in
    */tests/*|*/fuzz/*) tests+=("$f") ;;
    /bench/*|/tools/*|/scripts/*) other+=("$f") ;;
    *.cpp|*.h|*.c|*.idl) product+=("$f") ;;
    *) other+=("$f") ;;
  esac
done
p=$(lines "${product[@]}") t=$(lines "${tests[@]}") o=$(lines "${other[@]}")
printf 'Lines of code (non-blank): product %d, tests %d, tests/product %.2f; benchmark, tools and scripts %d\n' \
  "$p" "$t" "$(awk -v t="$t" -v p="$p" 'BEGIN { print (p ? t / p : 0) }')" "$o"
