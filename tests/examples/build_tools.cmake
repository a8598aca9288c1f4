# quillomark-pack and quillomark-check-m68000 as a programmer meets them: --help prints the usage on
# standard output; the packer lays an image's bytes into the six files; bad inputs are refused
# with exit code 2 and a message naming what is wrong; the starter program passes the check.
#   cmake -DPACK=... -DCHECK=... -DOBJDUMP=... -DPROGRAM=hello.elf -DSCRATCH=dir -P build_tools.cmake
foreach(var PACK CHECK OBJDUMP PROGRAM SCRATCH)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build_tools.cmake needs -D${var}=...")
  endif()
endforeach()
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
set(failures "")

# expect(CODE MESSAGE command...): the exit code, and MESSAGE at the start of standard error
# (or, for code 0, of standard output).
function(expect code message)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${SCRATCH} RESULT_VARIABLE got OUTPUT_VARIABLE out
                  ERROR_VARIABLE err TIMEOUT 30)
  set(text "${err}")
  if(code EQUAL 0)
    set(text "${out}")
  endif()
  string(FIND "${text}" "${message}" at)
  if(NOT got STREQUAL code OR NOT at EQUAL 0)
    set(failures "${failures}'${ARGN}': exit ${got} (expected ${code}), output '${out}', errors '${err}'\n"
        PARENT_SCOPE)
  endif()
endfunction()

expect(0 "usage: quillomark-pack " ${PACK} --help)
expect(0 "usage: quillomark-check-m68000 " ${CHECK} --help)
expect(0 "" ${CHECK} --objdump ${OBJDUMP} ${PROGRAM})

# Images: "AB" alone; a byte where no ROM file is loaded; one byte too many.
file(WRITE ${SCRATCH}/short.img "AB")
string(REPEAT "A" 131073 text) # 0x20001 bytes: 'A' at 0x20000
file(WRITE ${SCRATCH}/gap.img "${text}")
string(REPEAT "A" 524289 text) # 0x80001 bytes
file(WRITE ${SCRATCH}/long.img "${text}")

expect(2 "quillomark-pack: gap.img: byte 0x41 at 0x20000 lies where no ROM file is loaded" ${PACK} gap.img out)
expect(2 "quillomark-pack: long.img holds 524289 bytes: more than 0x80000" ${PACK} long.img out)
expect(2 "quillomark-pack: missing.img is not a readable file" ${PACK} missing.img out)
expect(2 "quillomark-pack: needs an IMAGE and a FOLDER" ${PACK} short.img)
expect(2 "quillomark-pack: unknown option --palette" ${PACK} --palette short.img out)
expect(2 "quillomark-check-m68000: short.img cannot be disassembled" ${CHECK} --objdump ${OBJDUMP} short.img)
expect(2 "quillomark-check-m68000: missing.elf is not a readable file" ${CHECK} missing.elf)
expect(2 "quillomark-check-m68000: ${PROGRAM} cannot be disassembled by /bin/true: it printed no section table"
       ${CHECK} --objdump /bin/true --stamp stamp ${PROGRAM})
# A copy whose .text lies past the end of the file: objdump says so on standard error and exits 0.
execute_process(COMMAND ${OBJDUMP} -h ${PROGRAM} OUTPUT_VARIABLE sections)
string(REGEX MATCH " ([0-9]+) \\.text " text_line "${sections}")
file(READ ${PROGRAM} section_table_at OFFSET 32 LIMIT 4 HEX) # e_shoff of the 32-bit big-endian ELF file
math(EXPR offset_field "0x${section_table_at} + 40 * (${CMAKE_MATCH_1} + 1) + 16") # that header's sh_offset
execute_process(COMMAND ${CMAKE_COMMAND} -E copy ${PROGRAM} ${SCRATCH}/damaged.elf)
execute_process(COMMAND printf "\\177\\377\\0\\0"
                COMMAND dd of=${SCRATCH}/damaged.elf bs=1 seek=${offset_field} conv=notrunc status=none)
expect(2 "quillomark-check-m68000: damaged.elf cannot be disassembled by ${OBJDUMP}: "
       ${CHECK} --objdump ${OBJDUMP} --stamp stamp damaged.elf)
if(EXISTS ${SCRATCH}/stamp)
  string(APPEND failures "a failed check touched its stamp\n")
endif()
expect(2 "quillomark-check-m68000: needs an OBJECT" ${CHECK})
if(EXISTS ${SCRATCH}/out)
  string(APPEND failures "a refused image left the folder out\n")
endif()

# Even bytes of the program region in 18b_d02.bin, odd ones in 18c_d05.bin, the rest 0xff; with
# --no-palette no pal.bmp.
expect(0 "" ${PACK} --no-palette short.img set)
foreach(check "18b_d02.bin;41ff" "18c_d05.bin;42ff" "17b_l.bin;ffff" "17c_u.bin;ffff")
  list(GET check 0 name)
  list(GET check 1 want)
  if(NOT EXISTS ${SCRATCH}/set/${name})
    string(APPEND failures "${name} was not written\n")
    continue()
  endif()
  file(SIZE ${SCRATCH}/set/${name} size)
  file(READ ${SCRATCH}/set/${name} start LIMIT 2 HEX)
  if(NOT size EQUAL 65536 OR NOT start STREQUAL want)
    string(APPEND failures "${name}: ${size} bytes starting ${start}, expected 65536 starting ${want}\n")
  endif()
endforeach()
if(EXISTS ${SCRATCH}/set/pal.bmp)
  string(APPEND failures "--no-palette wrote pal.bmp\n")
endif()

# A set that cannot be written whole is not written at all: the old files stay, no temporary is left.
file(MAKE_DIRECTORY ${SCRATCH}/set/pal.bmp)
file(WRITE ${SCRATCH}/other.img "CD")
expect(1 "quillomark-pack: cannot write set/pal.bmp: Is a directory" ${PACK} other.img set)
file(READ ${SCRATCH}/set/18b_d02.bin start LIMIT 2 HEX)
file(GLOB left ${SCRATCH}/set/*.tmp.*)
if(NOT start STREQUAL "41ff" OR left)
  string(APPEND failures "a failed pack changed the set: 18b_d02.bin starts ${start}; left: ${left}\n")
endif()

if(failures)
  message(FATAL_ERROR "build tools:\n${failures}")
endif()
