# Sourced: the environment of the project's private, quiet Wine prefix inside a build tree: 32-bit
# for the 32-bit build, 64-bit (which runs 32-bit programs too) for the 64-bit build, as the build
# tree's wine-arch file says.
# Usage: . scripts/wine-env.sh BUILD_DIR
vantrel_build_dir=$(cd "$1" && pwd)
vantrel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEARCH=win32
if [ -f "$vantrel_build_dir/wine-arch" ]; then WINEARCH=$(cat "$vantrel_build_dir/wine-arch"); fi
export WINEPREFIX="$vantrel_build_dir/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Where 32-bit programs run through qemu's user-mode emulator, Wine needs a shim to start in
# seconds instead of minutes and to keep its threads apart (tools/wineqemu/wineqemu_shim.c).
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  vantrel_shim="$vantrel_build_dir/wineqemu"
  if [ ! -f "$vantrel_shim/lib/i386-linux-gnu/wineqemu_shim.so" ] ||
     [ "$vantrel_root/tools/wineqemu/wineqemu_shim.c" -nt "$vantrel_shim/lib/i386-linux-gnu/wineqemu_shim.so" ]; then
    mkdir -p "$vantrel_shim/lib/i386-linux-gnu" "$vantrel_shim/lib/x86_64-linux-gnu"
    gcc -m32 -O2 -Wall -shared -fPIC -o "$vantrel_shim/lib/i386-linux-gnu/wineqemu_shim.so" \
      "$vantrel_root/tools/wineqemu/wineqemu_shim.c" -ldl -lpthread
    # An empty 64-bit twin: the loader picks by $LIB, so 64-bit host programs load it silently.
    gcc -O2 -shared -fPIC -o "$vantrel_shim/lib/x86_64-linux-gnu/wineqemu_shim.so" \
      "$vantrel_root/tools/wineqemu/empty_shim.c"
  fi
  export LD_PRELOAD="$vantrel_shim/\$LIB/wineqemu_shim.so"
fi
