#!/usr/bin/env bash
# Puts the Vantrel Sample Scanner where Wine's DSM looks for a source: it loads exactly
# C:\windows\twain_32\sane.ds of the prefix in $WINEPREFIX.
# Usage: scripts/install-sample-scanner.sh PATH/TO/VantrelSampleScanner.ds
set -euo pipefail
mkdir -p "$WINEPREFIX/drive_c/windows/twain_32"
cp "$1" "$WINEPREFIX/drive_c/windows/twain_32/sane.ds"
