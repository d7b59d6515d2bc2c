# End-to-end runs of the real editor (e2e/run drives it under Xvfb).
# e2e_expect replays the driver's strokes through the core library and writes
# the map the editor must save; it runs on the build host only.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(e2e_expect e2e/expect_map.cpp)
  target_link_libraries(e2e_expect PRIVATE vorn_core)
endif()
