# The SDL2 desktop backend and the quillomark program. Without SDL2 the configure stops: a
# quillomark that opens no window is never built (-DQUILLOMARK_HEADLESS_ONLY=ON builds none).
find_package(SDL2 CONFIG QUIET)
if(NOT TARGET SDL2::SDL2)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(SDL2_PKG QUIET IMPORTED_TARGET sdl2)
    if(SDL2_PKG_FOUND)
      add_library(SDL2::SDL2 ALIAS PkgConfig::SDL2_PKG)
    endif()
  endif()
endif()
if(NOT TARGET SDL2::SDL2)
  message(FATAL_ERROR "SDL2 not found: install the Debian package libsdl2-dev for the desktop program "
    "quillomark, or configure with -DQUILLOMARK_HEADLESS_ONLY=ON to build without it.")
endif()

file(GLOB SDL2_BACKEND_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/shared/*.cpp)
list(REMOVE_ITEM SDL2_BACKEND_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/shared/posix_files.cpp)
add_library(quillomark_sdl2_backend STATIC ${SDL2_BACKEND_SOURCES})
target_include_directories(quillomark_sdl2_backend PUBLIC ${CMAKE_SOURCE_DIR}/src)
# The backend calls back into the core to end the run when the display is lost.
target_link_libraries(quillomark_sdl2_backend PUBLIC SDL2::SDL2 quillomark_core quillomark_files)
find_package(X11 QUIET)
if(X11_FOUND)
  # A lost X display is caught through Xlib's error handlers.
  target_compile_definitions(quillomark_sdl2_backend PRIVATE QUILLOMARK_X11)
  target_link_libraries(quillomark_sdl2_backend PUBLIC X11::X11)
endif()

include(cmake/toml.cmake)
add_executable(quillomark src/app/desktop_main.cpp)
target_link_libraries(quillomark quillomark_program quillomark_settings quillomark_desktop quillomark_sdl2_backend)
