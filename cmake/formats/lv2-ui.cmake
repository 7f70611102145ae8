# The LV2 instrument's editor: quenor-m4-ui.so in the bundle's folder, whose
# only export is lv2ui_descriptor. It links the editor and its window system
# but no audio code; the program defaults come in as data alone.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LV2 REQUIRED IMPORTED_TARGET lv2)
quenor_add_module(quenor-m4-ui
  EXPORTS ${PROJECT_SOURCE_DIR}/lv2/ui/exports.map
  SOURCES
    ${PROJECT_SOURCE_DIR}/lv2/ui/Lv2UiEntry.cpp
    ${PROJECT_SOURCE_DIR}/lv2/ui/ControlPortEffect.cpp
    ${PROJECT_SOURCE_DIR}/plugin/FactoryPrograms.cpp
  LIBS quenor_editor PkgConfig::LV2)
set_target_properties(quenor-m4-ui PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/quenor-m4.lv2
  OUTPUT_NAME quenor-m4-ui)
