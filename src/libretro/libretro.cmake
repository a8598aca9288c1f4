# quillomark_libretro.so: the board as a libretro core for RetroArch and other front ends. The core's
# sources (and the headless backend's, whose platform functions they reference but the embedding
# path never calls) are compiled a second time, position-independent and hidden, so the static
# library the executables link keeps its speed; only the retro_* entry points are exported.
find_path(LIBRETRO_INCLUDE_DIR libretro.h PATHS /usr/include/libretro-common NO_CACHE)
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(LIBZIP QUIET IMPORTED_TARGET libzip)
endif()
if(NOT LIBRETRO_INCLUDE_DIR OR NOT LIBZIP_FOUND)
  message(STATUS "The libretro core is not built: it needs libretro.h (Debian package retroarch-dev) "
    "and libzip (libzip-dev).")
  return()
endif()

file(GLOB LIBRETRO_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_library(quillomark_libretro MODULE ${LIBRETRO_SOURCES} ${QUILLOMARK_CORE_SOURCES}
  ${QUILLOMARK_GENERATED_SOURCES} ${CMAKE_SOURCE_DIR}/src/files/file_read.cpp)
add_dependencies(quillomark_libretro quillomark_handler_list)
target_include_directories(quillomark_libretro PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated
  ${LIBRETRO_INCLUDE_DIR})
set(LIBRETRO_EXPORTS ${CMAKE_CURRENT_LIST_DIR}/libretro.map)
target_link_options(quillomark_libretro PRIVATE -Wl,--no-undefined -Wl,--version-script=${LIBRETRO_EXPORTS})
target_link_libraries(quillomark_libretro PRIVATE PkgConfig::LIBZIP)
set_target_properties(quillomark_libretro PROPERTIES
  PREFIX ""
  OUTPUT_NAME quillomark_libretro
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  POSITION_INDEPENDENT_CODE ON
  INTERPROCEDURAL_OPTIMIZATION ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${LIBRETRO_EXPORTS})
# The .info file beside the core: the version (tools.cmake reads it) and the extensions come from
# the sources.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/libretro_core.h extensions_line REGEX "LIBRETRO_EXTENSIONS\\[\\] =")
string(REGEX MATCH "\"[^\"]*\"" LIBRETRO_EXTENSIONS "${extensions_line}")
string(REPLACE "\"" "" LIBRETRO_EXTENSIONS "${LIBRETRO_EXTENSIONS}")
set(QUILLOMARK_LIBRETRO_INFO ${CMAKE_BINARY_DIR}/quillomark_libretro.info)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillomark_libretro.info.in ${QUILLOMARK_LIBRETRO_INFO} @ONLY)

# Debian's RetroArch reads cores from LIBDIR/libretro and .info files from share/libretro/info.
include(GNUInstallDirs)
install(TARGETS quillomark_libretro LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/libretro)
install(FILES ${QUILLOMARK_LIBRETRO_INFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/libretro/info)
