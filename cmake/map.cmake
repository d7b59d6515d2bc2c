add_library(vorn_map STATIC
  src/map/ground_map.cpp
)
target_include_directories(vorn_map PUBLIC ${PROJECT_SOURCE_DIR}/src)
