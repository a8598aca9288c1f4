# What `cmake --install` puts where (GNUInstallDirs): the programs and tools, the demo ROM set, the
# starter program's sources, the desktop entry, the icon, the AppStream metainfo, a man page for every
# program, the README, the programmer's guide and the copyright file. The libretro core installs
# itself. With QUILLOMARK_PACKAGE (scripts/build-deb.sh) the Debian changelog and lintian overrides
# come too, and packaging/cpack.cmake makes the .deb. The Windows build is zipped instead
# (scripts/build-windows-zip.sh).
if(WIN32)
  return()
endif()

# The desktop entry, metainfo and icon are named after the application's id (reverse DNS of the
# project's domain); the icon after the program.
set(QUILLOMARK_APP_ID example.quillomark.Quillomark)
set(QUILLOMARK_ICON_NAME quillomark)
set(QUILLOMARK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/quillomark)
set(QUILLOMARK_FULL_DOC_DIR ${CMAKE_INSTALL_FULL_DATADIR}/doc/quillomark)
set(QUILLOMARK_GENERATED_FILES ${CMAKE_BINARY_DIR}/packaging)
# The day the version QUILLOMARK_VERSION was released: the metainfo's release and the Debian changelog.
set(QUILLOMARK_RELEASE_DATE 2026-12-07)

# The programs and tools, each with the one-line description its man page carries.
set(QUILLOMARK_PROGRAM_DESCRIPTIONS
  "quillomark-headless=run the Quillomark arcade board emulator without a window"
  "quillomark-disasm=disassemble a Quillomark ROM set or a 68000 binary"
  "quillomark-pack=split a 68000 program image into a Quillomark ROM set"
  "quillomark-check-m68000=check that a program for the Quillomark board holds only 68000 instructions"
  "quillomark-inspect=show the sprites, layers and palette of a Quillomark dump or save state"
  "quillomark-conformance=run 68000 single-instruction test vectors on Quillomark's CPU core")
if(TARGET quillomark)
  list(PREPEND QUILLOMARK_PROGRAM_DESCRIPTIONS "quillomark=emulator of one 68000 arcade board, with its demo")
endif()
set(QUILLOMARK_INSTALLED_PROGRAMS)
foreach(entry ${QUILLOMARK_PROGRAM_DESCRIPTIONS})
  string(REGEX REPLACE "=.*" "" program "${entry}")
  list(APPEND QUILLOMARK_INSTALLED_PROGRAMS ${program})
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(PROGRAMS ${QUILLOMARK_CHECK_M68000} DESTINATION ${CMAKE_INSTALL_BINDIR})

