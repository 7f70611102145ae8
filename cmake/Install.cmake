# cmake --install build --prefix P: the plug-in in P/lib/vst, where Linux
# hosts scan for VST 2 plug-ins (/usr/lib/vst, /usr/local/lib/vst, or a folder
# added to the host's list), the render tool in P/bin.
install(TARGETS quenor-m4 LIBRARY DESTINATION lib/vst)
if(TARGET quenor-render)
  install(TARGETS quenor-render RUNTIME DESTINATION bin)
endif()
