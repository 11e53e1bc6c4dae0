# Fails when a source of the composer or of the programs includes anything
# but framework/orvlib.h, the composer's own headers and the C++ standard
# library: they stand on the framework's public interface alone.
#   cmake -DROOT=<source root> -P cmake/check_includes.cmake
file(GLOB_RECURSE sources ${ROOT}/composer/*.cpp ${ROOT}/composer/*.h ${ROOT}/apps/*.cpp
     ${ROOT}/apps/*.h)
set(bad "")
foreach(source ${sources})
  file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" target "${line}")
    # Standard headers are <name> with no extension and no folder.
    if(target MATCHES "^\"(framework/orvlib\\.h|composer/[a-z_]+\\.h)\"" OR
       target MATCHES "^<[a-z_]+>")
      continue()
    endif()
    file(RELATIVE_PATH name ${ROOT} ${source})
    string(APPEND bad "\n  ${name}: ${line}")
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "composer/ and apps/ include only framework/orvlib.h, composer/ and the "
                      "standard library:${bad}")
endif()
