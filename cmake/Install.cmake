# cmake --install build --prefix P: the plug-in in P/lib/vst, where Linux
# hosts scan for VST 2 plug-ins (/usr/lib/vst, /usr/local/lib/vst, or a folder
# added to the host's list), the LV2 bundle in P/lib/lv2 (cmake/formats/lv2.cmake), the CLAP
# module in P/lib/clap (cmake/formats/clap.cmake), the programs in P/bin with their manual pages in
# P/share/man/man1, the player's menu entry and icon in P/share/applications
# and P/share/icons, the copyright and changelog in P/share/doc/quenor-m4.
install(TARGETS quenor-m4 LIBRARY DESTINATION lib/vst)
if(NOT WIN32)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
  set(docs ${PROJECT_BINARY_DIR}/doc)
  # Each page is made from its program's --help, dated by the changelog.
  foreach(program quenor-render quenor-play)
    add_custom_command(OUTPUT ${docs}/${program}.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${docs}
      COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/manpage.py $<TARGET_FILE:${program}> ${changelog}
              ${docs}/${program}.1.gz
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/scripts/manpage.py ${changelog}
      VERBATIM)
    install(TARGETS ${program} RUNTIME DESTINATION bin)
    install(FILES ${docs}/${program}.1.gz DESTINATION share/man/man1)
  endforeach()
  # The changelog of a native package (its version has no Debian revision)
  # is changelog.gz; -n keeps the time stamp out, for the same bytes every build.
  add_custom_command(OUTPUT ${docs}/changelog.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${docs}
    COMMAND ${CMAKE_COMMAND} -E copy ${changelog} ${docs}/changelog
    COMMAND gzip -9nf ${docs}/changelog
    DEPENDS ${changelog}
    VERBATIM)
  add_custom_target(quenor-docs ALL DEPENDS ${docs}/quenor-render.1.gz ${docs}/quenor-play.1.gz ${docs}/changelog.gz)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${docs}/changelog.gz DESTINATION share/doc/quenor-m4)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quenor-play.desktop DESTINATION share/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/quenor-play.png DESTINATION share/icons/hicolor/48x48/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/quenor-play.svg DESTINATION share/icons/hicolor/scalable/apps)
endif()

# cpack -G DEB (from the build folder): quenor-m4_<version>_amd64.deb of the
# same files under /usr, stripped, its dependencies read from the binaries
# (cmake/DebianDepends.cmake), with no maintainer scripts.
set(CPACK_PACKAGE_NAME quenor-m4)
set(CPACK_PACKAGE_VENDOR Tavrex)
set(CPACK_PACKAGE_CONTACT "Tavrex <quenor@tavrex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "physically modelled piano: VST 2.4, LV2 and CLAP instrument, player, renderer")
set(CPACK_PACKAGE_DESCRIPTION "Quenor-m4 models each of the 88 keys of a piano as two struck strings.\n\
It comes as VST 2.4, LV2 and CLAP instrument plug-ins for Linux hosts (the\n\
LV2 and CLAP ones in tune at any sample rate, with automatable controls), as\n\
quenor-play, which plays it live from a MIDI keyboard through a JACK (or\n\
PipeWire) server at any sample rate, and as quenor-render, which renders MIDI\n\
files to WAV.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# CPack's own reading of the dependencies (CPACK_DEBIAN_PACKAGE_SHLIBDEPS)
# takes the plug-in, a shared object under /usr/lib, for a library in the
# linker's path and adds scripts calling ldconfig; their postrm would keep the
# package in dpkg's config-files state after removal. The dependencies are
# read at cpack time instead, by the same tool, over the built binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
if(NOT WIN32)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/DebianDepends.cmake)
  set(CPACK_QUENOR_BINARIES
    ${PROJECT_BINARY_DIR}/quenor-m4${CMAKE_SHARED_MODULE_SUFFIX}
    ${QUENOR_LV2_BUNDLE}/quenor-m4-dsp.so
    ${QUENOR_LV2_BUNDLE}/quenor-m4-ui.so
    ${PROJECT_BINARY_DIR}/quenor-m4.clap
    ${PROJECT_BINARY_DIR}/quenor-render
    ${PROJECT_BINARY_DIR}/quenor-play)
  set(CPACK_QUENOR_SHLIBDEPS_DIR ${PROJECT_BINARY_DIR}/shlibdeps)
endif()
# The player needs a running server, either kind.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "jackd2 | pipewire-jack")
include(CPack)
