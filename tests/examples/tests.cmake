# The starter program runs and draws (its pictures against references kept here), and the build
# tools a programmer runs answer --help and refuse what they cannot use.
if(NOT TARGET hello_roms OR NOT COMMAND add_demo_run)
  return()
endif()
set(EXAMPLES_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
# The embedding test loads the starter program's set after the demo's.
target_compile_definitions(quillomark_tests PRIVATE QUILLOMARK_HELLO_DIR="${CMAKE_BINARY_DIR}/examples/hello")
add_dependencies(quillomark_tests hello_roms)

# ball.keys moves the ball; it stays still until then, and the first press of Right only arms it.
add_demo_run(ball 120 PROGRAM hello ROM_DIR ${CMAKE_BINARY_DIR}/examples/hello TEST_DIR ${EXAMPLES_TEST_DIR}
             PASSES 1 11 40 60 76 120 SNAPSHOT ball.bmp SAME 1=10 62=75)

add_test(NAME examples_build_tools
  COMMAND ${CMAKE_COMMAND}
    -DPACK=$<TARGET_FILE:quillomark-pack> -DCHECK=${QUILLOMARK_CHECK_M68000} -DOBJDUMP=${M68K_OBJDUMP}
    -DPROGRAM=${CMAKE_BINARY_DIR}/examples/hello-build/hello.elf
    -DSCRATCH=${CMAKE_BINARY_DIR}/hello-runs/build-tools
    -P ${EXAMPLES_TEST_DIR}/build_tools.cmake)
set_tests_properties(examples_build_tools PROPERTIES TIMEOUT 60)

# gdb-multiarch against the starter program through --gdb (a few seconds).
add_test(NAME examples_gdb
  COMMAND bash ${EXAMPLES_TEST_DIR}/gdb_test.sh $<TARGET_FILE:quillomark-headless>
          ${CMAKE_BINARY_DIR}/examples/hello-build/hello.elf ${CMAKE_BINARY_DIR}/examples/hello
          ${CMAKE_BINARY_DIR}/hello-runs/gdb)
set_tests_properties(examples_gdb PROPERTIES TIMEOUT 120 LABELS gdb)
