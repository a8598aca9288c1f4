# The Windows program run under Wine on a virtual X display, in both display
# modes, its results compared with the headless program's on the same ROM set;
# and without a virtual desktop, where it runs in a window.
# The Windows build (scripts/build-windows.sh) makes the program and the
# window driver; the native build runs the tests.
if(WIN32)
  # Starts the program, posts key and close messages to its window and reports how it ended.
  add_executable(quillomark-window-driver ${CMAKE_CURRENT_LIST_DIR}/window_driver.cpp)
  target_link_libraries(quillomark-window-driver user32)
  target_link_options(quillomark-window-driver PRIVATE ${QUILLOMARK_WIN32_LINK_OPTIONS})
  # Next to quillomark.exe, where wine_test.sh looks for it.
  set_target_properties(quillomark-window-driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  return()
endif()
if(QUILLOMARK_SANITIZE)
  return()
endif()

add_executable(quillomark-wine-check ${CMAKE_CURRENT_LIST_DIR}/wine_check.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/test_support.cpp)
target_link_libraries(quillomark-wine-check quillomark_test_helpers quillomark_desktop quillomark_headless_backend
  GTest::gtest)

foreach(mode 320 640 window)
  add_test(NAME win32_wine_${mode}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine_test.sh ${mode} ${QUILLOMARK_WIN32_BUILD}
            $<TARGET_FILE:quillomark-headless> $<TARGET_FILE:quillomark-wine-check> $<TARGET_FILE:quillomark-test-rom>
            ${CMAKE_BINARY_DIR}/demo ${CMAKE_BINARY_DIR}/wine-test-${mode} ${CMAKE_BINARY_DIR}/wine-prefix)
  # The runs share one Wine prefix and its wineserver, so they take turns.
  set_tests_properties(win32_wine_${mode} PROPERTIES TIMEOUT 600 RESOURCE_LOCK quillomark_wine_prefix LABELS wine
    ENVIRONMENT QUILLOMARK_BOARD_CONSTANTS=${QUILLOMARK_BOARD_CONSTANTS}.sh)
endforeach()
