# The Windows zip (target windows_zip, run by scripts/build-windows-zip.sh): one folder holding
# quillomark.exe of the Windows build (scripts/build-windows.sh) with the demo ROM set beside it, so
# that a double click runs the demo, a README for Windows users and the licence, both with Windows
# line ends.
if(WIN32 OR NOT TARGET demo_roms)
  return()
endif()

set(QUILLOMARK_WINDOWS_ZIP_FOLDER quillomark-${QUILLOMARK_VERSION}-windows)
set(QUILLOMARK_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/${QUILLOMARK_WINDOWS_ZIP_FOLDER}.zip)
set(stage ${CMAKE_BINARY_DIR}/windows-zip)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt ${stage}/text/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${stage}/text/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
get_target_property(demo_files demo_roms ROM_SET_FILES)
add_custom_target(windows_zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}/${QUILLOMARK_WINDOWS_ZIP_FOLDER} ${QUILLOMARK_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/${QUILLOMARK_WINDOWS_ZIP_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLOMARK_WIN32_BUILD}/quillomark.exe ${demo_files} ${stage}/text/README.txt
          ${stage}/text/LICENSE.txt ${stage}/${QUILLOMARK_WINDOWS_ZIP_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E chdir ${stage} ${CMAKE_COMMAND} -E tar cf ${QUILLOMARK_WINDOWS_ZIP} --format=zip
          ${QUILLOMARK_WINDOWS_ZIP_FOLDER}
  DEPENDS demo_roms
  BYPRODUCTS ${QUILLOMARK_WINDOWS_ZIP}
  COMMENT "Zipping quillomark.exe, the demo, README.txt and LICENSE.txt into ${QUILLOMARK_WINDOWS_ZIP}"
  VERBATIM)
