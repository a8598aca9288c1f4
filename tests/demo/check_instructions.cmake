# The build's instruction check (quillomark-check-m68000), tried on small
# programs: each later-processor instruction or addressing mode below must be
# refused, the plain 68000 ones accepted, and so must the demo program itself.
#   cmake -DASSEMBLER=m68k-linux-gnu-gcc -DOBJDUMP=... -DCHECKER=quillomark-check-m68000 -DPROGRAM=demo.elf
#         -DSCRATCH=dir -P check_instructions.cmake
foreach(var ASSEMBLER OBJDUMP CHECKER PROGRAM SCRATCH)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_instructions.cmake needs -D${var}=...")
  endif()
endforeach()

# "expected|instruction": refuse or accept.
set(CASES
  "refuse|bsr.l target"
  "refuse|bra.l target"
  "refuse|bne.l target"
  "refuse|muls.l %d1,%d0"
  "refuse|divu.l %d1,%d0"
  "refuse|divs.l %d1,%d2:%d0"
  "refuse|extb.l %d0"
  "refuse|bfextu %d0{#1:#4},%d1"
  "refuse|move.w (%a0,%d0.w*2),%d1"
  "refuse|move.l ([8,%a0]),%d0"
  "refuse|move.w (300,%a0,%d0.w),%d1"
  "refuse|move.w (-300,%a0,%d0.w),%d1"
  "refuse|move.w (100000,%a0),%d0"
  "refuse|tst.w %a0"
  "refuse|move.w %ccr,%d0"
  "refuse|rtd #4"
  "refuse|movec %vbr,%d0"
  "refuse|link.l %a6,#-8"
  "refuse|chk2.l (%a0),%d0"
  "refuse|cas.w %d0,%d1,(%a0)"
  "refuse|trapeq"
  "refuse|.short 0x6aff, 0x0000, 0x0010"
  "accept|moveq #1,%d0"
  "accept|bsr.w target"
  "accept|bra.s target"
  "accept|jsr target"
  "accept|mulu.w %d1,%d0"
  "accept|divs.w %d1,%d0"
  "accept|ext.l %d0"
  "accept|link %a6,#-8"
  "accept|move.w (8,%a0,%d0.w),%d1"
  "accept|move.w (-128,%a0,%a1.l),%d1"
  "accept|move.w (127,%a0,%d0.l),%d1"
  "accept|move.w (-32768,%a0),%d1"
  "accept|move.w (32767,%a0),%d1"
  "accept|move.w %sr,%d0"
  "accept|move.w %d0,%ccr"
  "accept|tst.l (%a0)"
  "accept|cmp.l %a1,%a0"
)

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
set(failures "")
set(index 0)
foreach(case ${CASES})
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 expected)
  list(GET case 1 instruction)
  math(EXPR index "${index} + 1")
  set(source ${SCRATCH}/case${index}.S)
  file(WRITE ${source} "target: nop\n ${instruction}\n nop\n")
  execute_process(COMMAND ${ASSEMBLER} -m68020 -c ${source} -o ${SCRATCH}/case${index}.o
                  RESULT_VARIABLE assembled ERROR_VARIABLE assembler_errors TIMEOUT 30)
  if(NOT assembled EQUAL 0)
    string(APPEND failures "'${instruction}' does not assemble: ${assembler_errors}\n")
    continue()
  endif()
  execute_process(COMMAND ${CHECKER} --objdump ${OBJDUMP} ${SCRATCH}/case${index}.o
                  RESULT_VARIABLE checked OUTPUT_QUIET ERROR_QUIET TIMEOUT 30)
  if(expected STREQUAL "refuse" AND checked EQUAL 0)
    string(APPEND failures "'${instruction}' was accepted\n")
  elseif(expected STREQUAL "accept" AND NOT checked EQUAL 0)
    string(APPEND failures "'${instruction}' was refused\n")
  endif()
endforeach()

execute_process(COMMAND ${CHECKER} --objdump ${OBJDUMP} --stamp ${SCRATCH}/program.checked ${PROGRAM}
                RESULT_VARIABLE checked ERROR_VARIABLE checker_errors TIMEOUT 60)
if(NOT checked EQUAL 0 OR NOT EXISTS ${SCRATCH}/program.checked)
  string(APPEND failures "the demo program was refused:\n${checker_errors}\n")
endif()

if(failures)
  message(FATAL_ERROR "instruction check:\n${failures}")
endif()
