# Two starts of the program on one kept profile: the first script, then the second.
file(REMOVE_RECURSE ${PROFILE})
foreach(_script ${FIRST} ${SECOND})
  execute_process(COMMAND ${PROGRAM} --outlook ${VERSION} --profile ${PROFILE} ${_script}
                  RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${_script} ended with ${_rc}")
  endif()
endforeach()
