# The CLAP instrument: quenor-m4.clap in the build folder (beside the DLL on
# Windows), built from the headers Debian installs with dpf-source.
find_path(QUENOR_CLAP_INCLUDE_DIR clap/entry.h
  PATHS /usr/share/dpf/distrho/src
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUENOR_CLAP_INCLUDE_DIR)
  message(FATAL_ERROR "the CLAP headers are missing: install Debian's dpf-source (bash scripts/install-deps.sh), "
                      "or set QUENOR_CLAP_INCLUDE_DIR to the folder that holds clap/entry.h")
endif()

if(WIN32)
  set(exports ${PROJECT_SOURCE_DIR}/clap/quenor-m4-clap.def)
else()
  set(exports ${PROJECT_SOURCE_DIR}/clap/exports.map)
endif()
quenor_add_module(quenor-m4-clap
  EXPORTS ${exports}
  SOURCES ${PROJECT_SOURCE_DIR}/clap/ClapEntry.cpp ${PROJECT_SOURCE_DIR}/clap/ClapInstrument.cpp
          ${PROJECT_SOURCE_DIR}/clap/ClapParameters.cpp ${PROJECT_SOURCE_DIR}/clap/ClapState.cpp
          ${PROJECT_SOURCE_DIR}/clap/ClapEditor.cpp ${PROJECT_SOURCE_DIR}/vst/VstPluginMain.cpp
  LIBS quenor_plugin quenor_editor quenor_host)
target_include_directories(quenor-m4-clap SYSTEM PRIVATE ${QUENOR_CLAP_INCLUDE_DIR})
target_compile_definitions(quenor-m4-clap PRIVATE QUENOR_VERSION="${PROJECT_VERSION}")
set_target_properties(quenor-m4-clap PROPERTIES OUTPUT_NAME quenor-m4 SUFFIX .clap)

# Where Linux hosts look for CLAP plug-ins: /usr/lib/clap, ~/.clap or a folder of the host's list.
if(NOT WIN32)
  install(TARGETS quenor-m4-clap LIBRARY DESTINATION lib/clap)
endif()
