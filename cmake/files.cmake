add_library(vorn_files STATIC
  src/files/map_file.cpp
  src/files/map_save.cpp
  src/files/mission.cpp
  src/files/texture_image.cpp
)
# The safe save's one platform seam: each host's half is its own file.
if(WIN32)
  target_sources(vorn_files PRIVATE src/files/safe_save_win32.cpp)
  target_link_libraries(vorn_files PRIVATE advapi32)  # the owner check
else()
  target_sources(vorn_files PRIVATE src/files/safe_save_posix.cpp)
endif()
target_include_directories(vorn_files PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(vorn_files PUBLIC vorn_map)

if(VORN_BUILD_TESTS)
  vorn_add_test(test_files
    SOURCES tests/files/map_file_test.cpp tests/files/mission_test.cpp
            tests/files/image_test.cpp
    LIBS vorn_files vorn_height vorn_map
    WEB_SKIP MapSave.FullDiskLeavesTheOldFileAndNoTemporary MapSave.FileThatCannotBeWrittenIsRefused
             MapSave.WritableFileInLockedFolderIsWrittenInPlace MapSave.PipeIsWrittenInPlaceOrFailsAtOnce
             MapSave.InPlaceWriteRestoresTheOldBytesOnFailure MapSave.LeftoverTemporaryFilesOfEndedSavesAreRemoved
             MapSave.LongestNamesSave)
endif()

# Fuzz targets of the file readers. Each one's entry point takes the bytes of
# a file; the readers under test are compiled into the target itself so that
# libFuzzer sees their coverage. Without libFuzzer the same entry points are
# linked to a plain main that replays the checked-in corpus as a test.
set(VORN_FUZZ_TARGETS mission map atlas grey)
set(VORN_FUZZ_SOURCES_mission src/files/mission.cpp)
get_target_property(vorn_map_sources vorn_map SOURCES)
set(VORN_FUZZ_SOURCES_map src/files/map_file.cpp ${vorn_map_sources})
set(VORN_FUZZ_SOURCES_atlas src/files/texture_image.cpp)
set(VORN_FUZZ_SOURCES_grey src/height/height_image.cpp)

if(VORN_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  foreach(t IN LISTS VORN_FUZZ_TARGETS)
    add_executable(fuzz_${t} tests/fuzz/fuzz_${t}.cpp tests/fuzz/fuzz_file.cpp ${VORN_FUZZ_SOURCES_${t}})
    target_include_directories(fuzz_${t} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    # Optimised even in a debug build: instrumented -O0 code runs a map load
    # about ten times slower, and the fuzzer then tries that many fewer inputs.
    target_compile_options(fuzz_${t} PRIVATE -O1 -fsanitize=fuzzer,address,undefined
                           -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
    target_link_options(fuzz_${t} PRIVATE -fsanitize=fuzzer,address,undefined)
  endforeach()
elseif(VORN_FUZZ)
  message(WARNING "VORN_FUZZ needs clang's libFuzzer; fuzz targets are not built")
endif()

if(VORN_BUILD_TESTS AND NOT EMSCRIPTEN AND NOT (VORN_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
  foreach(t IN LISTS VORN_FUZZ_TARGETS)
    add_executable(fuzz_${t} tests/fuzz/fuzz_${t}.cpp tests/fuzz/fuzz_file.cpp tests/fuzz/replay_main.cpp)
    target_include_directories(fuzz_${t} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(fuzz_${t} PRIVATE vorn_files vorn_height vorn_map)
    add_test(NAME corpus_${t} COMMAND fuzz_${t} ${PROJECT_SOURCE_DIR}/tests/corpus/${t})
  endforeach()
endif()
