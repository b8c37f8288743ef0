#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build Vantrel and run its tests. Idempotent and
# quiet when nothing is missing: then it does not touch apt at all.
#
# A mirror being updated makes `apt-get update` fail for an hour or more ("File has unexpected
# size ... Mirror sync in progress?"). Then the set-up goes on with the lists that did arrive and
# installs from the stable suite, so the amd64 and i386 packages get matching versions.
#
# VANTREL_APT_PAUSE sets the seconds between tries of `apt-get update` (default 20);
# VANTREL_WINE_LOADER names the 32-bit Wine loader whose start tells whether qemu is needed.
set -euo pipefail

packages=(
  # Build
  cmake make ninja-build
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  mingw-w64-tools     # widl, for the type libraries
  libwine-dev         # the IDL files MinGW lacks (oaidl.idl and friends)
  zlib1g-dev libz-mingw-w64-dev
  clang               # the native build of the pure logic, with libFuzzer
  googletest
  # Tests: Wine in both widths, a display for its windows, and independent readers of our files
  wine wine32:i386 wine64
  fonts-wine          # without it Wine draws no text
  xvfb xauth x11-utils
  file                # tests: checks the width of every binary
  imagemagick python3-pil libtiff-tools poppler-utils qpdf  # tests: independent image readers
  libpng-dev libjpeg-dev  # tests: the fuzz targets read our PNG and JPEG back with libpng and libjpeg
  libclang-rt-14-dev  # tests: the sanitizers' runtime for the fuzz targets
  # Libraries the Windows build compiles from headers (the scan service's HTTP and JSON)
  libboost1.74-dev nlohmann-json3-dev
  # Tests and packaging: clients and tools we did not write
  sane-utils sane-airscan  # an eSCL client (scanimage) for the scan service
  chromium                 # a real browser for the service's web client
  libleptonica-dev         # native reference for deskew and binarization accuracy
  wixl msitools            # the installer, and reading it back
  default-jre-headless libpdfbox2-java libactivation-java libjaxb-api-java  # the PDF/A-1b validator
  libimage-exiftool-perl   # reads document metadata back
  zip unzip
)

# Only where the kernel cannot run 32-bit programs: qemu runs them, and gcc-multilib builds the
# shim that makes Wine usable there (scripts/wine-env.sh).
emulation_packages=(qemu-user-static gcc-multilib)

wine_loader=${VANTREL_WINE_LOADER:-/usr/lib/wine/wine}
apt_tries=3
apt_pause=${VANTREL_APT_PAUSE:-20}

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# The index lines apt-get could not fetch, from the last failed update ("" when it succeeded).
failed_indexes=""

update_lists() {
  local try log
  log=$(mktemp)
  for ((try = 1; try <= apt_tries; try++)); do
    if as_root apt-get update -q >"$log" 2>&1; then
      failed_indexes=""
      rm -f "$log"
      return 0
    fi
    failed_indexes=$(grep 'Failed to fetch' "$log" || grep -E '^[EW]: ' "$log" || tail -n 3 "$log")
    echo "setup: apt-get update failed (try $try of $apt_tries):" >&2
    sed 's/^/  /' <<<"$failed_indexes" >&2
    [ "$try" -lt "$apt_tries" ] && sleep "$apt_pause"
  done
  rm -f "$log"
  return 1
}

stable_suite() { (. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}"); }

install_packages() {
  local suite=()
  if [ -n "$failed_indexes" ]; then
    # Without the pin the i386 packages cannot be installed beside security-updated amd64 ones.
    suite=(-t "$(stable_suite)")
    echo "setup: going on with the lists that arrived, installing from the stable suite (${suite[*]})" >&2
  fi
  if as_root env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -q --no-install-recommends "${suite[@]}" "$@"; then
    return 0
  fi
  echo "setup: apt-get install failed for: $*" >&2
  if [ -n "$failed_indexes" ]; then
    echo "setup: these package indexes could not be fetched:" >&2
    sed 's/^/  /' <<<"$failed_indexes" >&2
    echo "setup: the mirror is probably being updated. Run the command again later, or point" >&2
    echo "       /etc/apt/sources.list at another Debian mirror." >&2
  fi
  return 1
}

# Installs whichever of the named packages are missing, updating the lists once per run.
lists_updated=no
ensure() {
  local missing
  mapfile -t missing < <(missing_of "$@")
  [ ${#missing[@]} -gt 0 ] || return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    lists_updated=no
  fi
  if [ "$lists_updated" = no ]; then
    update_lists || true
    lists_updated=yes
  fi
  install_packages "${missing[@]}"
}

ensure "${packages[@]}"

# 32-bit Wine needs a kernel that runs 32-bit programs. Some virtual machines cannot; there the
# programs run through qemu's user-mode emulator, registered as the handler for i386 binaries.
if ! "$wine_loader" --version >/dev/null 2>&1; then
  ensure "${emulation_packages[@]}"
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::${magic}:${mask}:/usr/bin/qemu-i386-static:OCF" | as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  "$wine_loader" --version >/dev/null
fi
