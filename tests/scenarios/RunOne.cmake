# One script in a folder of its own, new at each run: files it saves land there, never beside
# the sources, and no run finds the last one's.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
if(DEMO)
  set(_args --demo)
else()
  set(_args --outlook ${VERSION} ${SCRIPT})
endif()
execute_process(COMMAND ${PROGRAM} ${_args} WORKING_DIRECTORY ${WORKDIR} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "${_args} ended with ${_rc}")
endif()
