# The libretro core in a front end of the tests' own (quillomark_libretro_tests) and in Debian's
# RetroArch (label retroarch, left out of ./run-tests.sh --quick).
if(NOT TARGET quillomark_libretro OR NOT TARGET demo_roms)
  return()
endif()

add_executable(quillomark_libretro_tests ${CMAKE_CURRENT_LIST_DIR}/front_end_tests.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/test_support.cpp)
target_include_directories(quillomark_libretro_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${LIBRETRO_INCLUDE_DIR})
target_link_libraries(quillomark_libretro_tests quillomark_desktop quillomark_headless_backend quillomark_test_helpers
  PkgConfig::LIBZIP GTest::gtest GTest::gtest_main ${CMAKE_DL_LIBS})
target_compile_definitions(quillomark_libretro_tests PRIVATE
  QUILLOMARK_LIBRETRO="$<TARGET_FILE:quillomark_libretro>"
  QUILLOMARK_HEADLESS="$<TARGET_FILE:quillomark-headless>"
  QUILLOMARK_DEMO_DIR="${CMAKE_BINARY_DIR}/demo"
  QUILLOMARK_README="${CMAKE_SOURCE_DIR}/README.md")
add_dependencies(quillomark_libretro_tests quillomark_libretro demo_roms)
if(TARGET quillomark)
  target_compile_definitions(quillomark_libretro_tests PRIVATE QUILLOMARK_DESKTOP="$<TARGET_FILE:quillomark>")
endif()
gtest_discover_tests(quillomark_libretro_tests DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 120 ENVIRONMENT "${QUILLOMARK_TEST_ENVIRONMENT}")

# RetroArch runs: a screenshot, run-ahead, netplay. An instrumented core cannot be loaded into
# RetroArch, which is not: the sanitizer build leaves them out. Where no session bus runs (no
# DBUS_SESSION_BUS_ADDRESS), the script starts RetroArch under dbus-run-session.
if(QUILLOMARK_SANITIZE)
  return()
endif()
foreach(case picture runahead netplay)
  add_test(NAME retroarch_${case}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/retroarch_test.sh ${case} $<TARGET_FILE:quillomark_libretro>
            ${CMAKE_BINARY_DIR} $<TARGET_FILE:quillomark-headless> ${CMAKE_BINARY_DIR}/demo
            ${CMAKE_BINARY_DIR}/retroarch-runs/${case})
  set_tests_properties(retroarch_${case} PROPERTIES LABELS retroarch TIMEOUT 180)
endforeach()
