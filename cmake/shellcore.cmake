# The shell's plain records and arithmetic, part of the core (no GL, no platform).
add_library(vorn_shellcore STATIC
  src/shell/editor_state.cpp
  src/shell/view_steps.cpp
  src/shell/undo_history.cpp
)
target_include_directories(vorn_shellcore PUBLIC ${PROJECT_SOURCE_DIR}/src)
