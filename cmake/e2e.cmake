# End-to-end runs of the real editor (e2e/run drives it under Xvfb). Their
# helpers run on the build host only, beside an editor build.
if(VORN_EDITOR AND NOT CMAKE_CROSSCOMPILING)
  # Replays the driver's strokes through the core library and writes the map
  # the editor must save.
  add_executable(e2e_expect e2e/expect_map.cpp)
  target_link_libraries(e2e_expect PRIVATE vorn_core)
  # With the tests come the plain reference auto-tiler and fill: then every
  # expected map is also checked against them.
  if(TARGET vorn_map_reference AND TARGET vorn_height_reference)
    target_link_libraries(e2e_expect PRIVATE vorn_map_reference vorn_height_reference)
    target_compile_definitions(e2e_expect PRIVATE E2E_WITH_REFERENCE)
  endif()

  if(NOT WIN32)
    # Counts the editor's frames from outside for the reported figures (first
    # frame, frames per second): preloaded, it times every SDL buffer swap.
    # Not in a sanitizer build, whose runtime must be the first library.
    if(NOT VORN_SANITIZE)
      add_library(e2e_swapcount MODULE e2e/swapcount.c)
      target_link_libraries(e2e_swapcount PRIVATE ${CMAKE_DL_LIBS})
      set_target_properties(e2e_swapcount PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
    endif()
    # Keeps dlopen'ed libraries mapped until exit, so that leak reports of the
    # soak name the library they come from (see e2e/keep_loaded.c).
    add_library(e2e_keep_loaded MODULE e2e/keep_loaded.c)
    set_target_properties(e2e_keep_loaded PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  endif()
endif()
