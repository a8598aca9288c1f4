# The Windows program (cross-built into build-win32/ by scripts/build-windows.sh)
# run under Wine on a virtual X display, in both display modes. Its results are
# compared with the headless program's on the same ROM set.
if(NOT QUILLOMARK_SANITIZE)
  add_executable(quillomark-wine-check ${CMAKE_CURRENT_LIST_DIR}/wine_check.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/test_support.cpp)
  target_include_directories(quillomark-wine-check PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(quillomark-wine-check quillomark_core quillomark_headless_backend GTest::gtest)

  set(QUILLOMARK_WIN32_BUILD ${CMAKE_SOURCE_DIR}/build-win32 CACHE PATH "Cross build holding quillomark.exe")
  foreach(mode 320 640)
    add_test(NAME win32_wine_${mode}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine_test.sh ${mode} ${QUILLOMARK_WIN32_BUILD}
              $<TARGET_FILE:quillomark-headless> $<TARGET_FILE:quillomark-wine-check>
              ${CMAKE_BINARY_DIR}/demo ${CMAKE_BINARY_DIR}/wine-test-${mode} ${CMAKE_BINARY_DIR}/wine-prefix)
    # The runs share one Wine prefix and its wineserver, so they take turns.
    set_tests_properties(win32_wine_${mode} PROPERTIES TIMEOUT 600 RESOURCE_LOCK quillomark_wine_prefix)
  endforeach()
endif()
