#!/usr/bin/env bash
# libsoxr for the Windows cross builds, which Debian packages for Linux only:
# Debian's own source package, fetched through the configured Debian mirror's
# source index, built static and without OpenMP for each MinGW-w64 target with
# the project's toolchain files, and installed into /usr/local/TRIPLE, where
# those toolchains look for libraries. Nothing to do once both are there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
triples=(i686-w64-mingw32 x86_64-w64-mingw32)

built() { [ -f "/usr/local/$1/lib/libsoxr.a" ] && [ -f "/usr/local/$1/include/soxr.h" ]; }
todo=()
for triple in "${triples[@]}"; do built "$triple" || todo+=("$triple"); done
[ ${#todo[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# The mirror's source index, beside the binary one it already serves: the
# main archive's entries of either source format, as deb-src.
if [ -z "$(apt-cache showsrc libsoxr 2>/dev/null)" ]; then
  echo "adding the configured Debian mirror's source index"
  entries=$(
    for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$list" ] && grep -E '^deb[[:space:]]+([[].*[]][[:space:]]+)?[a-z]+://[^[:space:]]*/debian/?[[:space:]]' "$list" || true
    done | sed -E 's/^deb([[:space:]])/deb-src\1/'
  )
  stanzas=$(
    for list in /etc/apt/sources.list.d/*.sources; do
      [ -f "$list" ] && awk -v RS= -v ORS='\n\n' '
        /(^|\n)Types:[^\n]*[[:space:]]deb([[:space:]]|$)/ && /(^|\n)URIs:[^\n]*:\/\/[^\n[:space:]]*\/debian\/?([[:space:]]|$)/ &&
        !/(^|\n)Enabled:[[:space:]]*no/ {
          out = ""
          n = split($0, lines, "\n")
          for (i = 1; i <= n; i++) {
            if (lines[i] ~ /^#/) continue
            if (lines[i] ~ /^Types:/) lines[i] = "Types: deb-src"
            out = out lines[i] "\n"
          }
          printf "%s\n", out
        }' "$list"
    done
  )
  if [ -n "$stanzas" ]; then
    printf '%s\n' "$stanzas" | $sudo tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
  elif [ -n "$entries" ]; then
    printf '%s\n' "$entries" | $sudo tee /etc/apt/sources.list.d/debian-src.list >/dev/null
  else
    echo "mingw-soxr.sh: no Debian mirror configured in /etc/apt/sources.list(.d)" >&2
    exit 1
  fi
  $sudo apt-get update -qq || true
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source -qq libsoxr)
source_dir=$(dirname "$(ls "$work"/*/CMakeLists.txt | head -n 1)")

# As Debian builds it (its SIMD kernels chosen at run time), but a static
# library with no OpenMP, so that what links it needs no DLL of its own.
for triple in "${todo[@]}"; do
  echo "building libsoxr for $triple"
  cmake -S "$source_dir" -B "$work/$triple" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-${triple%%-*}.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="/usr/local/$triple" \
    -DBUILD_SHARED_LIBS=OFF -DWITH_OPENMP=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
    -DWITH_LSR_BINDINGS=OFF >/dev/null
  cmake --build "$work/$triple" >/dev/null
  $sudo cmake --install "$work/$triple" >/dev/null
done
