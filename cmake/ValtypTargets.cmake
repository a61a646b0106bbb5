# Compiler flags shared by every target of the project.
add_library(valtyp_flags INTERFACE)
target_compile_options(valtyp_flags INTERFACE -Wall -Wextra -Wpedantic)
if(VALTYP_WERROR)
  target_compile_options(valtyp_flags INTERFACE -Werror)
endif()
if(VALTYP_SANITIZE AND NOT WIN32)
  target_compile_options(valtyp_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(valtyp_flags INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
  # Without the MinGW runtime DLLs beside them, programs and drivers run anywhere (Wine too).
  target_link_options(valtyp_flags INTERFACE -static)
  # The Win32 API in its wide-character form, without the rarely used parts of windows.h.
  target_compile_definitions(valtyp_flags INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0A00)
endif()

# A static library of one layer, made of every source file in its folder.
function(valtyp_layer_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
  target_link_libraries(${name} PUBLIC valtyp_flags)
endfunction()

# One GoogleTest executable per module, run by CTest.
function(valtyp_test_suite name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main valtyp_flags)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
