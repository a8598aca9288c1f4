# SDL2 backend benchmarks: the picture's way from the 8-bit back buffer to the screen.
if(TARGET quillomark_sdl2_backend)
  add_executable(sdl2_bench ${CMAKE_CURRENT_SOURCE_DIR}/sdl2_present.cpp)
  target_link_libraries(sdl2_bench "$<LINK_GROUP:RESCAN,quillomark_core,quillomark_sdl2_backend>"
    benchmark::benchmark benchmark::benchmark_main)
endif()
