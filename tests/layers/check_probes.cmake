# Builds each probe target and compares the outcome with the one expected:
# "refused" must fail with the header not found, "compiles" must succeed.
#   cmake -DBUILD=<build dir> -DCHECKS=<target:header:outcome;...> -P check_probes.cmake
set(wrong "")
foreach(check ${CHECKS})
  string(REPLACE ":" ";" check "${check}")
  list(GET check 0 target)
  list(GET check 1 header)
  list(GET check 2 outcome)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} --target ${target}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(FIND "${output}" "${header}: No such file or directory" missing)
  if(outcome STREQUAL "refused" AND (result EQUAL 0 OR missing EQUAL -1))
    string(APPEND wrong "\n  ${target}: ${header} was not refused as missing:\n${output}")
  elseif(outcome STREQUAL "compiles" AND NOT result EQUAL 0)
    string(APPEND wrong "\n  ${target}: ${header} did not compile:\n${output}")
  else()
    message(STATUS "${target}: ${header} ${outcome}")
  endif()
endforeach()
if(wrong)
  message(FATAL_ERROR "Layer includes:${wrong}")
endif()
