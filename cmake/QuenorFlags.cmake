# Every float result is fixed to the bit: no contraction into FMA, no fast-math,
# no flush-to-zero, and baseline x86-64 code (wider SIMD only behind runtime dispatch).
add_compile_options(
  -ffp-contract=off
  -fno-fast-math
  -fvisibility=hidden
  -fvisibility-inlines-hidden
  -fno-gnu-unique
  -Wall -Wextra -Wpedantic
)

if(QUENOR_SANITIZE)
  add_compile_options(-fsanitize=${QUENOR_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${QUENOR_SANITIZE})
endif()

# Link options of the shipped plug-in: only the two entry points exported, the
# C++ runtime linked in so it never meets the host's, nothing left unresolved.
function(quenor_plugin_link_options target)
  target_link_options(${target} PRIVATE
    -Wl,--version-script=${PROJECT_SOURCE_DIR}/vst/exports.map
    -Wl,--exclude-libs,ALL)
  if(NOT QUENOR_SANITIZE)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--no-undefined)
  endif()
endfunction()
