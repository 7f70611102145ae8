#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# The Windows builds need the MinGW-w64 cross compilers (the -posix variants,
# for std::thread and friends) and Wine to run their tests; 32-bit Wine comes
# from the i386 architecture. The LV2 bundle's tests load it with the LV2
# host library and check its description with lv2_validate (which needs sordi).
# The CLAP headers come with dpf-source (only its clap/ folder is used);
# qtractor's plug-in scanner, where installed, lists the CLAP module.
# Then libsoxr for the Windows builds, from Debian's source (mingw-soxr.sh).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev googletest libbenchmark-dev
  libx11-dev libcairo2-dev libxtst-dev xvfb
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 wine32:i386
  libsndfile1-dev libsoxr-dev
  lv2-dev liblilv-dev lilv-utils sordi
  dpf-source
  libjack-jackd2-dev jackd2 libasound2-dev
  dpkg-dev file lintian python3
  clang libclang-rt-14-dev
)

install_packages() {
  missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

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
  update_log=$(mktemp)
  trap 'rm -f "$update_log"' EXIT
  updated=false
  for attempt in 1 2 3; do
    if $sudo apt-get update -qq 2>&1 | tee "$update_log" && ! grep -q '^E:' "$update_log"; then
      updated=true
      break
    fi
    [ $attempt -lt 3 ] || break
    echo "apt-get update failed (attempt $attempt), retrying in $((attempt * 20)) s"
    sleep $((attempt * 20))
  done
  # A mirror can stay behind its own Release file for days, serving an index one
  # revision old. A machine that updated earlier keeps its older copy and goes on;
  # a fresh one has none, and the i386 multi-arch packages then cannot match the
  # amd64 ones. Seed apt's lists with the copy the mirror does serve.
  if ! $updated; then
    lists=$(apt-config shell lists Dir::State::lists/d | sed -E "s/^lists='(.*)'$/\1/")
    { grep -oE "Failed to fetch [^ ]+ +(File has unexpected size|Hash Sum mismatch)" "$update_log" || true; } \
      | awk '{print $4}' | sort -u | while read -r url; do
      name=$(printf '%s' "${url#*://}" | sed -E 's/\.(xz|gz|bz2|lz4)$//; s|/|_|g')
      [ -e "$lists$name" ] || [ -n "$(compgen -G "$lists$name.*")" ] && continue
      echo "warning: $url does not match its Release file; using the copy the mirror serves"
      download=$(mktemp --suffix=".${url##*.}")
      if /usr/lib/apt/apt-helper download-file "$url" "$download" >/dev/null; then
        /usr/lib/apt/apt-helper cat-file "$download" | $sudo tee "$lists$name" >/dev/null
      fi
      rm -f "$download"
    done
  fi
  for attempt in 1 2 3; do
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" && return 0
    echo "apt-get install failed (attempt $attempt), retrying"
    sleep 30
    $sudo apt-get update -qq || true
  done
  exit 1
}

install_packages
bash "$(dirname "$0")/mingw-soxr.sh"
