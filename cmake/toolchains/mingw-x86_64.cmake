# 64-bit Windows.
set(QUENOR_MINGW_TRIPLE x86_64-w64-mingw32)
set(QUENOR_WINE_ARCH win64)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)

# The system keeps the stack 16-byte aligned, and this compiler cannot realign
# a frame for a 32- or 64-byte register spill; the assembler turns aligned
# vector moves into unaligned ones, which cost nothing on aligned data.
set(CMAKE_C_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
