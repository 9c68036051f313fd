# The folder scripts/setup built a library into for this Windows tree
# (scripts/lib/libraries.sh): `kind`-x86_64 for the 64-bit tree, `kind`-i586
# for the 32-bit one. Stops the configuration, saying what is missing, when
# setup has not built it.
function(mellifon_windows_library_dir kind what out)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(_name ${kind}-x86_64)
  else()
    set(_name ${kind}-i586)
  endif()
  execute_process(COMMAND bash "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../scripts/lib/libraries.sh" dir ${_name}
                  OUTPUT_VARIABLE _dir OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0 OR NOT EXISTS "${_dir}/.complete")
    message(FATAL_ERROR "The ${what} for this tree are missing (${_dir}): run scripts/setup")
  endif()
  set(${out} "${_dir}" PARENT_SCOPE)
endfunction()
