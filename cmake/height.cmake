add_library(vorn_height STATIC
  src/height/height_field.cpp
  src/height/height_image.cpp
  src/height/height_fill.cpp
  src/height/fill_preview.cpp
)
target_include_directories(vorn_height PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vorn_height PUBLIC vorn_map vorn_files)

if(VORN_BUILD_TESTS)
  # The plain fill the production fill is checked against and timed with.
  add_library(vorn_height_reference STATIC tests/reference/height_fill_reference.cpp)
  target_include_directories(vorn_height_reference PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(vorn_height_reference PUBLIC vorn_height vorn_shellcore vorn_map_reference)

  vorn_add_test(test_height_field SOURCES tests/height/height_field_test.cpp LIBS vorn_height)
  vorn_add_test(test_height_fill SOURCES tests/height/height_fill_test.cpp LIBS vorn_height_reference)
endif()

if(VORN_BUILD_BENCH)
  vorn_add_bench(bench_fill SOURCES bench/bench_fill.cpp LIBS vorn_height_reference vorn_busy_map)
endif()

# The same timing loop natively and in the web build's node (no Google
# Benchmark there): run by scripts/test.sh beside the benchmarks.
if(VORN_BUILD_BENCH OR (VORN_WEB_TESTS AND VORN_BUILD_TESTS))
  add_executable(core_timing bench/core_timing.cpp)
  target_link_libraries(core_timing PRIVATE vorn_shellcore vorn_busy_map)
  target_include_directories(core_timing PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
  if(EMSCRIPTEN)
    target_link_options(core_timing PRIVATE -sALLOW_MEMORY_GROWTH=1)
  endif()
endif()
