# OpenGL drawing and textures (vorn_gl), the build-time art, and their tests.

# ---- vorn_gl: every OpenGL call of the editor, the same code on every host.
add_library(vorn_gl STATIC
  src/files/texture_gl.cpp
  src/files/mission_draw.cpp
  src/files/quad_array.cpp
  src/height/height_texture.cpp
  src/shell/render.cpp
  src/shell/height_textures.cpp
  src/shell/view_gl.cpp
  src/shell/overlays_gl.cpp
  src/shell/symmetry_marks.cpp
)
target_include_directories(vorn_gl PUBLIC ${PROJECT_SOURCE_DIR}/src)
# stb_easy_font, the status strip's letters (libstb-dev, as for stb_image).
target_include_directories(vorn_gl SYSTEM PRIVATE ${VORN_STB_INCLUDE_DIR})
target_link_libraries(vorn_gl PUBLIC vorn_core vorn_win32_headers)
if(WIN32)
  target_link_libraries(vorn_gl PUBLIC opengl32)
elseif(EMSCRIPTEN)
  # WebGL through emscripten's fixed-function emulation (linked by the editor);
  # our <GL/gl.h> goes first to cover what the emulation lacks.
  target_include_directories(vorn_gl BEFORE PUBLIC ${PROJECT_SOURCE_DIR}/src/platform/web/include)
else()
  # GLVND: libOpenGL carries the GL entry points without tying us to GLX, so
  # the same library serves SDL's window context and the tests' EGL context.
  set(OpenGL_GL_PREFERENCE GLVND)
  find_package(OpenGL REQUIRED COMPONENTS OpenGL OPTIONAL_COMPONENTS EGL)
  target_link_libraries(vorn_gl PUBLIC OpenGL::OpenGL)
endif()

# ---- The editor's own art: tex1.bmp and structures.bmp beside the editor.
# tools/ is a project of its own so that a cross build can make it for the host.
set(VORN_ART_FILES ${CMAKE_BINARY_DIR}/tex1.bmp ${CMAKE_BINARY_DIR}/structures.bmp)
# The program's icon comes from the same tool, for the packages, the web page
# and the Windows resource; so does the map files' icon, for Linux desktops.
set(VORN_ICON_FILES ${CMAKE_BINARY_DIR}/vorngroundeditor.svg ${CMAKE_BINARY_DIR}/vorngroundeditor.ico
    ${CMAKE_BINARY_DIR}/application-x-vorngroundeditor-map.svg)
if(NOT CMAKE_CROSSCOMPILING)
  add_subdirectory(tools)
  set(vorn_art_command $<TARGET_FILE:vorn_make_art>)
  set(vorn_art_depends vorn_make_art)
else()
  # Built with the host's default compiler: no toolchain file is passed on.
  include(ExternalProject)
  ExternalProject_Add(vorn_art_host
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools
    BINARY_DIR ${CMAKE_BINARY_DIR}/art_host
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/art_host/vorn_make_art
    BUILD_ALWAYS ON
  )
  set(vorn_art_command ${CMAKE_BINARY_DIR}/art_host/vorn_make_art)
  # The target orders the host build first; the file re-runs the art when the tool changed.
  set(vorn_art_depends vorn_art_host ${CMAKE_BINARY_DIR}/art_host/vorn_make_art)
endif()
add_custom_command(
  OUTPUT ${VORN_ART_FILES} ${VORN_ICON_FILES}
  COMMAND ${vorn_art_command} ${CMAKE_BINARY_DIR}
  DEPENDS ${vorn_art_depends}
  COMMENT "Drawing tex1.bmp, structures.bmp and the icon"
  VERBATIM
)
# Target for others to depend on (the editor, the Windows package, e2e runs).
add_custom_target(vorn_art ALL DEPENDS ${VORN_ART_FILES} ${VORN_ICON_FILES})

# ---- Tests and benchmark in an offscreen context (EGL surfaceless, no display).
if(VORN_BUILD_TESTS AND NOT WIN32 AND TARGET OpenGL::EGL)
  add_library(vorn_gl_harness STATIC tests/render/gl_harness.cpp tests/render/immediate_frame.cpp)
  target_include_directories(vorn_gl_harness PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(vorn_gl_harness PUBLIC vorn_gl OpenGL::EGL OpenGL::OpenGL)

  vorn_add_test(test_render
    SOURCES tests/render/test_frame.cpp tests/render/test_textures.cpp tests/render/test_mission_draw.cpp
            tests/render/test_map_image.cpp
    LIBS vorn_gl_harness vorn_busy_map)
  vorn_add_test(test_quad_array SOURCES tests/render/test_quad_array.cpp src/files/quad_array.cpp
    LIBS vorn_win32_headers)
  vorn_add_test(test_art
    SOURCES tests/render/test_art.cpp tools/art_tiles.cpp tools/art_canvas.cpp
    LIBS vorn_core)
  target_include_directories(test_art PRIVATE ${PROJECT_SOURCE_DIR}/tools)
  target_compile_definitions(test_art PRIVATE VORN_ART_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(test_art vorn_art)

  # Painted sample maps rendered to PNG files to look at (not a test).
  add_executable(render_samples tests/render/render_samples.cpp)
  add_dependencies(render_samples vorn_art)
  target_link_libraries(render_samples PRIVATE vorn_gl_harness)
  target_include_directories(render_samples PRIVATE ${PROJECT_SOURCE_DIR}/tools)

  if(VORN_BUILD_BENCH)
    vorn_add_bench(bench_render SOURCES bench/bench_render.cpp LIBS vorn_gl_harness vorn_busy_map)
  endif()
endif()
