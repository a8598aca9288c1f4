# The packages as a person gets them (label package: in ./run-tests.sh's full run, not in --quick): the
# .deb of scripts/build-deb.sh, built in a tree of its own with -j2 (ctest runs nothing beside it), and
# the zip of scripts/build-windows-zip.sh under Wine (which takes turns with the other Wine tests).
if(QUILLOMARK_SANITIZE OR NOT TARGET demo_roms)
  return()
endif()
if(TARGET quillomark)
  set(libretro_core $<IF:$<TARGET_EXISTS:quillomark_libretro>,YES,NO>)
  add_test(NAME package_deb COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/deb_test.sh ${CMAKE_SOURCE_DIR}
    ${CMAKE_BINARY_DIR}/package-deb ${CMAKE_SOURCE_DIR}/tests/demo "${QUILLOMARK_INSTALLED_PROGRAMS}" ${QUILLOMARK_APP_ID}
    ${QUILLOMARK_ICON_NAME} "${QUILLOMARK_ICON_SIZES}" ${QUILLOMARK_VERSION} ${libretro_core})
  set_tests_properties(package_deb PROPERTIES TIMEOUT 2400 PROCESSORS 2 LABELS package
    ENVIRONMENT QUILLOMARK_BOARD_CONSTANTS=${QUILLOMARK_BOARD_CONSTANTS}.sh)
endif()
add_test(NAME package_windows_zip COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/zip_wine_test.sh ${CMAKE_SOURCE_DIR}
  ${CMAKE_BINARY_DIR} $<TARGET_FILE:quillomark-headless> $<TARGET_FILE:quillomark-wine-check>
  ${CMAKE_BINARY_DIR}/package-zip ${CMAKE_BINARY_DIR}/wine-prefix)
set_tests_properties(package_windows_zip PROPERTIES TIMEOUT 900 RESOURCE_LOCK quillomark_wine_prefix
  LABELS "package;wine" ENVIRONMENT QUILLOMARK_BOARD_CONSTANTS=${QUILLOMARK_BOARD_CONSTANTS}.sh)
