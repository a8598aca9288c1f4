# The endings of a run, tried on the real programs from a shell, on ROM sets written by a small tool.
add_executable(quillomark-test-rom ${CMAKE_CURRENT_LIST_DIR}/../support/test_rom_main.cpp)
target_link_libraries(quillomark-test-rom quillomark_test_helpers)

set(ENDING_CASES signals hang disk warnings)
set(ENDING_DESKTOP)
if(TARGET quillomark_sdl2_backend)
  list(APPEND ENDING_CASES desktop)
  set(ENDING_DESKTOP $<TARGET_FILE:quillomark>)
endif()
foreach(ending ${ENDING_CASES})
  add_test(NAME endings_${ending}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/endings_test.sh ${ending} $<TARGET_FILE:quillomark-headless>
            $<TARGET_FILE:quillomark-test-rom> ${ENDING_DESKTOP})
  set_tests_properties(endings_${ending} PROPERTIES TIMEOUT 90 SKIP_RETURN_CODE 77
    ENVIRONMENT QUILLOMARK_BOARD_CONSTANTS=${QUILLOMARK_BOARD_CONSTANTS}.sh)
endforeach()
