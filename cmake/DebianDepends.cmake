# Read by cpack before it packs (CPACK_PROJECT_CONFIG_FILE): the package's
# Depends, from dpkg-shlibdeps over the built plug-in and programs.
if(CPACK_GENERATOR STREQUAL "DEB")
  # dpkg-shlibdeps wants to run in a source package's folder.
  file(MAKE_DIRECTORY ${CPACK_QUENOR_SHLIBDEPS_DIR}/debian)
  file(WRITE ${CPACK_QUENOR_SHLIBDEPS_DIR}/debian/control "")
  execute_process(COMMAND dpkg-shlibdeps -O ${CPACK_QUENOR_BINARIES}
    WORKING_DIRECTORY ${CPACK_QUENOR_SHLIBDEPS_DIR}
    OUTPUT_VARIABLE shlibdeps
    ERROR_VARIABLE shlibdeps_error
    RESULT_VARIABLE shlibdeps_result
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT shlibdeps_result EQUAL 0 OR NOT shlibdeps MATCHES "^shlibs:Depends=([^\n]+)")
    message(FATAL_ERROR "dpkg-shlibdeps found no dependencies: ${shlibdeps_error}")
  endif()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
endif()
