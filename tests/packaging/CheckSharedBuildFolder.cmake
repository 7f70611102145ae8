# cmake -DSOURCE=dir -P CheckSharedBuildFolder.cmake: build/ is shared by the
# release preset (Ninja), the demo script and the README's plain build, and a
# folder configured with one generator refuses another: every configure of
# build/ that the README or the demo shows must name Ninja.
file(STRINGS ${SOURCE}/README.md readme REGEX "cmake -S [.] -B build( |$)")
file(STRINGS ${SOURCE}/scripts/demo.sh demo REGEX "cmake -S [.] -B build( |$)")
if(NOT readme OR NOT demo)
  message(FATAL_ERROR "no plain configure of build/ found in README.md or scripts/demo.sh")
endif()
foreach(line IN LISTS readme demo)
  if(NOT line MATCHES "-G Ninja")
    message(FATAL_ERROR "configures build/ without Ninja: ${line}")
  endif()
endforeach()
