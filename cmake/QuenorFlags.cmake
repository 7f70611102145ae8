# Every float result is fixed to the bit: no contraction into FMA, no fast-math,
# no flush-to-zero, and baseline code (wider SIMD only behind runtime dispatch).
add_compile_options(
  -ffp-contract=off
  -fno-fast-math
  -fvisibility=hidden
  -fvisibility-inlines-hidden
  -Wall -Wextra -Wpedantic
)

if(QUENOR_SANITIZE)
  add_compile_options(-fsanitize=${QUENOR_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${QUENOR_SANITIZE})
endif()

# Fuzzing: every library reports its coverage to the fuzzer that loads it.
if(QUENOR_BUILD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=fuzzer-no-link)
endif()
