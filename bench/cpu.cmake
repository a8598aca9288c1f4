# CPU benchmarks: a CPU-bound 68000 program run by the program's frame loop beside
# the same computation in C, and the start-up table build.
add_executable(cpu_bench ${CMAKE_CURRENT_SOURCE_DIR}/cpu_program.cpp)
target_link_libraries(cpu_bench quillomark_test_helpers quillomark_desktop quillomark_headless_backend
  benchmark::benchmark benchmark::benchmark_main)
