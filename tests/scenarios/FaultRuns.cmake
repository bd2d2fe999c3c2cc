# One script on one version under injected faults, once per period; every run's findings.
string(REPLACE "," ";" _periods "${PERIODS}")
# A script of two starts comes as "first|second".
string(REPLACE "|" ";" _scripts "${SCRIPT}")
set(_failed "")
foreach(_p ${_periods})
  execute_process(COMMAND ${PROGRAM} --outlook ${VERSION} --fault-every ${_p} --fault-seed ${SEED}
                          ${_scripts}
                  RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  message("every ${_p}: ${_out}${_err}")
  if(NOT _rc EQUAL 0)
    list(APPEND _failed ${_p})
  endif()
endforeach()
if(_failed)
  message(FATAL_ERROR "findings with the periods ${_failed}")
endif()
