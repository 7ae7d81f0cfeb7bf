#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
# Run as root on a fresh machine; as another user it only reports what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libfreetype-dev libpng-dev fonts-dejavu-core
  nlohmann-json3-dev libtinyxml2-dev
  binutils-mingw-w64-x86-64
  valgrind time
  libsdl2-dev xvfb xdotool
)
# The Windows executables (scripts/build-win32.sh) and their tests under Wine.
packages+=(
  g++-mingw-w64-x86-64-posix googletest
  wine wine64 xvfb xdotool
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run this script as root to install them)" >&2
  exit 1
fi

echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
