# The Win32 backend and the Windows program quillomark.exe: a console program
# on DirectDraw and the multimedia joystick services, linked statically so it
# needs no DLL beyond those of Windows itself.
file(GLOB WIN32_BACKEND_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
list(REMOVE_ITEM WIN32_BACKEND_SOURCES ${CMAKE_CURRENT_LIST_DIR}/win32_files.cpp)
# The present pacer and the picture fit are the desktop backends' shared ones.
list(APPEND WIN32_BACKEND_SOURCES ${CMAKE_SOURCE_DIR}/src/platform/shared/present_pacer.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/shared/picture_fit.cpp)
add_library(quillomark_win32_backend STATIC ${WIN32_BACKEND_SOURCES})
target_include_directories(quillomark_win32_backend PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quillomark_win32_backend PUBLIC quillomark_core quillomark_files ddraw winmm gdi32 user32)

include(cmake/toml.cmake)
add_executable(quillomark src/app/desktop_main.cpp)
target_link_libraries(quillomark quillomark_program quillomark_settings quillomark_desktop quillomark_win32_backend)
# Console programs linked with no DLL beyond Windows' own (the Wine tests' window driver too).
set(QUILLOMARK_WIN32_LINK_OPTIONS -static -static-libgcc -static-libstdc++ -mconsole)
target_link_options(quillomark PRIVATE ${QUILLOMARK_WIN32_LINK_OPTIONS})