# The demo ROM set in the data folder, where the desktop entry runs it; the starter program's sources
# as an example beside the guide that explains them.
if(TARGET demo_roms)
  get_target_property(demo_files demo_roms ROM_SET_FILES)
  install(FILES ${demo_files} DESTINATION ${QUILLOMARK_DEMO_INSTALL_DIR})
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/hello DESTINATION ${QUILLOMARK_DOC_DIR}/examples)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${QUILLOMARK_DOC_DIR})
# The guide keeps its place beside the README, so that the links between them and to the pictures hold.
install(FILES ${CMAKE_SOURCE_DIR}/docs/programming.md DESTINATION ${QUILLOMARK_DOC_DIR}/docs)
file(GLOB doc_images ${CMAKE_SOURCE_DIR}/docs/images/*.png)
install(FILES ${doc_images} DESTINATION ${QUILLOMARK_DOC_DIR}/docs/images)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright DESTINATION ${QUILLOMARK_DOC_DIR})

# The desktop entry starts the installed demo; the metainfo describes the application for software
# centres, its release the one version.
configure_file(${CMAKE_SOURCE_DIR}/packaging/quillomark.desktop.in
  ${QUILLOMARK_GENERATED_FILES}/${QUILLOMARK_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/quillomark.metainfo.xml.in
  ${QUILLOMARK_GENERATED_FILES}/${QUILLOMARK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${QUILLOMARK_GENERATED_FILES}/${QUILLOMARK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUILLOMARK_GENERATED_FILES}/${QUILLOMARK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon, drawn by packaging/draw_icon.py at build time: PNGs at the usual sizes (its SIZES, which the
# package test checks) and an SVG.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/draw_icon.py sizes_line REGEX "^SIZES = ")
string(REGEX MATCHALL "[0-9]+" QUILLOMARK_ICON_SIZES "${sizes_line}")
find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  set(icons ${QUILLOMARK_GENERATED_FILES}/icons)
  add_custom_command(
    OUTPUT ${icons}/drawn
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${icons}/hicolor
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/packaging/draw_icon.py ${icons} ${QUILLOMARK_ICON_NAME}
    COMMAND ${CMAKE_COMMAND} -E touch ${icons}/drawn
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/draw_icon.py
    COMMENT "Drawing the icon"
    VERBATIM)
  add_custom_target(quillomark_icon ALL DEPENDS ${icons}/drawn)
  install(DIRECTORY ${icons}/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
elseif(QUILLOMARK_PACKAGE)
  message(FATAL_ERROR "The package needs python3 to draw the icon.")
else()
  message(STATUS "python3 not found: the icon is not drawn or installed.")
endif()

# A man page for every program, made by help2man from its --help and --version (seen through
# packaging/man/help2man_view.sh, which gives the usage lines help2man's form), with the sections of
# packaging/man/ added (the installed demo's folder filled in).
find_program(HELP2MAN help2man)
if(HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
  set(man ${QUILLOMARK_GENERATED_FILES}/man)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/man/emulator.h2m.in ${man}/emulator.h2m @ONLY)
  list(TRANSFORM QUILLOMARK_INSTALLED_PROGRAMS REPLACE "(.+)" ".BR \\1 (1)" OUTPUT_VARIABLE see_also)
  list(JOIN see_also ",\n" QUILLOMARK_MAN_SEE_ALSO)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/man/all.h2m.in ${man}/all.h2m @ONLY)
  set(pages)
  foreach(entry ${QUILLOMARK_PROGRAM_DESCRIPTIONS})
    string(REGEX REPLACE "=.*" "" program "${entry}")
    string(REGEX REPLACE "^[^=]*=" "" description "${entry}")
    if(TARGET ${program})
      set(executable $<TARGET_FILE:${program}>)
    else()
      set(executable ${QUILLOMARK_CHECK_M68000})
    endif()
    set(includes --include ${man}/all.h2m)
    set(keys_include)
    if(program STREQUAL "quillomark" OR program STREQUAL "quillomark-headless")
      list(APPEND includes --include ${man}/emulator.h2m)
    endif()
    if(program STREQUAL "quillomark")
      # The desktop program's keys, as its --help lists them.
      set(keys_include ${man}/${program}-keys.h2m)
      add_custom_command(OUTPUT ${keys_include}
        COMMAND sh ${CMAKE_SOURCE_DIR}/packaging/man/keys_h2m.sh ${executable} ${keys_include}
        DEPENDS ${executable} ${CMAKE_SOURCE_DIR}/packaging/man/keys_h2m.sh VERBATIM)
      list(APPEND includes --include ${keys_include})
    endif()
    add_custom_command(
      OUTPUT ${man}/${program}.1.gz
      COMMAND ${HELP2MAN} --no-info --name ${description} ${includes} --output ${man}/${program}.1
              "sh ${CMAKE_SOURCE_DIR}/packaging/man/help2man_view.sh ${executable}"
      COMMAND gzip -9nf ${man}/${program}.1
      DEPENDS ${executable} ${man}/all.h2m ${man}/emulator.h2m ${keys_include}
              ${CMAKE_SOURCE_DIR}/packaging/man/help2man_view.sh
      COMMENT "Writing the man page of ${program}"
      VERBATIM)
    list(APPEND pages ${man}/${program}.1.gz)
  endforeach()
  add_custom_target(quillomark_man_pages ALL DEPENDS ${pages})
  install(FILES ${pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
elseif(QUILLOMARK_PACKAGE)
  message(FATAL_ERROR "The package needs help2man (Debian package help2man) for the man pages.")
else()
  message(STATUS "help2man not found: the man pages are not made or installed.")
endif()

if(QUILLOMARK_PACKAGE)
  include(${CMAKE_SOURCE_DIR}/packaging/cpack.cmake)
endif()
