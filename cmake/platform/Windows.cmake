# Windows: system services on kernel events and threads, the module's files
# as resources of its image, the editor on USER32 windows drawn with GDI+,
# and the module as a DLL.
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

# quenor_add_plugin_module(name libraries...): quenor-m4.dll. The .def file
# exports only the two entry points, undecorated; the C++ runtime, libgcc and
# the thread library are linked in, so the DLL needs nothing but the system's
# own DLLs.
function(quenor_add_plugin_module name)
  add_library(${name} MODULE
    ${PROJECT_SOURCE_DIR}/vst/VstPluginMain.cpp
    ${PROJECT_SOURCE_DIR}/vst/win32/DllMain.cpp
    ${PROJECT_SOURCE_DIR}/vst/win32/Win32Exports.cpp
    ${PROJECT_SOURCE_DIR}/vst/win32/quenor-m4.def)
  target_link_libraries(${name} PRIVATE ${ARGN})
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    SUFFIX ".dll"
    LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
  quenor_add_module_resources(${name})
endfunction()
