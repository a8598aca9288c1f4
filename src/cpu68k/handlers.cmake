# The opcode handler list and the explicit instantiations of the handler
# family are generated at build time from the pattern table: a small tool runs
# the expansion and sharing pass and writes one list row per handler class.
set(QUILLOMARK_HANDLER_SHARDS 8)
set(QUILLOMARK_HANDLER_DIR ${CMAKE_BINARY_DIR}/generated/cpu68k)

# A cross build cannot run what it compiles: it runs the generator of a
# native build instead, named by QUILLOMARK_NATIVE_GENERATOR.
if(CMAKE_CROSSCOMPILING)
  set(QUILLOMARK_NATIVE_GENERATOR "" CACHE FILEPATH "quillomark-handler-gen of a native build")
  if(NOT EXISTS "${QUILLOMARK_NATIVE_GENERATOR}")
    message(FATAL_ERROR "Cross build: set QUILLOMARK_NATIVE_GENERATOR to a native quillomark-handler-gen")
  endif()
  set(QUILLOMARK_HANDLER_GEN ${QUILLOMARK_NATIVE_GENERATOR})
else()
  add_executable(quillomark-handler-gen
    ${CMAKE_SOURCE_DIR}/tools/handler_list_gen.cpp
    ${CMAKE_SOURCE_DIR}/src/cpu68k/decode_build.cpp
    ${CMAKE_SOURCE_DIR}/src/cpu68k/pattern_rows.cpp
    ${CMAKE_SOURCE_DIR}/src/files/file_read.cpp)
  target_include_directories(quillomark-handler-gen PRIVATE ${CMAKE_SOURCE_DIR}/src)
  set(QUILLOMARK_HANDLER_GEN quillomark-handler-gen)
endif()

set(QUILLOMARK_HANDLER_SOURCES ${QUILLOMARK_HANDLER_DIR}/handler_list.cpp)
# The switch over handler classes and the table of each opcode's class: the browser build's
# dispatch, and the conformance tool's second way (built beside the table there).
set(QUILLOMARK_SWITCH_SOURCES ${CMAKE_SOURCE_DIR}/src/cpu68k/op_switch.cpp)
math(EXPR last_shard "${QUILLOMARK_HANDLER_SHARDS} - 1")
foreach(shard RANGE ${last_shard})
  list(APPEND QUILLOMARK_HANDLER_SOURCES ${QUILLOMARK_HANDLER_DIR}/handler_shard_${shard}.cpp)
endforeach()

add_custom_command(
  OUTPUT ${QUILLOMARK_HANDLER_SOURCES} ${QUILLOMARK_HANDLER_DIR}/handler_classes.h
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLOMARK_HANDLER_DIR}
  COMMAND ${QUILLOMARK_HANDLER_GEN} ${QUILLOMARK_HANDLER_DIR} ${QUILLOMARK_HANDLER_SHARDS}
  DEPENDS ${QUILLOMARK_HANDLER_GEN}
  COMMENT "Generating the opcode handler list"
  VERBATIM)

# One target owns the rule. The core and the conformance build's copy of it
# both compile the generated files and both depend on this target, so the
# generator runs once, even in a parallel Makefile build. quillomark_core is
# defined after this file is included, hence the deferred call; tools.cmake
# adds the dependency of quillomark_test_bus.
add_custom_target(quillomark_handler_list DEPENDS ${QUILLOMARK_HANDLER_SOURCES}
  ${QUILLOMARK_HANDLER_DIR}/handler_classes.h)
cmake_language(DEFER CALL add_dependencies quillomark_core quillomark_handler_list)

list(APPEND QUILLOMARK_GENERATED_SOURCES ${QUILLOMARK_HANDLER_SOURCES})
