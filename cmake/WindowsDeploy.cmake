# What valtyp.exe needs beside it on a Windows PC, placed by the install rules (there is no
# windeployqt here): the Qt libraries and plugins it loads, and the MinGW runtime that Qt links.
include_guard(GLOBAL)

set(valtyp_qt_libraries Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network)
set(valtyp_qt_plugins
  platforms Qt6::QWindowsIntegrationPlugin
  styles Qt6::QWindowsVistaStylePlugin
  tls Qt6::QSchannelBackendPlugin)

foreach(library IN LISTS valtyp_qt_libraries)
  install(FILES "$<TARGET_FILE:${library}>" DESTINATION . COMPONENT programs)
endforeach()
while(valtyp_qt_plugins)
  list(POP_FRONT valtyp_qt_plugins folder plugin)
  if(NOT TARGET ${plugin})
    message(FATAL_ERROR "The Qt for Windows lacks ${plugin}; rebuild it with scripts/windows-libs.sh")
  endif()
  install(FILES "$<TARGET_FILE:${plugin}>" DESTINATION ${folder} COMPONENT programs)
endwhile()

# Qt's DLLs link the compiler's runtime dynamically; the programs link it statically.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "The MinGW runtime ${runtime} was not found")
  endif()
  install(FILES "${path}" DESTINATION . COMPONENT programs)
endforeach()

# The icon Explorer, the Start menu and the installer show: the program's own drawings.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(valtyp_ico ${CMAKE_BINARY_DIR}/valtyp.ico)
set(valtyp_hub_ico ${CMAKE_BINARY_DIR}/valtyp-hub.ico)
foreach(edition "" HUB)
  set(pngs)
  foreach(size 16 20 24 32)
    list(APPEND pngs ${CMAKE_SOURCE_DIR}/resources/icons/Valtyp${edition}${size}.png)
  endforeach()
  if(edition)
    set(out ${valtyp_hub_ico})
  else()
    set(out ${valtyp_ico})
  endif()
  add_custom_command(OUTPUT ${out}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/make-ico.py ${out} ${pngs}
    DEPENDS ${pngs} ${CMAKE_SOURCE_DIR}/scripts/make-ico.py VERBATIM)
endforeach()
add_custom_target(valtyp_icons DEPENDS ${valtyp_ico} ${valtyp_hub_ico})
install(FILES ${valtyp_ico} DESTINATION . COMPONENT programs)
