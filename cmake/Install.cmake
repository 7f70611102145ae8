# cmake --install build --prefix P: the plug-in in P/lib/vst, where Linux
# hosts scan for VST 2 plug-ins (/usr/lib/vst, /usr/local/lib/vst, or a folder
# added to the host's list), the programs in P/bin, the player's menu entry
# in P/share/applications.
install(TARGETS quenor-m4 LIBRARY DESTINATION lib/vst)
if(TARGET quenor-render)
  install(TARGETS quenor-render RUNTIME DESTINATION bin)
endif()
if(TARGET quenor-play)
  install(TARGETS quenor-play RUNTIME DESTINATION bin)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quenor-play.desktop DESTINATION share/applications)
endif()

# cpack -G DEB (from the build folder): quenor-m4_<version>_amd64.deb of the
# same files under /usr, stripped, its dependencies read from the binaries.
set(CPACK_PACKAGE_NAME quenor-m4)
set(CPACK_PACKAGE_VENDOR Tavrex)
set(CPACK_PACKAGE_CONTACT "Tavrex <quenor@tavrex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "physically modelled piano: VST 2.4 instrument, live player and renderer")
set(CPACK_PACKAGE_DESCRIPTION "Quenor-m4 models each of the 88 keys of a piano as two struck strings.\n\
It comes as a VST 2.4 instrument plug-in for Linux hosts, as quenor-play,\n\
which plays it live from a MIDI keyboard through a JACK (or PipeWire) server\n\
at any sample rate, and as quenor-render, which renders MIDI files to WAV.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The player needs a running server, either kind.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "jackd2 | pipewire-jack")
include(CPack)
