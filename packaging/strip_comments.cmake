# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged files, after CPACK_STRIP_FILES has stripped
# them: the compiler's .comment and .note sections go too, as Debian's dh_strip removes them.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file ${staged})
  if(IS_SYMLINK ${file})
    continue()
  endif()
  file(READ ${file} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46") # ELF
    execute_process(COMMAND ${CPACK_QUILLOMARK_STRIP} --remove-section=.comment --remove-section=.note ${file}
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
