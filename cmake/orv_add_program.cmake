# orv_add_program(NAME SOURCES...): a user program of ORVLIB. Its sources
# define ORV_Ready and ORV_Main and include only framework/orvlib.h; the
# framework supplies main(). Also part of the installed package.
function(orv_add_program name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE ORVLIB::orvlib)
  target_compile_features(${name} PRIVATE cxx_std_20)
endfunction()
