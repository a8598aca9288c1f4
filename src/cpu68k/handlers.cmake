# The opcode handler list and the explicit instantiations of the handler
# family are generated at build time from the pattern table: a small tool runs
# the expansion and sharing pass and writes one list row per handler class.
set(QUILLOMARK_HANDLER_SHARDS 8)
set(QUILLOMARK_HANDLER_DIR ${CMAKE_BINARY_DIR}/generated/cpu68k)

add_executable(quillomark-handler-gen
  ${CMAKE_SOURCE_DIR}/tools/handler_list_gen.cpp
  ${CMAKE_SOURCE_DIR}/src/cpu68k/decode_build.cpp
  ${CMAKE_SOURCE_DIR}/src/cpu68k/pattern_rows.cpp)
target_include_directories(quillomark-handler-gen PRIVATE ${CMAKE_SOURCE_DIR}/src)

set(QUILLOMARK_HANDLER_SOURCES ${QUILLOMARK_HANDLER_DIR}/handler_list.cpp)
math(EXPR last_shard "${QUILLOMARK_HANDLER_SHARDS} - 1")
foreach(shard RANGE ${last_shard})
  list(APPEND QUILLOMARK_HANDLER_SOURCES ${QUILLOMARK_HANDLER_DIR}/handler_shard_${shard}.cpp)
endforeach()

add_custom_command(
  OUTPUT ${QUILLOMARK_HANDLER_SOURCES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLOMARK_HANDLER_DIR}
  COMMAND quillomark-handler-gen ${QUILLOMARK_HANDLER_DIR} ${QUILLOMARK_HANDLER_SHARDS}
  DEPENDS quillomark-handler-gen
  COMMENT "Generating the opcode handler list"
  VERBATIM)

list(APPEND QUILLOMARK_GENERATED_SOURCES ${QUILLOMARK_HANDLER_SOURCES})
