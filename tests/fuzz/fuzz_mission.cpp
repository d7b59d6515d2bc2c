// Mission reader on arbitrary bytes.
#include "files/mission.h"
#include "fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzCheck(readMission(fuzzFilePath(data, size)), "the file opens");
    // Every kept record took its two header bytes and a whole body.
    fuzzCheck(structureList.size() * 8 + tileObjectList.size() * 14 <= size,
              "no record is made of bytes past the end");
    return 0;
}
