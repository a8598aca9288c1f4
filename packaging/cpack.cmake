# The Debian package, made by CPack's DEB generator from the install rules (scripts/build-deb.sh
# configures with -DQUILLOMARK_PACKAGE=ON and a /usr prefix, then runs cpack). Included by
# packaging/install.cmake.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillomark)
set(CPACK_PACKAGE_VENDOR "The Quillomark authors")
set(CPACK_PACKAGE_CONTACT "The Quillomark authors <team@quillomark.example>")
set(CPACK_PACKAGE_VERSION ${QUILLOMARK_VERSION})
set(CPACK_DEBIAN_PACKAGE_VERSION ${QUILLOMARK_VERSION})
# The Debian revision: a package of the upstream version, not a native package.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "emulator of one 68000 arcade board, with its demo")
# The extended description (CPack puts the summary before it): lines of at most 80 characters, a
# paragraph break ".".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillomark emulates one arcade board: a 68000 main CPU, two tile layers,
sprites with zoom, palette RAM, two input ports and a sound-command port. It
runs the board's program instruction by instruction and shows its picture full
screen (SDL2), played with the keyboard or a gamepad; quillomark-headless runs
it without a window, with scripted input and picture digests.
.
The package holds an original demo program for the board, which the menu
entry starts, and for programmers a guide to the board, a starter program in C
and tools to pack, check, disassemble and inspect programs for it.")
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://quillomark.example/)
# Depends comes from the libraries the programs link (dpkg-shlibdeps); the board's cross tools are
# what programs for it are built with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gcc-m68k-linux-gnu, binutils-m68k-linux-gnu")
set(CPACK_STRIP_FILES ON)
set(CPACK_QUILLOMARK_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/packaging/strip_comments.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

# The Debian changelog, dated with the release, and lintian's overrides (each explained there).
execute_process(COMMAND date -R -u -d "${QUILLOMARK_RELEASE_DATE} 12:00" OUTPUT_VARIABLE QUILLOMARK_CHANGELOG_DATE
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.Debian.in ${QUILLOMARK_GENERATED_FILES}/changelog.Debian @ONLY)
add_custom_command(
  OUTPUT ${QUILLOMARK_GENERATED_FILES}/changelog.Debian.gz
  COMMAND gzip -9nkf ${QUILLOMARK_GENERATED_FILES}/changelog.Debian
  DEPENDS ${QUILLOMARK_GENERATED_FILES}/changelog.Debian
  VERBATIM)
add_custom_target(quillomark_changelog ALL DEPENDS ${QUILLOMARK_GENERATED_FILES}/changelog.Debian.gz)
install(FILES ${QUILLOMARK_GENERATED_FILES}/changelog.Debian.gz DESTINATION ${QUILLOMARK_DOC_DIR})
# The libretro core's, only when it is built: an override nothing matches is itself reported.
set(overrides ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides)
if(TARGET quillomark_libretro)
  list(APPEND overrides ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides-libretro)
endif()
set(QUILLOMARK_LINTIAN_OVERRIDES ${QUILLOMARK_GENERATED_FILES}/lintian-overrides)
file(WRITE ${QUILLOMARK_LINTIAN_OVERRIDES} "")
foreach(source ${overrides})
  file(READ ${source} text)
  file(APPEND ${QUILLOMARK_LINTIAN_OVERRIDES} "${text}")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${overrides})
install(FILES ${QUILLOMARK_LINTIAN_OVERRIDES} DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quillomark)

include(CPack)
