# The demo ROM set: an original program for the board, cross-compiled for the
# 68000 and packed into the six ROM files and pal.bmp in build/demo/.
include(${CMAKE_SOURCE_DIR}/cmake/board_program.cmake)
if(NOT BOARD_PROGRAMS_BUILT)
  return()
endif()

file(GLOB DEMO_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/demo/src/*.c ${CMAKE_SOURCE_DIR}/demo/src/*.S)
add_board_program(demo SOURCES ${DEMO_SOURCES} LINKER_SCRIPT ${CMAKE_SOURCE_DIR}/demo/demo.ld
                  WORK_DIR ${CMAKE_BINARY_DIR}/demo-build OUTPUT_DIR ${CMAKE_BINARY_DIR}/demo)
