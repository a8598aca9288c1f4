# The Win32 backend and the Windows program quillomark.exe: a console program
# on DirectDraw and the multimedia joystick services, linked statically so it
# needs no DLL beyond those of Windows itself.
file(GLOB WIN32_BACKEND_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_library(quillomark_win32_backend STATIC ${WIN32_BACKEND_SOURCES})
target_include_directories(quillomark_win32_backend PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(quillomark_win32_backend PUBLIC ddraw winmm gdi32 user32)

add_executable(quillomark src/app/desktop_main.cpp)
target_link_libraries(quillomark quillomark_core quillomark_win32_backend)
target_link_options(quillomark PRIVATE -static -static-libgcc -static-libstdc++ -mconsole)

# A test aid for the Wine tests: starts the program, posts key and close
# messages to its window and reports how it ended.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/win32/window_driver.cpp)
  add_executable(quillomark-window-driver ${CMAKE_SOURCE_DIR}/tests/win32/window_driver.cpp)
  target_link_libraries(quillomark-window-driver user32)
  target_link_options(quillomark-window-driver PRIVATE -static -static-libgcc -static-libstdc++ -mconsole)
endif()
