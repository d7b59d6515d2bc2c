# vorn-map: the map operations for scripts, on the core alone (no window, no GL).
add_library(vorn_map_tool STATIC tools/map_tool/map_tool.cpp)
target_include_directories(vorn_map_tool PUBLIC ${PROJECT_SOURCE_DIR}/tools/map_tool ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vorn_map_tool PUBLIC vorn_map vorn_files vorn_height)
target_compile_definitions(vorn_map_tool PRIVATE VORN_VERSION="${PROJECT_VERSION}")

if(NOT EMSCRIPTEN)
  add_executable(vorn-map tools/map_tool/main.cpp)
  target_link_libraries(vorn-map PRIVATE vorn_map_tool)
  set_target_properties(vorn-map PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  if(WIN32)
    # The editor's manifest: UTF-8 as the ANSI code page, so file names
    # outside the legacy code page reach the tool whole.
    target_link_libraries(vorn-map PRIVATE vorn_shellcore)
    file(WRITE ${CMAKE_BINARY_DIR}/map_tool.rc "1 24 \"${PROJECT_SOURCE_DIR}/packaging/editor.manifest\"\n")
    target_sources(vorn-map PRIVATE ${CMAKE_BINARY_DIR}/map_tool.rc)
    set_source_files_properties(${CMAKE_BINARY_DIR}/map_tool.rc PROPERTIES
                                OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/editor.manifest)
  endif()
  if(MINGW)
    # One self-contained file, as the editor: no MinGW runtime DLLs beside it.
    target_link_options(vorn-map PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endif()

if(VORN_BUILD_TESTS AND NOT EMSCRIPTEN)
  vorn_add_test(test_map_tool
    SOURCES tests/tools/test_map_tool.cpp
    LIBS vorn_map_tool vorn_shellcore)
  target_compile_definitions(test_map_tool PRIVATE VORN_ART_DIR="${CMAKE_BINARY_DIR}" VORN_TEST_VERSION="${PROJECT_VERSION}")
  add_dependencies(test_map_tool vorn_art)
endif()

if(VORN_BUILD_BENCH)
  vorn_add_bench(bench_map_tool SOURCES bench/bench_map_tool.cpp LIBS vorn_map_tool vorn_busy_map)
  add_dependencies(bench_map_tool vorn_art)
  target_compile_definitions(bench_map_tool PRIVATE VORN_ART_DIR="${CMAKE_BINARY_DIR}")
endif()
