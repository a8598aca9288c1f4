# The demo ROM set: an original program for the board, cross-compiled for the
# 68000 and packed into the six ROM files and pal.bmp in build/demo/.
# Its packer runs during the build, so a cross build leaves the demo to the native one.
if(CMAKE_CROSSCOMPILING)
  return()
endif()
find_program(M68K_GCC m68k-linux-gnu-gcc)
find_program(M68K_OBJCOPY m68k-linux-gnu-objcopy)
find_program(M68K_OBJDUMP m68k-linux-gnu-objdump)
if(NOT M68K_GCC OR NOT M68K_OBJCOPY OR NOT M68K_OBJDUMP)
  message(WARNING "m68k-linux-gnu cross tools not found (package gcc-m68k-linux-gnu): the demo ROM set is not built")
  return()
endif()

set(DEMO_SOURCE_DIR ${CMAKE_SOURCE_DIR}/demo)
set(DEMO_OUTPUT_DIR ${CMAKE_BINARY_DIR}/demo)
set(DEMO_WORK_DIR ${CMAKE_BINARY_DIR}/demo-build)
file(MAKE_DIRECTORY ${DEMO_OUTPUT_DIR} ${DEMO_WORK_DIR})

# Plain 68000 code, no host library, no jump tables inside the code (the
# instruction check reads every word of the code sections as an instruction).
set(DEMO_CFLAGS -m68000 -ffreestanding -nostdlib -O2 -fno-jump-tables
    -fno-tree-loop-distribute-patterns -Wall -Wextra -Werror)

file(GLOB DEMO_SOURCES CONFIGURE_DEPENDS ${DEMO_SOURCE_DIR}/src/*.c ${DEMO_SOURCE_DIR}/src/*.S)
set(DEMO_OBJECTS)
foreach(source ${DEMO_SOURCES})
  get_filename_component(name ${source} NAME)
  set(object ${DEMO_WORK_DIR}/${name}.o)
  add_custom_command(
    OUTPUT ${object}
    COMMAND ${M68K_GCC} ${DEMO_CFLAGS} -MD -MF ${object}.d -c ${source} -o ${object}
    DEPENDS ${source}
    DEPFILE ${object}.d
    COMMENT "Compiling demo/src/${name} for the 68000"
    VERBATIM)
  list(APPEND DEMO_OBJECTS ${object})
endforeach()

set(DEMO_ELF ${DEMO_WORK_DIR}/demo.elf)
add_custom_command(
  OUTPUT ${DEMO_ELF}
  COMMAND ${M68K_GCC} -m68000 -nostdlib -T ${DEMO_SOURCE_DIR}/demo.ld -Wl,--build-id=none
          -Wl,-Map=${DEMO_WORK_DIR}/demo.map -o ${DEMO_ELF} ${DEMO_OBJECTS}
  DEPENDS ${DEMO_OBJECTS} ${DEMO_SOURCE_DIR}/demo.ld
  COMMENT "Linking the demo program"
  VERBATIM)

# Any instruction or addressing mode of a later processor fails the build.
set(DEMO_CHECKED ${DEMO_WORK_DIR}/demo.checked)
add_custom_command(
  OUTPUT ${DEMO_CHECKED}
  COMMAND bash ${DEMO_SOURCE_DIR}/tools/check-m68000.sh ${M68K_OBJDUMP} ${DEMO_ELF} ${DEMO_CHECKED}
  DEPENDS ${DEMO_ELF} ${DEMO_SOURCE_DIR}/tools/check-m68000.sh
  COMMENT "Checking the demo holds only 68000 instructions"
  VERBATIM)

set(DEMO_IMAGE ${DEMO_WORK_DIR}/demo.img)
add_custom_command(
  OUTPUT ${DEMO_IMAGE}
  COMMAND ${M68K_OBJCOPY} -O binary --gap-fill 0xFF ${DEMO_ELF} ${DEMO_IMAGE}
  DEPENDS ${DEMO_ELF} ${DEMO_CHECKED}
  VERBATIM)

add_executable(demo_pack ${DEMO_SOURCE_DIR}/tools/demo_pack.cpp)

set(DEMO_FILES 18b_d02.bin 18c_d05.bin 17b_l.bin 17c_l.bin 17b_u.bin 17c_u.bin pal.bmp)
list(TRANSFORM DEMO_FILES PREPEND ${DEMO_OUTPUT_DIR}/ OUTPUT_VARIABLE DEMO_OUTPUTS)
add_custom_command(
  OUTPUT ${DEMO_OUTPUTS}
  COMMAND demo_pack ${DEMO_IMAGE} ${DEMO_OUTPUT_DIR}
  DEPENDS demo_pack ${DEMO_IMAGE}
  COMMENT "Packing the demo ROM set into build/demo"
  VERBATIM)
add_custom_target(demo_roms ALL DEPENDS ${DEMO_OUTPUTS})
