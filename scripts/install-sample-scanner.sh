#!/usr/bin/env bash
# Puts the Vantrel Sample Scanner where Wine's DSM looks for a source: its 32-bit DSM loads exactly
# C:\windows\twain_32\sane.ds of the prefix in $WINEPREFIX, its 64-bit one C:\windows\twain_64\sane.ds.
# Usage: scripts/install-sample-scanner.sh PATH/TO/VantrelSampleScanner.ds
set -euo pipefail
folder=twain_32
if file -b "$1" | grep -q '^PE32+'; then folder=twain_64; fi
mkdir -p "$WINEPREFIX/drive_c/windows/$folder"
cp "$1" "$WINEPREFIX/drive_c/windows/$folder/sane.ds"
