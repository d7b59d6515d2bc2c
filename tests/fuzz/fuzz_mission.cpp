// Mission reader on arbitrary bytes, handed over as they are.
#include "files/mission.h"
#include "fuzz/fuzz_check.h"

namespace {
// The lists every input is read into, as the shell's.
std::vector<StructureRecord> structureList;
std::vector<TileObjectRecord> tileObjectList;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One marker record stands for the lists shown before this file.
    structureList.assign(1, StructureRecord{1, 2, 3, 4, 5});
    tileObjectList.clear();
    MissionRead result = readMissionBytes(data, size, structureList, tileObjectList);
    fuzzCheck(result != MissionRead::TooLarge, "inputs stay below the size bound");
    if (result == MissionRead::TooManyObjects) {
        fuzzCheck(structureList.size() == 1 && structureList[0].position == 5 && tileObjectList.empty(),
                  "a refused file keeps the lists");
        return 0;
    }
    fuzzCheck(structureList.size() <= kMaxMissionObjects && tileObjectList.size() <= kMaxMissionObjects,
              "the lists stay within their bound");
    // Every kept record took its two header bytes and a whole body.
    fuzzCheck(structureList.size() * 8 + tileObjectList.size() * 14 <= size,
              "no record is made of bytes past the end");
    return 0;
}
