# The 68000 conformance tool runs the single-instruction vectors on the CPU
# core built a second time for a 16 MiB image addressed by the low 24 bits, through the dispatch
# table or (--switch) the browser build's switch.
set(QUILLOMARK_TEST_BUS_SOURCES
  ${CMAKE_SOURCE_DIR}/src/files/file_read.cpp
  ${CMAKE_SOURCE_DIR}/src/driver/memory.cpp
  ${CMAKE_SOURCE_DIR}/src/driver/sound_queue.cpp
  ${CMAKE_SOURCE_DIR}/src/driver/warnings.cpp)
file(GLOB cpu_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/cpu68k/*.cpp)
list(REMOVE_ITEM cpu_sources ${CMAKE_SOURCE_DIR}/src/cpu68k/op_switch.cpp)
list(APPEND QUILLOMARK_TEST_BUS_SOURCES ${cpu_sources} ${QUILLOMARK_HANDLER_SOURCES} ${QUILLOMARK_SWITCH_SOURCES})

add_library(quillomark_test_bus STATIC ${QUILLOMARK_TEST_BUS_SOURCES})
target_include_directories(quillomark_test_bus PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
target_compile_definitions(quillomark_test_bus PUBLIC QUILLOMARK_TEST_BUS)
add_dependencies(quillomark_test_bus quillomark_handler_list)

add_executable(quillomark-conformance ${CMAKE_SOURCE_DIR}/tools/conformance_main.cpp)
target_link_libraries(quillomark-conformance quillomark_test_bus)
# It includes the generated list of handler classes.
add_dependencies(quillomark-conformance quillomark_handler_list)
set_target_properties(quillomark-conformance PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The disassembler, from the same decode rows as the CPU.
add_executable(quillomark-disasm ${CMAKE_SOURCE_DIR}/tools/disasm_main.cpp)
target_link_libraries(quillomark-disasm quillomark_debug)
set_target_properties(quillomark-disasm PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The video inspector: sprite, layer and palette tables and pictures of a dump or a state, and a
# pal.bmp made for a program's colours.
add_executable(quillomark-inspect ${CMAKE_SOURCE_DIR}/tools/video_report_main.cpp)
target_link_libraries(quillomark-inspect quillomark_desktop quillomark_headless_backend)
set_target_properties(quillomark-inspect PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The build tools of programs for the board (docs/programming.md), installed beside the programs:
# the ROM-set packer and the check that a program holds only 68000 instructions. The check's
# version comes from the one version constant.
# It writes the set under temporary names with the file writing and the system's file calls.
add_executable(quillomark-pack ${CMAKE_SOURCE_DIR}/tools/rom_pack.cpp)
target_link_libraries(quillomark-pack quillomark_files)
set_target_properties(quillomark-pack PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(QUILLOMARK_CHECK_M68000 ${CMAKE_BINARY_DIR}/quillomark-check-m68000)
configure_file(${CMAKE_SOURCE_DIR}/tools/check-m68000.sh ${QUILLOMARK_CHECK_M68000} @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
