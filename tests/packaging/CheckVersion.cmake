# cmake -DVERSION=V -DPROGRAMS=a;b -P CheckVersion.cmake: each program answers
# --version with the one line "NAME V" and status 0.
foreach(program IN LISTS PROGRAMS)
  get_filename_component(name ${program} NAME)
  execute_process(COMMAND ${program} --version OUTPUT_VARIABLE said RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT said STREQUAL "${name} ${VERSION}\n")
    message(FATAL_ERROR "${name} --version: status ${status}, said '${said}', not '${name} ${VERSION}'")
  endif()
endforeach()
