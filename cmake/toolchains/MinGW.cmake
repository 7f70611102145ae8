# Shared part of the MinGW-w64 cross toolchains; the including file sets
# QUENOR_MINGW_TRIPLE and QUENOR_WINE_ARCH. The -posix compilers carry the
# thread support that the C++ standard library's threads and atomics build on.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${QUENOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUENOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUENOR_MINGW_TRIPLE}-windres)

# Beside the system's: libraries Debian does not cross-build, built by
# scripts/install-deps.sh.
set(CMAKE_FIND_ROOT_PATH /usr/${QUENOR_MINGW_TRIPLE} /usr/local/${QUENOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine, each build folder with a prefix of its own.
set(QUENOR_WINE_RUN ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh)
set(QUENOR_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUENOR_WINE_RUN} ${QUENOR_WINE_PREFIX} ${QUENOR_WINE_ARCH})
