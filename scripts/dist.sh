#!/usr/bin/env bash
# make dist: builds what is shipped (both widths), then in build/dist/ the packages
# Vantrel-<version>-x86.msi (32-bit Windows) and Vantrel-<version>-x64.msi (64-bit Windows: both
# widths), a zip of the same files for copying by hand, and sizes.txt (each binary before and after
# stripping). The 64-bit build's Wine session runs the registry-row generators of both widths.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
bash scripts/build-win32.sh --target Vantrel VantrelScan vantrel-scan vantrel-service VantrelDemo registry_rows
bash scripts/build-win64.sh --target VantrelScan vantrel-scan vantrel-service registry_rows
scripts/wine-session.sh build/win64 bash -c '
  set -e
  bash installer/make-dist.sh x86 build/dist
  bash installer/make-dist.sh x64 build/dist --zip'
echo "Sizes before and after stripping:"
cat build/dist/sizes.txt
