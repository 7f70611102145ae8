# The plug-in core's tests run without any window system: neither the binary
# nor anything it loads needs X11, xcb or cairo. On Windows the editor base's
# thread set-up and idle pacing use OLE and the message queue (ole32 and
# USER32, part of every Windows process), but nothing draws: no GDI32, no GDI+.
if(OBJDUMP)
  execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE loaded RESULT_VARIABLE status)
  set(window_libraries "(GDI32|gdiplus)[.]dll")
else()
  execute_process(COMMAND ldd ${BINARY} OUTPUT_VARIABLE loaded RESULT_VARIABLE status)
  set(window_libraries "lib(X11|xcb|cairo)[^ \n]*")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list what ${BINARY} loads")
endif()
string(TOUPPER "${loaded}" loaded)
string(TOUPPER "${window_libraries}" window_libraries)
string(REGEX MATCHALL "${window_libraries}" window_system "${loaded}")
if(window_system)
  message(FATAL_ERROR "${BINARY} loads ${window_system}")
endif()
