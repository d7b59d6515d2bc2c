add_library(vorn_files STATIC
  src/files/map_file.cpp
  src/files/mission.cpp
  src/files/texture_image.cpp
)
target_include_directories(vorn_files PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vorn_files PUBLIC vorn_map)
