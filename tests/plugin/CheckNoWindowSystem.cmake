# The plug-in core's tests run without any window system: neither the binary
# nor anything it loads needs X11, xcb or cairo.
execute_process(COMMAND ldd ${BINARY} OUTPUT_VARIABLE loaded RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "ldd failed on ${BINARY}")
endif()
string(REGEX MATCHALL "lib(X11|xcb|cairo)[^ \n]*" window_system "${loaded}")
if(window_system)
  message(FATAL_ERROR "${BINARY} loads ${window_system}")
endif()
