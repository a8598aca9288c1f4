# The SDL2 backend's tests: their own binary, linked with the SDL2 backend in
# place of the headless one, run on SDL's dummy video driver.
if(TARGET quillomark_sdl2_backend)
  file(GLOB SDL2_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_tests.cpp)
  add_executable(quillomark_sdl2_tests ${SDL2_TEST_SOURCES} ${CMAKE_CURRENT_LIST_DIR}/sdl2_test_support.cpp)
  target_link_libraries(quillomark_sdl2_tests quillomark_core quillomark_sdl2_backend quillomark_test_helpers
    GTest::gtest GTest::gtest_main)
  gtest_discover_tests(quillomark_sdl2_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 60 ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")

  # The real program under a virtual X display, fed keys by xdotool, on the demo ROM set.
  if(TARGET demo_roms)
    add_test(NAME sdl2_desktop_xvfb
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/desktop_xvfb_test.sh $<TARGET_FILE:quillomark> ${CMAKE_BINARY_DIR}/demo
              $<TARGET_FILE:quillomark-headless>)
    set_tests_properties(sdl2_desktop_xvfb PROPERTIES TIMEOUT 120)
  endif()
endif()
