# 32-bit Windows, the primary platform.
set(QUENOR_MINGW_TRIPLE i686-w64-mingw32)
set(QUENOR_WINE_ARCH win32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)

# SSE2 arithmetic, never x87: every float rounds to single precision as on
# x86-64. This compiler already assumes only the 4-byte stack alignment that
# the system promises and realigns every frame that holds vectors.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
