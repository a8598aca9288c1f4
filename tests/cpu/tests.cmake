# The 68000 conformance run over the single-instruction vectors. The folder is
# QUILLOMARK_M68K_TESTS when set (read when the test runs), otherwise the cache
# variable QUILLOMARK_M68K_TESTS_DIR; a missing folder fails the test, it is never skipped.
# The second run dispatches through the browser build's switch, built natively.
foreach(way table switch)
  set(name cpu_conformance)
  set(flag)
  if(way STREQUAL "switch")
    set(name cpu_conformance_switch)
    set(flag --switch)
  endif()
  add_test(NAME ${name}
    COMMAND sh -c "ulimit -f 200000; exec \"$0\" \"\${QUILLOMARK_M68K_TESTS:-$1}\" $2"
            $<TARGET_FILE:quillomark-conformance> ${QUILLOMARK_M68K_TESTS_DIR} "${flag}")
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endforeach()

# The disassembler's tests run quillomark-disasm; the hostile-file test runs it and quillomark-pack.
add_dependencies(quillomark_tests quillomark-disasm quillomark-inspect quillomark-pack)
target_compile_definitions(quillomark_tests PRIVATE QUILLOMARK_DISASM="$<TARGET_FILE:quillomark-disasm>"
  QUILLOMARK_INSPECT="$<TARGET_FILE:quillomark-inspect>" QUILLOMARK_PACK="$<TARGET_FILE:quillomark-pack>")

# The listings of the demo's and the starter program's ELF files assembled again: the same bytes,
# and every function on its own line.
if(TARGET demo_roms AND TARGET hello_roms)
  add_test(NAME disasm_elf_round_trip
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/disasm_elf_round_trip.sh $<TARGET_FILE:quillomark-disasm>
            ${CMAKE_BINARY_DIR}/disasm-runs ${CMAKE_SOURCE_DIR}/examples/hello/hello.ld
            ${CMAKE_BINARY_DIR}/demo-build/demo.elf
            ${CMAKE_BINARY_DIR}/examples/hello-build/hello.elf)
  set_tests_properties(disasm_elf_round_trip PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
endif()
