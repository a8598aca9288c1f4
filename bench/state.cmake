# Save-state benchmarks: writing and loading a whole state file.
add_executable(state_bench ${CMAKE_CURRENT_SOURCE_DIR}/save_state.cpp)
target_link_libraries(state_bench quillomark_test_helpers quillomark_desktop quillomark_headless_backend
  benchmark::benchmark benchmark::benchmark_main)
