add_library(vorn_height STATIC
  src/height/height_field.cpp
  src/height/height_image.cpp
  src/height/height_fill.cpp
)
target_include_directories(vorn_height PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vorn_height PUBLIC vorn_map vorn_shellcore)
