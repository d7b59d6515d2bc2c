# The shell's plain records and arithmetic, part of the core (no GL, no platform).
add_library(vorn_shellcore STATIC
  src/shell/editor_state.cpp
  src/shell/paint_tool_table.cpp
  src/shell/view_steps.cpp
  src/shell/undo_history.cpp
  src/shell/command_line.cpp
  src/shell/title.cpp
  src/shell/recovery_timing.cpp
  src/shell/status_line.cpp
  src/shell/symmetry_counts.cpp
)
target_include_directories(vorn_shellcore PUBLIC ${PROJECT_SOURCE_DIR}/src)
# Only the one file that prints it rebuilds when the version changes.
set_source_files_properties(src/shell/command_line.cpp PROPERTIES
  COMPILE_DEFINITIONS VORN_VERSION="${PROJECT_VERSION}")
# The program-wide maps, height field and object lists are the shell's; the
# lower folders' functions take them as arguments.
target_link_libraries(vorn_shellcore PUBLIC vorn_map vorn_files vorn_height)
