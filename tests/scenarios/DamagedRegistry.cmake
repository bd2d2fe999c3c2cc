# A kept profile whose registry file was cut short: the next start is refused, naming the
# file, and the file is left as it was.
file(REMOVE_RECURSE ${PROFILE})
execute_process(COMMAND ${PROGRAM} --profile ${PROFILE} -e "answer frmReplyFolder enter" -e start
                        -e quit RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "the first run ended with ${_rc}")
endif()
file(READ ${PROFILE}/registry.hive _whole)
string(LENGTH "${_whole}" _size)
math(EXPR _half "${_size} / 2")
string(SUBSTRING "${_whole}" 0 ${_half} _cut)
# Cut where a line ends, as a write stopped between two lines leaves it: every line reads well.
string(FIND "${_cut}" "\n" _last REVERSE)
math(EXPR _keep "${_last} + 1")
string(SUBSTRING "${_cut}" 0 ${_keep} _cut)
file(WRITE ${PROFILE}/registry.hive "${_cut}")
execute_process(COMMAND ${PROGRAM} --profile ${PROFILE} -e start RESULT_VARIABLE _rc
                ERROR_VARIABLE _err OUTPUT_QUIET)
if(NOT _rc EQUAL 2)
  message(FATAL_ERROR "a cut registry file was not refused (${_rc}): ${_err}")
endif()
if(NOT _err MATCHES "registry.hive")
  message(FATAL_ERROR "the refusal does not name the file: ${_err}")
endif()
file(READ ${PROFILE}/registry.hive _after)
if(NOT _after STREQUAL _cut)
  message(FATAL_ERROR "the refused registry file was changed")
endif()
