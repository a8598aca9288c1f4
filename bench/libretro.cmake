# The libretro core: a demo frame through retro_run and a state round trip through retro_serialize
# and retro_unserialize; `libretro_bench --frames N` for bench/paired_runs.sh against the headless
# program (bench/paired_runs.sh build/quillomark-headless build/bench/libretro_bench SET_COPY).
if(NOT TARGET quillomark_libretro OR NOT TARGET demo_roms)
  return()
endif()
add_executable(libretro_bench ${CMAKE_CURRENT_SOURCE_DIR}/libretro_frames.cpp)
target_include_directories(libretro_bench PRIVATE ${LIBRETRO_INCLUDE_DIR})
target_link_libraries(libretro_bench quillomark_core benchmark::benchmark ${CMAKE_DL_LIBS})
target_compile_definitions(libretro_bench PRIVATE QUILLOMARK_LIBRETRO="$<TARGET_FILE:quillomark_libretro>"
  QUILLOMARK_DEMO_DIR="${CMAKE_BINARY_DIR}/demo")
add_dependencies(libretro_bench quillomark_libretro demo_roms)
