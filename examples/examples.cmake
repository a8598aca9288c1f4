# The starter programs of examples/ (see docs/programming.md), built like the demo: each folder's
# C and assembly sources with its linker script NAME.ld, into build/examples/NAME/.
include(${CMAKE_SOURCE_DIR}/cmake/board_program.cmake)
if(NOT BOARD_PROGRAMS_BUILT)
  return()
endif()

foreach(name hello)
  set(folder ${CMAKE_SOURCE_DIR}/examples/${name})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.c ${folder}/*.S)
  add_board_program(${name} SOURCES ${sources} LINKER_SCRIPT ${folder}/${name}.ld
                    WORK_DIR ${CMAKE_BINARY_DIR}/examples/${name}-build OUTPUT_DIR ${CMAKE_BINARY_DIR}/examples/${name})
endforeach()
