# Video benchmarks: frame composition on a busy and a static scene, the colour table.
add_executable(video_bench
  ${CMAKE_CURRENT_SOURCE_DIR}/video_compose.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/video_colour_table.cpp)
target_link_libraries(video_bench quillomark_test_helpers quillomark_desktop quillomark_headless_backend
  benchmark::benchmark benchmark::benchmark_main)
