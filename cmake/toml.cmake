# The header-only TOML parser (toml++, Debian's libtomlplusplus-dev) that reads the desktop programs'
# settings. The Windows cross-compiler must not search the system's /usr/include, so it is given a
# folder of its own that holds the parser alone.
find_path(QUILLOMARK_TOML_DIR toml++/toml.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUILLOMARK_TOML_DIR)
  message(FATAL_ERROR "toml++ not found: install the Debian package libtomlplusplus-dev for the desktop "
    "program's settings, or configure with -DQUILLOMARK_HEADLESS_ONLY=ON to build without it.")
endif()
add_library(quillomark_settings STATIC ${CMAKE_SOURCE_DIR}/src/app/settings.cpp)
target_link_libraries(quillomark_settings PUBLIC quillomark_desktop)
if(CMAKE_CROSSCOMPILING)
  set(toml_include ${CMAKE_BINARY_DIR}/toml-include)
  file(MAKE_DIRECTORY ${toml_include})
  file(CREATE_LINK ${QUILLOMARK_TOML_DIR}/toml++ ${toml_include}/toml++ SYMBOLIC)
  target_include_directories(quillomark_settings SYSTEM PRIVATE ${toml_include})
endif()
