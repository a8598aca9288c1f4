# The browser page (scripts/build-web.sh makes it) in headless Chromium against quillomark-headless;
# label web, run by ./run-tests.sh after the Wine tests, left out of --quick.
if(QUILLOMARK_SANITIZE OR NOT TARGET demo_roms)
  return()
endif()
set(QUILLOMARK_WEB_PAGE ${CMAKE_SOURCE_DIR}/build/web CACHE PATH "The browser page the web tests open")
find_package(Python3 REQUIRED COMPONENTS Interpreter)
foreach(case frames keys files)
  add_test(NAME web_${case}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/web_test.py ${case} ${QUILLOMARK_WEB_PAGE}
            $<TARGET_FILE:quillomark-headless> ${CMAKE_BINARY_DIR}/demo ${CMAKE_CURRENT_LIST_DIR}/../demo/player.keys
            ${CMAKE_BINARY_DIR}/web-tests)
  set_tests_properties(web_${case} PROPERTIES TIMEOUT 180 LABELS web)
endforeach()
# The debug panel on the starter program with a planted wrong sprite entry and map cell, its ELF dropped.
if(TARGET hello_roms)
  add_test(NAME web_panel
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/web_test.py panel ${QUILLOMARK_WEB_PAGE}
            $<TARGET_FILE:quillomark-headless> ${CMAKE_BINARY_DIR}/demo ${CMAKE_CURRENT_LIST_DIR}/../demo/player.keys
            ${CMAKE_BINARY_DIR}/web-tests ${CMAKE_BINARY_DIR}/examples/hello ${CMAKE_BINARY_DIR}/examples/hello-build/hello.elf)
  set_tests_properties(web_panel PROPERTIES TIMEOUT 180 LABELS web)
endif()
