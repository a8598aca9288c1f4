# The SDL2 desktop backend and the real quillomark program. Without SDL2 the
# headless stand-in defined by the top level stays.
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

if(TARGET SDL2::SDL2)
  file(GLOB SDL2_BACKEND_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  add_library(quillomark_sdl2_backend STATIC ${SDL2_BACKEND_SOURCES})
  target_include_directories(quillomark_sdl2_backend PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(quillomark_sdl2_backend PUBLIC SDL2::SDL2)

  add_executable(quillomark src/app/desktop_main.cpp)
  target_link_libraries(quillomark quillomark_core quillomark_sdl2_backend)
else()
  message(STATUS "SDL2 not found: quillomark is built on the headless backend")
endif()
