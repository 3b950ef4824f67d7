# kb_add_test(NAME sources... LIBS libs... [LABELS labels...] [TIMEOUT s] [NO_WINE])
# One GoogleTest executable is one ctest test. In the win64 build ctest runs it
# through CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run).
function(kb_add_test name)
  cmake_parse_arguments(T "NO_WINE" "TIMEOUT" "LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests")
  if(WIN32 AND T_NO_WINE)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES
    WORKING_DIRECTORY "${KB_OUTPUT_DIR}"
    ENVIRONMENT "KB_SOURCE_DIR=${CMAKE_SOURCE_DIR};KB_OUTPUT_DIR=${KB_OUTPUT_DIR}")
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# GUI tests get a private Xvfb each on Linux, so they never touch the desktop
# they are started from. Under Wine all tests share one display instead:
# Wine's desktop and driver-host processes outlive a test and stay bound to
# the display they were started on (scripts/wine-tests).
if(WIN32)
  set(KB_GUI_DISPLAY_ENV "KB_PRIVATE_DISPLAY=0")
else()
  set(KB_GUI_DISPLAY_ENV "KB_PRIVATE_DISPLAY=1")
endif()

# kb_add_gui_test(NAME sources... LIBS libs... [TRAY] [OWN_MAIN] [NO_LABEL] [DEPENDS targets...])
# A GoogleTest executable that needs a display: run under scripts/with-xvfb
# (with a system tray for TRAY, on Linux), under Wine through scripts/wine-run
# in the win64 build, labelled "gui" unless NO_LABEL. OWN_MAIN: the sources
# bring their own main() (child modes) instead of gtest_main.
# The sanitizer builds run the GUI tests an order of magnitude slower (the
# macro dialog's suite: 22 s plain, about 300 s under AddressSanitizer).
if(CMAKE_CXX_FLAGS MATCHES "sanitize")
  set(KB_GUI_TEST_TIMEOUT 1500)
else()
  set(KB_GUI_TEST_TIMEOUT 300)
endif()
function(kb_add_gui_test name)
  cmake_parse_arguments(T "TRAY;OWN_MAIN;NO_LABEL" "" "LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest)
  if(NOT T_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_include_directories(${name} PRIVATE "${CMAKE_SOURCE_DIR}/tests")
  foreach(d ${T_DEPENDS})
    if(TARGET ${d})
      add_dependencies(${name} ${d})
    endif()
  endforeach()
  set(with_xvfb "${CMAKE_SOURCE_DIR}/scripts/with-xvfb")
  if(WIN32)
    add_test(NAME ${name}
             COMMAND ${with_xvfb} ${CMAKE_SOURCE_DIR}/scripts/wine-run $<TARGET_FILE:${name}> --gtest_brief=1)
  elseif(T_TRAY)
    add_test(NAME ${name} COMMAND ${with_xvfb} --tray $<TARGET_FILE:${name}> --gtest_brief=1)
  else()
    add_test(NAME ${name} COMMAND ${with_xvfb} $<TARGET_FILE:${name}> --gtest_brief=1)
  endif()
  set_tests_properties(${name} PROPERTIES
    WORKING_DIRECTORY "${KB_OUTPUT_DIR}"
    ENVIRONMENT "KB_SOURCE_DIR=${CMAKE_SOURCE_DIR};KB_OUTPUT_DIR=${KB_OUTPUT_DIR};${KB_GUI_DISPLAY_ENV}"
    TIMEOUT ${KB_GUI_TEST_TIMEOUT})
  if(NOT T_NO_LABEL)
    set_tests_properties(${name} PROPERTIES LABELS gui)
  endif()
endfunction()
