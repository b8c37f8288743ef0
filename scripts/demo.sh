#!/usr/bin/env bash
# The README's main job. Until the demo program exists it builds everything and runs the
# component's scripted acquisitions.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/test.sh
