# Windows: system services on kernel events and threads, the module's files
# as resources of its image, the editor on USER32 windows drawn with GDI+,
# and the modules as DLLs.
set(QUENOR_SYSTEM_BACKEND win32 CACHE STRING "Backend of the system services: a folder of platform/")
set(QUENOR_GUI_BACKEND win32 CACHE STRING "Backend of the windows and drawing: a folder of platform/")

# Every program and the DLL carry their C++ runtime, libgcc and thread
# library inside, so they run with nothing beside them but the system's DLLs.
add_link_options(-static)

# quenor_add_module_resources(target): the editor's pictures as resources of
# target's own image. A resource object defines no symbol, so inside a static
# library it would never be linked; the script names the pictures, which the
# compiler's dependency list does not show.
function(quenor_add_module_resources target)
  set(script ${PROJECT_SOURCE_DIR}/resources/quenor-m4.rc)
  target_sources(${target} PRIVATE ${script})
  set_source_files_properties(${script} PROPERTIES
    OBJECT_DEPENDS "${QUENOR_RESOURCE_BACKGROUND};${QUENOR_RESOURCE_HANDLE}")
endfunction()

# quenor_add_module(name EXPORTS def-file SOURCES ... LIBS ...): a DLL that
# exports, undecorated, only what the .def file names, with the load hook
# that finds its resources and the editor's pictures among them.
function(quenor_add_module name)
  cmake_parse_arguments(M "" "EXPORTS" "SOURCES;LIBS" ${ARGN})
  add_library(${name} MODULE ${M_SOURCES} ${M_EXPORTS} ${PROJECT_SOURCE_DIR}/platform/win32/DllMain.cpp)
  target_link_libraries(${name} PRIVATE ${M_LIBS})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".dll"
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  quenor_add_module_resources(${name})
endfunction()
