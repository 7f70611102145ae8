# The LV2 instrument (Linux): the bundle quenor-m4.lv2 in the build folder,
# with the plug-in's binary, its UI's binary and the description written from
# the code's own facts by quenor-lv2-description.
if(WIN32)
  return()
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(LV2 IMPORTED_TARGET lv2)
if(NOT LV2_FOUND)
  message(FATAL_ERROR "the LV2 headers are missing: install Debian's lv2-dev (bash scripts/install-deps.sh)")
endif()

set(QUENOR_LV2_BUNDLE ${PROJECT_BINARY_DIR}/quenor-m4.lv2)
# An even minor version above zero marks a release; micro goes odd between releases.
set(QUENOR_LV2_MINOR_VERSION 2)
set(QUENOR_LV2_MICRO_VERSION 0)

quenor_add_module(quenor-m4-lv2
  EXPORTS ${PROJECT_SOURCE_DIR}/lv2/exports.map
  SOURCES ${PROJECT_SOURCE_DIR}/lv2/Lv2Entry.cpp ${PROJECT_SOURCE_DIR}/lv2/Lv2Instrument.cpp
          ${PROJECT_SOURCE_DIR}/lv2/Lv2State.cpp ${PROJECT_SOURCE_DIR}/lv2/NoEditor.cpp
          ${PROJECT_SOURCE_DIR}/vst/VstPluginMain.cpp
  LIBS quenor_plugin quenor_host PkgConfig::LV2)
set_target_properties(quenor-m4-lv2 PROPERTIES OUTPUT_NAME quenor-m4-dsp LIBRARY_OUTPUT_DIRECTORY ${QUENOR_LV2_BUNDLE})

# The editor: it links the editor and its window system but no audio code;
# the program defaults come in as data alone.
quenor_add_module(quenor-m4-ui
  EXPORTS ${PROJECT_SOURCE_DIR}/lv2/ui/exports.map
  SOURCES ${PROJECT_SOURCE_DIR}/lv2/ui/Lv2UiEntry.cpp
          ${PROJECT_SOURCE_DIR}/plugin/FactoryPrograms.cpp
  LIBS quenor_editor PkgConfig::LV2)
set_target_properties(quenor-m4-ui PROPERTIES OUTPUT_NAME quenor-m4-ui LIBRARY_OUTPUT_DIRECTORY ${QUENOR_LV2_BUNDLE})

add_executable(quenor-lv2-description ${PROJECT_SOURCE_DIR}/lv2/BundleDescription.cpp
  ${PROJECT_SOURCE_DIR}/plugin/FactoryPrograms.cpp)
target_include_directories(quenor-lv2-description PRIVATE ${PROJECT_SOURCE_DIR})
set(QUENOR_LV2_DESCRIPTION ${QUENOR_LV2_BUNDLE}/manifest.ttl ${QUENOR_LV2_BUNDLE}/quenor-m4.ttl
    ${QUENOR_LV2_BUNDLE}/presets.ttl)
add_custom_command(OUTPUT ${QUENOR_LV2_DESCRIPTION}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUENOR_LV2_BUNDLE}
  COMMAND quenor-lv2-description ${QUENOR_LV2_BUNDLE} quenor-m4-dsp.so quenor-m4-ui.so
          ${QUENOR_LV2_MINOR_VERSION} ${QUENOR_LV2_MICRO_VERSION}
  DEPENDS quenor-lv2-description
  VERBATIM)
add_custom_target(quenor-lv2-bundle ALL DEPENDS ${QUENOR_LV2_DESCRIPTION})

install(TARGETS quenor-m4-lv2 quenor-m4-ui LIBRARY DESTINATION lib/lv2/quenor-m4.lv2)
install(FILES ${QUENOR_LV2_DESCRIPTION} DESTINATION lib/lv2/quenor-m4.lv2)
