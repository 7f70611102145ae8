# Linux: system services on futexes and pthreads, the editor on X11 and
# cairo, and the modules as ELF shared objects.
set(QUENOR_SYSTEM_BACKEND linux CACHE STRING "Backend of the system services: a folder of platform/")
set(QUENOR_GUI_BACKEND x11 CACHE STRING "Backend of the windows and drawing: a folder of platform/")

# One definition of each inline function and template across the host's
# process, not a process-wide unique symbol that pins the module in memory.
# (Clang never makes such symbols and has no switch for it.)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options(-fno-gnu-unique)
endif()

# quenor_add_module(name EXPORTS version-script SOURCES ... LIBS ...): a
# loadable module. Only what the version script names is exported, the C++
# runtime is linked in so it never meets the host's, and nothing is left
# unresolved.
function(quenor_add_module name)
  cmake_parse_arguments(M "" "EXPORTS" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${M_SOURCES})
  target_link_libraries(${name} PRIVATE ${M_LIBS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
    LINK_DEPENDS ${M_EXPORTS})
  target_link_options(${name} PRIVATE -Wl,--version-script=${M_EXPORTS} -Wl,--exclude-libs,ALL)
  if(NOT QUENOR_SANITIZE)
    target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc -Wl,--no-undefined)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/platform/linux/ModuleRuntimeReserve.cpp)
  endif()
endfunction()
