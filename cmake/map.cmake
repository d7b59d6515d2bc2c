# Ground map and auto-tiling: the map model, tile selection, corner painting, tile decoding.
add_library(vorn_map STATIC
  src/map/ground_map.cpp
  src/map/tile_select.cpp
  src/map/corner_paint.cpp
  src/map/tile_decode.cpp
  src/map/tile_tables.cpp
  src/map/stamp.cpp
  src/map/paint_tools.cpp
  src/map/symmetry_check.cpp
  src/map/scatter.cpp
)
target_include_directories(vorn_map PUBLIC ${PROJECT_SOURCE_DIR}/src)

if(VORN_BUILD_TESTS)
  # The plain auto-tiler the production map is checked against.
  add_library(vorn_map_reference STATIC tests/reference/ground_map_reference.cpp
              tests/reference/symmetry_reference.cpp)
  target_include_directories(vorn_map_reference PUBLIC ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  add_library(vorn_busy_map STATIC bench/busy_map.cpp)
  target_include_directories(vorn_busy_map PUBLIC ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(vorn_busy_map PUBLIC vorn_map)
  vorn_add_test(test_map SOURCES tests/map/ground_map_test.cpp tests/map/differential_test.cpp tests/map/stamp_test.cpp
                         tests/map/paint_tools_test.cpp tests/map/symmetry_test.cpp
                LIBS vorn_map vorn_map_reference vorn_busy_map)
endif()

if(VORN_BUILD_BENCH)
  vorn_add_bench(bench_map SOURCES bench/bench_map.cpp LIBS vorn_map vorn_map_reference vorn_busy_map)
  vorn_add_bench(bench_symmetry SOURCES bench/bench_symmetry.cpp
                 LIBS vorn_map vorn_map_reference vorn_busy_map vorn_shellcore)
endif()
