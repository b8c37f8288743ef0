#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build Vantrel and run its tests. Idempotent.
set -euo pipefail

packages=(
  cmake make ninja-build file
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-tools mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  libwine-dev wine wine32:i386 wine64 fonts-wine
  xvfb xauth x11-utils imagemagick python3-pil
  googletest clang libclang-rt-14-dev
  zlib1g-dev libz-mingw-w64-dev libtiff-tools poppler-utils qpdf
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# 32-bit Wine needs a kernel that runs 32-bit programs. Some virtual machines cannot; there the
# programs run through qemu's user-mode emulator, registered as the handler for i386 binaries.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  # gcc-multilib builds the shim that makes Wine usable there (scripts/wine-env.sh).
  for p in qemu-user-static gcc-multilib; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$p"
    fi
  done
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::${magic}:${mask}:/usr/bin/qemu-i386-static:OCF" | as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  /usr/lib/wine/wine --version >/dev/null
fi
