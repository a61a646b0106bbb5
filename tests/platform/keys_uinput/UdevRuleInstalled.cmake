# cmake --install puts the udev rule where udev reads it, with the access
# it is there for. Run by CTest with BUILD, DEST and RULES_DIR set.
file(REMOVE_RECURSE "${DEST}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${DEST}" ${CMAKE_COMMAND} --install "${BUILD}" --component udev
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
set(rule "${DEST}${RULES_DIR}/60-valtyp-uinput.rules")
if(NOT EXISTS "${rule}")
  message(FATAL_ERROR "no rule at ${rule}")
endif()
file(STRINGS "${rule}" lines REGEX "^KERNEL==")
if(NOT lines MATCHES "KERNEL==\"uinput\"" OR NOT lines MATCHES "TAG\\+=\"uaccess\"")
  message(FATAL_ERROR "the rule does not give uinput to the seat's user: ${lines}")
endif()
