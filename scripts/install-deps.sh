#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# The Windows builds need the MinGW-w64 cross compilers (the -posix variants,
# for std::thread and friends) and Wine to run their tests; 32-bit Wine comes
# from the i386 architecture.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev googletest libbenchmark-dev
  libx11-dev libcairo2-dev libxtst-dev xvfb
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386
  libsndfile1-dev libsoxr-dev
  libjack-jackd2-dev jackd2 libasound2-dev
  dpkg-dev file
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
for package in "${missing[@]}"; do
  if [[ "$package" == *:i386 ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    break
  fi
done
# A mirror caught mid-sync fails the index download for a while: try again.
for attempt in 1 2 3 4 5; do
  $sudo apt-get update -qq && break
  echo "apt-get update failed (attempt $attempt), retrying in $((attempt * 20)) s"
  sleep $((attempt * 20))
done
for attempt in 1 2 3; do
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" && exit 0
  echo "apt-get install failed (attempt $attempt), retrying"
  sleep 30
  $sudo apt-get update -qq || true
done
exit 1
