# End-to-end runs of the real editor (e2e/run drives it under Xvfb).
# e2e_expect replays the driver's strokes through the core library and writes
# the map the editor must save; it runs on the build host only.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(e2e_expect e2e/expect_map.cpp)
  target_link_libraries(e2e_expect PRIVATE vorn_core)
endif()

# Counts the editor's frames from outside for the reported figures (first
# frame, frames per second): preloaded, it times every SDL buffer swap.
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32 AND NOT VORN_SANITIZE)
  add_library(e2e_swapcount MODULE e2e/swapcount.c)
  target_link_libraries(e2e_swapcount PRIVATE ${CMAKE_DL_LIBS})
  set_target_properties(e2e_swapcount PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# Keeps dlopen'ed libraries mapped until exit, so that leak reports of the
# soak name the library they come from (see e2e/keep_loaded.c).
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
  add_library(e2e_keep_loaded MODULE e2e/keep_loaded.c)
  set_target_properties(e2e_keep_loaded PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
