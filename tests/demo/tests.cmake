# End-to-end runs of the demo ROM set on quillomark-headless, the check that
# keeps later processors' instructions out of it, and its palette file.
if(NOT TARGET demo_roms)
  return()
endif()

set(DEMO_TEST_DIR ${CMAKE_CURRENT_LIST_DIR})
set(DEMO_RUNS_DIR ${CMAKE_BINARY_DIR}/demo-runs)

# The palette test in quillomark_tests reads build/demo/pal.bmp.
target_compile_definitions(quillomark_tests PRIVATE QUILLOMARK_DEMO_DIR="${CMAKE_BINARY_DIR}/demo")
add_dependencies(quillomark_tests demo_roms)

add_custom_target(demo_update_references)

# One scenario: tests/demo/NAME.keys driving FRAMES passes, its digests
# checked against tests/demo/NAME.digests. Options: PASSES (the passes whose
# digests are kept), SNAPSHOT (reference vortane.bmp), SOUND (last sound
# command, two hex digits), SAME (pass pairs a=b with equal pictures), DIGESTS
# (another scenario's references: this run must show the same pictures),
# FAST_FORWARD (passes go unpresented: only the presented ones are checked, and
# there must be fewer than FRAMES), UNTIL (the script ends the run after this
# pass: later references are not checked). Another program's runs (the examples) give PROGRAM
# (the ROM set target is PROGRAM_roms, the test PROGRAM_NAME), ROM_DIR and TEST_DIR.
function(add_demo_run name frames)
  cmake_parse_arguments(RUN "FAST_FORWARD" "SNAPSHOT;SOUND;DIGESTS;UNTIL;PROGRAM;ROM_DIR;TEST_DIR" "PASSES;SAME"
                        ${ARGN})
  if(NOT RUN_DIGESTS)
    set(RUN_DIGESTS ${name})
  endif()
  if(NOT RUN_PROGRAM)
    set(RUN_PROGRAM demo)
    set(RUN_ROM_DIR ${CMAKE_BINARY_DIR}/demo)
    set(RUN_TEST_DIR ${DEMO_TEST_DIR})
  endif()
  set(args
      -DHEADLESS=$<TARGET_FILE:quillomark-headless>
      -DDEMO_DIR=${RUN_ROM_DIR}
      -DCONSTANTS=${QUILLOMARK_BOARD_CONSTANTS}.cmake
      -DSCRATCH=${CMAKE_BINARY_DIR}/${RUN_PROGRAM}-runs/${name}
      -DKEYS=${RUN_TEST_DIR}/${name}.keys
      -DFRAMES=${frames}
      -DEXPECTED=${RUN_TEST_DIR}/${RUN_DIGESTS}.digests)
  if(RUN_FAST_FORWARD)
    list(APPEND args -DFAST_FORWARD=1)
  endif()
  if(RUN_UNTIL)
    list(APPEND args -DUNTIL=${RUN_UNTIL})
  endif()
  if(RUN_SNAPSHOT)
    list(APPEND args -DSNAPSHOT=${RUN_TEST_DIR}/${RUN_SNAPSHOT})
  endif()
  if(RUN_SOUND)
    list(APPEND args -DSOUND=${RUN_SOUND})
  endif()
  if(RUN_SAME)
    string(REPLACE ";" "," same "${RUN_SAME}")
    list(APPEND args -DSAME=${same})
  endif()
  add_test(NAME ${RUN_PROGRAM}_${name} COMMAND ${CMAKE_COMMAND} ${args} -P ${DEMO_TEST_DIR}/run_demo.cmake)
  set_tests_properties(${RUN_PROGRAM}_${name} PROPERTIES TIMEOUT 120)

  # Regenerates the references (look at the pictures before committing them).
  string(REPLACE ";" "," passes "${RUN_PASSES}")
  add_custom_target(${RUN_PROGRAM}_update_${name}
    COMMAND ${CMAKE_COMMAND} ${args} -DUPDATE=1 -DPASSES=${passes} -P ${DEMO_TEST_DIR}/run_demo.cmake
    DEPENDS quillomark-headless ${RUN_PROGRAM}_roms board_constants
    VERBATIM)
  add_dependencies(demo_update_references ${RUN_PROGRAM}_update_${name})
endfunction()

add_demo_run(attract 300 PASSES 1 2 100 199 300 SNAPSHOT attract.bmp SOUND 40 SAME 201=1 250=50 300=100)
add_demo_run(player 300 PASSES 40 75 100 150 165 200 300 SOUND 01)
add_demo_run(switches 300 PASSES 60 100 140 160 190 230 300 SOUND 17)
# The attract run again, paused, stepped and resumed within passes, with the snapshot taken while
# "Paused" shows, and paused for good at pass 300, which never runs; then fast-forwarded: the same
# machine, fewer pictures presented.
add_demo_run(paused 300 DIGESTS attract SNAPSHOT attract.bmp SAME 201=1 250=50 UNTIL 299)
add_demo_run(fastforward 300 DIGESTS attract SOUND 40 FAST_FORWARD)

# run-demo.sh on the programs built here: an orderly end is success, start-up failures are not.
set(RUN_DEMO_DESKTOP)
if(TARGET quillomark)
  set(RUN_DEMO_DESKTOP $<TARGET_FILE:quillomark>)
endif()
add_test(NAME demo_run_demo_script
  COMMAND bash ${DEMO_TEST_DIR}/run_demo_script_test.sh ${CMAKE_SOURCE_DIR}/run-demo.sh
          $<TARGET_FILE:quillomark-headless> ${CMAKE_BINARY_DIR}/demo ${RUN_DEMO_DESKTOP})
set_tests_properties(demo_run_demo_script PROPERTIES TIMEOUT 180
  ENVIRONMENT QUILLOMARK_BOARD_CONSTANTS=${QUILLOMARK_BOARD_CONSTANTS}.sh)

# The instruction check must reject what a 68020 assembler makes of later
# processors' instructions, accept plain 68000 code, and accept the demo.
add_test(NAME demo_m68000_check
  COMMAND ${CMAKE_COMMAND}
    -DASSEMBLER=${M68K_GCC} -DOBJDUMP=${M68K_OBJDUMP}
    -DCHECKER=${QUILLOMARK_CHECK_M68000}
    -DPROGRAM=${CMAKE_BINARY_DIR}/demo-build/demo.elf
    -DSCRATCH=${DEMO_RUNS_DIR}/m68000-check
    -P ${DEMO_TEST_DIR}/check_instructions.cmake)
set_tests_properties(demo_m68000_check PROPERTIES TIMEOUT 120)
