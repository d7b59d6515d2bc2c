# The editor shell, the platform layer and the executable.

# Window procedure, prompts and dialogs: platform-neutral code over <windows.h>,
# the real one on Windows and our subset elsewhere. Calls glDeleteTextures and
# the render library's functions, but links neither, so tests can stand in.
add_library(vorn_shell STATIC
  src/shell/wndproc.cpp
  src/shell/commands.cpp
  src/shell/key_docs.cpp
  src/shell/dialogs.cpp
  src/shell/document.cpp
  src/shell/startup.cpp
  src/shell/stamps.cpp
  src/shell/tools.cpp
  src/shell/picture_export.cpp
  src/shell/recovery.cpp
)
target_link_libraries(vorn_shell PUBLIC vorn_core vorn_win32_headers)
# The longest path the host's file calls take, in bytes with its NUL: on
# Windows MAX_PATH (260) UTF-16 units, which in UTF-8 (the exe's ANSI code
# page, see packaging/editor.manifest) take up to three bytes each; Linux's
# PATH_MAX elsewhere. The dialogs' buffers have this size; a longer choice is
# reported as too long.
if(WIN32)
  target_compile_definitions(vorn_shell PUBLIC VORN_PATH_CHARS=780)
else()
  target_compile_definitions(vorn_shell PUBLIC VORN_PATH_CHARS=4096)
endif()

# The Win32 subset over SDL2, for desktop hosts other than Windows. Its main()
# lives apart, in the executable, so test binaries can link the layer.
if(NOT WIN32 AND NOT EMSCRIPTEN)
  find_package(SDL2 REQUIRED)
  add_library(vorn_platform STATIC
    src/platform/sdl/events.cpp
    src/platform/sdl/window.cpp
    src/platform/sdl/wgl.cpp
    src/platform/sdl/message_box.cpp
    src/platform/sdl/file_dialog.cpp
    src/platform/sdl/drop_files.cpp
    src/platform/sdl/process.cpp
    src/platform/sdl/clipboard.cpp
    src/platform/shared/win32_shared.cpp
  )
  target_include_directories(vorn_platform PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(vorn_platform PUBLIC vorn_win32_headers SDL2::SDL2)
endif()

if(VORN_EDITOR AND TARGET vorn_gl AND NOT EMSCRIPTEN)
  if(WIN32)
    add_executable(VornGroundEditor WIN32 src/shell/main.cpp)
    if(MINGW)
      # Our own process entry: mingw's loses the UTF-8 names of the command line.
      target_sources(VornGroundEditor PRIVATE src/platform/win32/mingw_main.cpp)
    endif()
    target_link_libraries(VornGroundEditor PRIVATE vorn_shell vorn_gl vorn_core opengl32 gdi32 comdlg32 shell32)
    # One self-contained file: no MinGW runtime DLLs beside it.
    target_link_options(VornGroundEditor PRIVATE -static -static-libgcc -static-libstdc++)
  else()
    # OpenGL itself comes with vorn_gl; SDL loads the window system's part.
    add_executable(VornGroundEditor src/shell/main.cpp src/platform/sdl/main.cpp)
    target_link_libraries(VornGroundEditor PRIVATE vorn_shell vorn_gl vorn_core vorn_platform)
  endif()
  set_target_properties(VornGroundEditor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  # The editor reads its art from the working directory: build it beside the exe.
  if(TARGET vorn_art)
    add_dependencies(VornGroundEditor vorn_art)
  endif()
endif()

if(VORN_BUILD_TESTS)
  # The shell against scripted stand-ins for Windows, the dialogs and OpenGL.
  vorn_add_test(test_shell
    SOURCES tests/shell/fake_host.cpp tests/shell/test_wndproc.cpp tests/shell/test_document.cpp
      tests/shell/test_dialogs.cpp tests/shell/test_picture_export.cpp tests/shell/test_view_steps.cpp
      tests/shell/test_startup.cpp tests/shell/test_recovery.cpp tests/shell/test_docs.cpp
      tests/shell/test_status_line.cpp
    LIBS vorn_shell vorn_core
    WEB_SKIP ArtSearch.FifoNamedLikeTheArtIsPassedOver Recovery.AskedRecoveredKeptAndRemoved
             Recovery.PathsStampsBoxesAndLinks Shell.QuickSaveAsksBeforeWritingOverAChangedFile)
  # The docs test reads (and scripts/key-docs.sh has it write) the key lists in the sources.
  target_compile_definitions(test_shell PRIVATE VORN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  # SDL events to Win32 messages, on SDL's offscreen driver (no display needed).
  if(TARGET vorn_platform)
    vorn_add_test(test_platform
      SOURCES tests/platform/test_events.cpp tests/platform/test_win32_shared.cpp
      LIBS vorn_platform vorn_shellcore)
  endif()
endif()
