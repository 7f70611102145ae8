# The VST 2.4 instrument: quenor-m4.so on Linux, quenor-m4.dll on Windows,
# whose only exports are VSTPluginMain and its older name, main.
if(WIN32)
  set(entry vst/win32/Win32Exports.cpp)
  set(exports vst/win32/quenor-m4.def)
else()
  set(entry vst/elf/ElfExports.cpp)
  set(exports vst/elf/exports.map)
endif()
quenor_add_module(quenor-m4
  EXPORTS ${PROJECT_SOURCE_DIR}/${exports}
  SOURCES ${PROJECT_SOURCE_DIR}/vst/VstPluginMain.cpp ${PROJECT_SOURCE_DIR}/${entry}
  LIBS quenor_plugin quenor_editor)
