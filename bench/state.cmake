# Save-state benchmarks: writing and loading a whole state file, and rewind.
add_executable(state_bench ${CMAKE_CURRENT_SOURCE_DIR}/save_state.cpp)
target_link_libraries(state_bench quillomark_test_helpers quillomark_desktop quillomark_headless_backend
  benchmark::benchmark benchmark::benchmark_main)
# Rewind after a pass of the demo game, where the demo set is built.
if(TARGET demo_roms)
  target_compile_definitions(state_bench PRIVATE QUILLOMARK_DEMO_DIR="${CMAKE_BINARY_DIR}/demo")
  add_dependencies(state_bench demo_roms)
endif()
