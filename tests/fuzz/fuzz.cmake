# The libFuzzer target quillomark_fuzz (tests/fuzz/fuzz_target.cpp): a configuration of its own,
#   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUILLOMARK_FUZZ=ON
# where the top level compiles every library with coverage and the sanitizers; this adds
# libFuzzer's driver (package libclang-rt-14-dev) to the one executable.
add_executable(quillomark_fuzz ${CMAKE_CURRENT_LIST_DIR}/fuzz_target.cpp)
target_link_libraries(quillomark_fuzz quillomark_desktop quillomark_headless_backend)
target_link_options(quillomark_fuzz PRIVATE -fsanitize=fuzzer)
if(TARGET quillomark_settings)
  # The desktop programs' settings reader.
  target_link_libraries(quillomark_fuzz quillomark_settings)
  target_compile_definitions(quillomark_fuzz PRIVATE QUILLOMARK_FUZZ_SETTINGS)
endif()
if(TARGET PkgConfig::LIBZIP)
  # The libretro core's set reader, for zip archives.
  target_sources(quillomark_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src/libretro/content.cpp)
  target_include_directories(quillomark_fuzz PRIVATE ${LIBRETRO_INCLUDE_DIR})
  target_link_libraries(quillomark_fuzz PkgConfig::LIBZIP)
  target_compile_definitions(quillomark_fuzz PRIVATE QUILLOMARK_FUZZ_ZIP)
endif()
# The video code compares every pixel: tracing those compares for libFuzzer's value profile would
# cost most of each run, so it keeps only the edge counters.
file(GLOB FUZZ_VIDEO_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/video/*.cpp)
set_source_files_properties(${FUZZ_VIDEO_SOURCES} PROPERTIES COMPILE_OPTIONS -fno-sanitize-coverage=trace-cmp)
