# Reading a whole file has one implementation per platform.
if(WIN32)
  set(VORN_FILE_READ_SOURCE src/files/file_read_win32.cpp)
else()
  set(VORN_FILE_READ_SOURCE src/files/file_read_posix.cpp)
endif()
add_library(vorn_files STATIC
  src/files/map_file.cpp
  src/files/map_save.cpp
  src/files/mission.cpp
  src/files/texture_image.cpp
  src/files/art_search.cpp
  src/files/map_image.cpp
  src/files/bitmap_pixels.cpp
  src/files/image_decode.cpp
  src/files/recovery_store.cpp
  src/files/object_twins.cpp
  ${VORN_FILE_READ_SOURCE}
)
# stb_image, header-only (Debian's libstb-dev). A cross build looks for it on
# the build host too: the header carries no host code.
find_path(VORN_STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb PATH_SUFFIXES stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)
target_include_directories(vorn_files SYSTEM PRIVATE ${VORN_STB_INCLUDE_DIR})
# stb_image copies zero bytes from a null pointer for a PNG whose image data
# chunk is empty (memcpy(NULL, p, 0): harmless, but undefined), which the
# fuzzer found; the sanitizer builds let the decoder's file pass that one check.
if(VORN_SANITIZE OR VORN_FUZZ)
  set_source_files_properties(src/files/image_decode.cpp PROPERTIES COMPILE_OPTIONS -fno-sanitize=nonnull-attribute)
endif()
# The safe save, the recovery store and file identity: each host's half is its own file.
if(WIN32)
  target_sources(vorn_files PRIVATE src/files/safe_save_win32.cpp src/files/recovery_store_win32.cpp
                                    src/files/file_identity_win32.cpp)
  target_link_libraries(vorn_files PRIVATE advapi32)  # the owner check
else()
  target_sources(vorn_files PRIVATE src/files/safe_save_posix.cpp src/files/recovery_store_posix.cpp
                                    src/files/file_identity_posix.cpp)
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
             MapSave.LongestNamesSave Mission.BoundsPipesAndDevices FixedSizeReaders.RefuseAFifoAtOnce
             MapSave.RecoveryCopiesFoundOnlyWholeAndUnlocked MapSave.KilledRecoveryWritesLeaveOldOrNewCopy
             MapSave.RecoveryNamesAreNeverFollowed)
endif()

# Fuzz targets of the file readers. Each one's entry point hands the bytes of
# a file to a reader's byte parser; the readers under test are compiled into
# the target itself so that libFuzzer sees their coverage. Without libFuzzer
# the same entry points are linked to a plain main that replays the
# checked-in corpus as a test.
set(VORN_FUZZ_TARGETS mission map atlas grey)
set(VORN_FUZZ_SOURCES_mission src/files/mission.cpp ${VORN_FILE_READ_SOURCE})
get_target_property(vorn_map_sources vorn_map SOURCES)
set(VORN_FUZZ_SOURCES_map src/files/map_file.cpp ${VORN_FILE_READ_SOURCE} ${vorn_map_sources})
set(VORN_FUZZ_SOURCES_atlas src/files/texture_image.cpp src/files/bitmap_pixels.cpp src/files/image_decode.cpp
    ${VORN_FILE_READ_SOURCE})
set(VORN_FUZZ_SOURCES_grey src/height/height_image.cpp src/files/bitmap_pixels.cpp src/files/image_decode.cpp
    ${VORN_FILE_READ_SOURCE})

# Comparison tracing lets the fuzzer guess the values a parser compares its
# input with (the mission grammar's type and sub bytes). The map and image
# readers mostly compare loop counters, and traced those cost more than half
# of every run; their seed corpus carries the image headers instead.
set(VORN_FUZZ_TRACE_CMP_map OFF)
set(VORN_FUZZ_TRACE_CMP_atlas OFF)
set(VORN_FUZZ_TRACE_CMP_grey OFF)

if(VORN_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  foreach(t IN LISTS VORN_FUZZ_TARGETS)
    add_executable(fuzz_${t} tests/fuzz/fuzz_${t}.cpp tests/fuzz/fuzz_check.cpp ${VORN_FUZZ_SOURCES_${t}})
    target_include_directories(fuzz_${t} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    # Optimised even in a debug build: instrumented -O0 code runs a map load
    # about ten times slower, and the fuzzer then tries that many fewer inputs;
    # -O2 also inlines the grid accessors that -O1 leaves as calls.
    target_compile_options(fuzz_${t} PRIVATE -O2 -fsanitize=fuzzer,address,undefined
                           -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
    target_link_options(fuzz_${t} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_include_directories(fuzz_${t} SYSTEM PRIVATE ${VORN_STB_INCLUDE_DIR})
    if(DEFINED VORN_FUZZ_TRACE_CMP_${t} AND NOT VORN_FUZZ_TRACE_CMP_${t})
      target_compile_options(fuzz_${t} PRIVATE -fno-sanitize-coverage=trace-cmp)
    endif()
  endforeach()
elseif(VORN_FUZZ)
  message(WARNING "VORN_FUZZ needs clang's libFuzzer; fuzz targets are not built")
endif()

if(VORN_BUILD_TESTS AND NOT EMSCRIPTEN AND NOT (VORN_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
  foreach(t IN LISTS VORN_FUZZ_TARGETS)
    add_executable(fuzz_${t} tests/fuzz/fuzz_${t}.cpp tests/fuzz/fuzz_check.cpp tests/fuzz/replay_main.cpp)
    target_include_directories(fuzz_${t} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(fuzz_${t} PRIVATE vorn_files vorn_height vorn_map)
    add_test(NAME corpus_${t} COMMAND fuzz_${t} ${PROJECT_SOURCE_DIR}/tests/corpus/${t})
  endforeach()
endif()

if(VORN_BUILD_BENCH)
  vorn_add_bench(bench_files SOURCES bench/bench_files.cpp LIBS vorn_files)
endif()
