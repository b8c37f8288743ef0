#!/usr/bin/env bash
# Runs one Windows program of the build under Wine (CTest's emulator for the cross build).
exec wine "$@"
