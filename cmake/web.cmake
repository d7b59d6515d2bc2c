# The editor in a web browser (emscripten, configured through emcmake): the
# Win32 subset over the page in src/platform/web, the shell unchanged, and the
# page itself. Output in the build folder: index.html, page.js,
# VornGroundEditor.js and VornGroundEditor.wasm (the art embedded), the web
# app manifest with its icon, and the service worker that keeps them all for
# offline use; installed, those seven alone (scripts/web-page.sh:
# `cmake --install` into build/web).

add_library(vorn_platform_web STATIC
  src/platform/web/events.cpp
  src/platform/web/window.cpp
  src/platform/web/wgl.cpp
  src/platform/web/dialogs.cpp
  src/platform/web/clipboard.cpp
  src/platform/shared/win32_shared.cpp
)
target_include_directories(vorn_platform_web PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vorn_platform_web PUBLIC vorn_win32_headers)

if(VORN_BUILD_TESTS)
  # The layer's parts that need no page, in node.
  vorn_add_test(test_platform_web SOURCES tests/platform/test_web.cpp tests/platform/test_win32_shared.cpp
    LIBS vorn_platform_web)
  target_link_options(test_platform_web PRIVATE -sASYNCIFY=1)
endif()

if(NOT VORN_EDITOR)
  return()
endif()

add_executable(VornGroundEditor src/shell/main.cpp src/platform/web/main.cpp)
target_link_libraries(VornGroundEditor PRIVATE vorn_shell vorn_gl vorn_core vorn_platform_web)
set_target_properties(VornGroundEditor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR} SUFFIX ".js")
add_dependencies(VornGroundEditor vorn_art)
target_link_options(VornGroundEditor PRIVATE
  # OpenGL 1.1 immediate mode, texture environment and blending on WebGL.
  -sLEGACY_GL_EMULATION=1
  # WinMain's loop and the modal boxes block; asyncify lets Sleep and the
  # page's dialogs hand the thread back to the browser meanwhile.
  -sASYNCIFY=1
  -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web
  -sFORCE_FILESYSTEM=1
  # The recovery copies' folder lives in the page's IndexedDB.
  -lidbfs.js
  # The art, in the in-memory file system's root, the editor's working folder.
  # Quoted: the build folder's path may hold blanks.
  "SHELL:--embed-file \"${CMAKE_BINARY_DIR}/tex1.bmp@/tex1.bmp\""
  "SHELL:--embed-file \"${CMAKE_BINARY_DIR}/structures.bmp@/structures.bmp\"")
# A relink when the art changes (the embed is a link input nobody else names).
set_property(TARGET VornGroundEditor APPEND PROPERTY LINK_DEPENDS ${VORN_ART_FILES})
# Our own page: emscripten's generated HTML is not used.
foreach(page index.html page.js manifest.webmanifest)
  configure_file(${PROJECT_SOURCE_DIR}/src/platform/web/${page} ${CMAKE_BINARY_DIR}/${page} COPYONLY)
endforeach()
# The service worker names every other file of the page with its digest, so
# it is written after all of them (vorngroundeditor.svg is the art tool's).
set(vorn_page_files index.html page.js manifest.webmanifest vorngroundeditor.svg
    VornGroundEditor.js VornGroundEditor.wasm)
set(vorn_page_paths ${vorn_page_files})
list(TRANSFORM vorn_page_paths PREPEND ${CMAKE_BINARY_DIR}/)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/service-worker.js
  COMMAND ${CMAKE_COMMAND} -DDIR=${CMAKE_BINARY_DIR} -DTEMPLATE=${PROJECT_SOURCE_DIR}/src/platform/web/service-worker.js.in
          "-DFILES=${vorn_page_files}" -P ${PROJECT_SOURCE_DIR}/cmake/web_worker.cmake
  DEPENDS VornGroundEditor ${vorn_page_paths} ${PROJECT_SOURCE_DIR}/src/platform/web/service-worker.js.in
          ${PROJECT_SOURCE_DIR}/cmake/web_worker.cmake
  COMMENT "Writing the page's service worker"
  VERBATIM)
add_custom_target(vorn_web_worker ALL DEPENDS ${CMAKE_BINARY_DIR}/service-worker.js)
# The page is these files and nothing else from the build folder: the folder
# to copy to a web server.
install(FILES ${vorn_page_paths} ${CMAKE_BINARY_DIR}/service-worker.js DESTINATION .)
