# Programs for the board (the demo, the examples): C and 68000 assembly cross-compiled with
# Debian's m68k tools, checked by quillomark-check-m68000, turned into a binary image and packed by
# quillomark-pack into the six ROM files and pal.bmp. Without the cross tools they are not built;
# nor in a cross build, which cannot run its packer: the native build makes them.
include_guard(GLOBAL)

find_program(M68K_GCC m68k-linux-gnu-gcc)
find_program(M68K_OBJCOPY m68k-linux-gnu-objcopy)
find_program(M68K_OBJDUMP m68k-linux-gnu-objdump)
set(BOARD_PROGRAMS_BUILT ON)
# The files of a ROM set, as quillomark-pack writes them.
set(BOARD_SET_FILES 18b_d02.bin 18c_d05.bin 17b_l.bin 17c_l.bin 17b_u.bin 17c_u.bin pal.bmp)
if(CMAKE_CROSSCOMPILING)
  set(BOARD_PROGRAMS_BUILT OFF)
elseif(NOT M68K_GCC OR NOT M68K_OBJCOPY OR NOT M68K_OBJDUMP)
  set(BOARD_PROGRAMS_BUILT OFF)
  message(WARNING "m68k-linux-gnu cross tools not found (package gcc-m68k-linux-gnu): "
                  "the demo and the example ROM sets are not built")
endif()

# Plain 68000 code, no host library, no jump tables inside the code (the
# instruction check reads every word of the code sections as an instruction).
set(BOARD_CFLAGS -m68000 -ffreestanding -nostdlib -O2 -g -fno-jump-tables
    -fno-tree-loop-distribute-patterns -Wall -Wextra -Werror)

# add_board_program(NAME SOURCES files... LINKER_SCRIPT file WORK_DIR dir OUTPUT_DIR dir):
# objects, NAME.elf, NAME.map, the check's stamp and NAME.img in WORK_DIR; the ROM set and
# pal.bmp in OUTPUT_DIR; target NAME_roms (built by ALL) stands for the ROM set, its property
# ROM_SET_FILES lists the set's files.
function(add_board_program name)
  cmake_parse_arguments(PROGRAM "" "LINKER_SCRIPT;WORK_DIR;OUTPUT_DIR" "SOURCES" ${ARGN})
  file(MAKE_DIRECTORY ${PROGRAM_WORK_DIR} ${PROGRAM_OUTPUT_DIR})
  set(objects)
  foreach(source ${PROGRAM_SOURCES})
    file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${source})
    get_filename_component(file_name ${source} NAME)
    set(object ${PROGRAM_WORK_DIR}/${file_name}.o)
    add_custom_command(
      OUTPUT ${object}
      COMMAND ${M68K_GCC} ${BOARD_CFLAGS} -MD -MF ${object}.d -c ${source} -o ${object}
      DEPENDS ${source}
      DEPFILE ${object}.d
      COMMENT "Compiling ${shown} for the 68000"
      VERBATIM)
    list(APPEND objects ${object})
  endforeach()

  set(elf ${PROGRAM_WORK_DIR}/${name}.elf)
  add_custom_command(
    OUTPUT ${elf}
    COMMAND ${M68K_GCC} -m68000 -nostdlib -T ${PROGRAM_LINKER_SCRIPT} -Wl,--build-id=none
            -Wl,-Map=${PROGRAM_WORK_DIR}/${name}.map -o ${elf} ${objects}
    DEPENDS ${objects} ${PROGRAM_LINKER_SCRIPT}
    COMMENT "Linking the ${name} program"
    VERBATIM)

  # Any instruction or addressing mode of a later processor fails the build.
  set(checked ${PROGRAM_WORK_DIR}/${name}.checked)
  add_custom_command(
    OUTPUT ${checked}
    COMMAND ${QUILLOMARK_CHECK_M68000} --objdump ${M68K_OBJDUMP} --stamp ${checked} ${elf}
    DEPENDS ${elf} ${QUILLOMARK_CHECK_M68000}
    COMMENT "Checking the ${name} program holds only 68000 instructions"
    VERBATIM)

  set(image ${PROGRAM_WORK_DIR}/${name}.img)
  add_custom_command(
    OUTPUT ${image}
    COMMAND ${M68K_OBJCOPY} -O binary --gap-fill 0xFF ${elf} ${image}
    DEPENDS ${elf} ${checked}
    VERBATIM)

  list(TRANSFORM BOARD_SET_FILES PREPEND ${PROGRAM_OUTPUT_DIR}/ OUTPUT_VARIABLE outputs)
  file(RELATIVE_PATH shown ${CMAKE_BINARY_DIR} ${PROGRAM_OUTPUT_DIR})
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND quillomark-pack ${image} ${PROGRAM_OUTPUT_DIR}
    DEPENDS quillomark-pack ${image}
    COMMENT "Packing the ${name} ROM set into ${shown}"
    VERBATIM)
  add_custom_target(${name}_roms ALL DEPENDS ${outputs})
  # The files of the set, for whoever installs or packs it.
  set_target_properties(${name}_roms PROPERTIES ROM_SET_FILES "${outputs}")
endfunction()
