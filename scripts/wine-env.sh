# Sourced: the environment of the project's private, quiet, 32-bit Wine prefix inside a build tree.
# Usage: . scripts/wine-env.sh BUILD_DIR
vantrel_build_dir=$(cd "$1" && pwd)
export WINEARCH=win32
export WINEPREFIX="$vantrel_build_dir/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
