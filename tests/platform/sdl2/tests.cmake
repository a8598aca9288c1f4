# The SDL2 backend's tests: their own binary, linked with the SDL2 backend in
# place of the headless one, run on SDL's dummy video driver.
if(TARGET quillomark_sdl2_backend)
  file(GLOB SDL2_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_tests.cpp)
  add_executable(quillomark_sdl2_tests ${SDL2_TEST_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/sdl2_test_support.cpp)
  target_link_libraries(quillomark_sdl2_tests quillomark_core quillomark_sdl2_backend quillomark_test_helpers
    GTest::gtest GTest::gtest_main)
  gtest_discover_tests(quillomark_sdl2_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 60 ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;${QUILLOMARK_TEST_ENVIRONMENT}")

  # The real program under a virtual X display, fed keys by xdotool, on the demo ROM set.
  if(TARGET demo_roms)
    add_test(NAME sdl2_desktop_xvfb
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/desktop_xvfb_test.sh $<TARGET_FILE:quillomark> ${CMAKE_BINARY_DIR}/demo
              $<TARGET_FILE:quillomark-headless>)
    set_tests_properties(sdl2_desktop_xvfb PROPERTIES TIMEOUT 120
      ENVIRONMENT QUILLOMARK_BOARD_CONSTANTS=${QUILLOMARK_BOARD_CONSTANTS}.sh)
    # The views window beside the game's, under a window manager.
    add_test(NAME sdl2_views_xvfb
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/views_xvfb_test.sh $<TARGET_FILE:quillomark> ${CMAKE_BINARY_DIR}/demo
              $<TARGET_FILE:quillomark-headless>)
    set_tests_properties(sdl2_views_xvfb PROPERTIES TIMEOUT 180
      ENVIRONMENT QUILLOMARK_BOARD_CONSTANTS=${QUILLOMARK_BOARD_CONSTANTS}.sh)
  endif()
endif()

# Without SDL2 the configure stops, naming the package, unless a headless-only build is asked for.
add_test(NAME build_without_sdl2 COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/build_without_sdl2_test.sh ${CMAKE_SOURCE_DIR})
set_tests_properties(build_without_sdl2 PROPERTIES TIMEOUT 60)
