// vorn-map's commands. Every file is read as the editor reads it and every
// output goes through one helper (writeOutput): never over an input, to
// standard output for "-", and to a file through the safe save, so a failed
// run leaves no file behind and never half-writes one.
#include "map_tool.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>

#include "files/art_search.h"
#include "files/file_identity.h"
#include "files/bitmap_pixels.h"
#include "files/file_read.h"
#include "files/image_decode.h"
#include "files/map_file.h"
#include "files/map_image.h"
#include "files/mission.h"
#include "files/object_twins.h"
#include "files/safe_save.h"
#include "height/height_fill.h"
#include "height/height_image.h"
#include "map/ground_map.h"
#include "map/symmetry_check.h"

namespace {

constexpr int kDone = 0, kProblem = 1, kFailed = 2;
constexpr size_t kMapBytes = 64 * 64;
// As the editor's open: anything near this size is no map anyone meant.
constexpr size_t kMaxMapFileBytes = 1 << 20;
// As the editor's image reader: any 128 x 128 image in any layout fits.
constexpr size_t kMaxImageFileBytes = 64u << 20;

const char kUsage[] =
    "Usage: vorn-map render MAP -o OUT.png [--cell N | --size S] [--mission FILE] [--art DIR]\n"
    "       vorn-map fill MAP --heights IMAGE --at X,Y --kind K [--below] -o OUT.map\n"
    "       vorn-map check MAP... [--mission FILE] [--symmetry MODE]\n"
    "       vorn-map kinds MAP -o OUT.png\n"
    "       vorn-map paint (MAP | --cleared) --image IMAGE [--nearest] -o OUT.map\n"
    "       vorn-map --help | --version\n"
    "\n"
    "render  the whole map as a PNG image, N pixels a cell (32, 16, 8, 4, 2 or 1;\n"
    "        default 32), with the mission's objects over it; the art (tex1.bmp,\n"
    "        structures.bmp) from DIR, else where the editor finds it; --size S\n"
    "        (64 or more): a thumbnail at most S pixels wide, without objects\n"
    "fill    the editor's height fill with the cursor over lattice point X,Y\n"
    "        (0..128) with kind K (0 sand, 1 grass, 2 rock, 3 snow, 4 water),\n"
    "        heights from a 128 x 128 BMP or PNG image, then the map saved to OUT.map\n"
    "check   each map's kinds and problems; exit 1 when a problem was found; with\n"
    "        --symmetry (left-right, top-bottom, four-ways or half-turn) also the\n"
    "        points unlike their image, each part's kinds and, with a mission,\n"
    "        the objects without a twin, each of which is a problem too\n"
    "kinds   the map's lattice as a 129 x 129 palette PNG, pixel x,y = point x,y,\n"
    "        palette index = kind: sand #E8D8A8, grass #4CA03C, rock #8C8C8C,\n"
    "        snow #F4F8FC, water #2860C8\n"
    "paint   the map (or a cleared one) painted from a 129 x 129 PNG or BMP of\n"
    "        those colours (--nearest: any colour, as its nearest), row by row,\n"
    "        each point unlike its pixel as the editor paints it; then saved\n"
    "\n"
    "-o - (or /dev/stdout) writes to standard output; an output may not be one\n"
    "of the command's input files.\n"
    "Exit 0 when done, 1 when check found a problem, 2 on a usage error or a\n"
    "file that cannot be read or written. \"--\" ends the options.\n";

// Options whose value names a file the command reads: an output may be none
// of them (writeOutput). An option added for an input file belongs here.
const char* const kInputOptions[] = {"--mission", "--heights", "--image"};

// A command line taken apart: the command, its one map, and its options.
struct Parsed {
    std::string command;
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // options with a value
    bool below = false;
    bool nearest = false, cleared = false;  // paint's flags
    std::string problem;  // non-empty: a usage error
};

Parsed parse(const std::vector<std::string>& args) {
    static const std::map<std::string, std::vector<std::string>> kValueOptions = {
        {"render", {"-o", "--cell", "--size", "--mission", "--art"}},
        {"fill", {"-o", "--heights", "--at", "--kind"}},
        {"check", {"--mission", "--symmetry"}},
        {"kinds", {"-o"}},
        {"paint", {"-o", "--image"}},
    };
    Parsed p;
    p.command = args.empty() ? "" : args[0];
    const auto known = kValueOptions.find(p.command);
    if (known == kValueOptions.end()) {
        p.problem = p.command.empty() ? "no command given" : "unknown command \"" + p.command + "\"";
        return p;
    }
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            p.positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "--below" && p.command == "fill") {
            p.below = true;
            continue;
        }
        if ((a == "--nearest" || a == "--cleared") && p.command == "paint") {
            (a == "--nearest" ? p.nearest : p.cleared) = true;
            continue;
        }
        std::string value;
        bool inlineValue = false;
        const size_t eq = a.find('=');
        if (a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
            inlineValue = true;
        }
        bool takes = false;
        for (const std::string& o : known->second) takes = takes || o == a;
        if (!takes) {
            p.problem = "unknown option \"" + args[i] + "\" for " + p.command;
            return p;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                p.problem = "option " + a + " needs a value";
                return p;
            }
            value = args[++i];
        }
        if (p.values.count(a)) {
            p.problem = "option " + a + " given twice";
            return p;
        }
        p.values[a] = value;
    }
    // check takes several maps; paint one or --cleared; the others one.
    if (p.cleared && !p.positional.empty())
        p.problem = "give a map file or --cleared, not both";
    else if (p.positional.empty() && !p.cleared)
        p.problem = "no map file given";
    else if (p.positional.size() > 1 && p.command != "check")
        p.problem = "more than one map file given";
    return p;
}

// Whole decimal number in [lo, hi], nothing else.
bool number(const std::string& text, int32_t lo, int32_t hi, int32_t& value) {
    if (text.empty() || text.size() > 6) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    value = std::atoi(text.c_str());
    return value >= lo && value <= hi;
}

// Everything the commands print goes through here, so a stream that takes
// nothing (a full disk) is an error, not a silent success.
struct Streams {
    FILE* out;
    FILE* err;
    int fail(const std::string& message) const {
        std::fprintf(err, "vorn-map: %s\n", message.c_str());
        return kFailed;
    }
    int usage(const std::string& message) const {
        std::fprintf(err, "vorn-map: %s\n\n%s", message.c_str(), kUsage);
        return kFailed;
    }
};

// A FIFO or device named as the output (a named pipe, /dev/null): written
// in one stream, as it is, waiting for its reader as any program's output does.
bool writeToStreamFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& reason) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        reason = std::strerror(errno);
        return false;
    }
    bool ok = writeStreamBytes(f, bytes.data(), bytes.size(), &reason);
    if (std::fclose(f) != 0 && ok) {
        reason = std::strerror(errno);
        ok = false;
    }
    return ok;
}

// Every command's output goes through here. `bytes` go to the file -o names,
// or to standard output for "-" and "/dev/stdout" (by name, on every system:
// a pipe behind /dev/stdout has no file to save through). The command's map,
// the files named by kInputOptions and `alsoRead` (files found on the way,
// as the art) are its inputs; an output that is one of them, under any name
// or link, is refused, so a run never destroys what it reads. A FIFO or
// device is written in one stream; a file through the safe save.
int writeOutput(const Streams& s, const Parsed& p, const std::vector<uint8_t>& bytes,
                const std::vector<std::string>& alsoRead = {}) {
    const std::string& out = p.values.at("-o");
    const bool toStandardOutput = out == "-" || out == "/dev/stdout";
    const FileStamp target = toStandardOutput ? streamStamp(s.out) : fileStamp(out.c_str());
    std::vector<std::string> inputs = p.positional;
    for (const char* option : kInputOptions)
        if (p.values.count(option)) inputs.push_back(p.values.at(option));
    inputs.insert(inputs.end(), alsoRead.begin(), alsoRead.end());
    for (const std::string& input : inputs)
        if (!input.empty() && (sameFile(target, fileStamp(input.c_str())) || (!toStandardOutput && absolutePath(input) == absolutePath(out))))
            return s.fail(out + " is also an input; choose another output file.");
    std::string reason;
    bool written;
    if (toStandardOutput) written = writeStreamBytes(s.out, bytes.data(), bytes.size(), &reason);
    else if (target.known && !target.regular) written = writeToStreamFile(out, bytes, reason);
    else written = saveFileSafely(out.c_str(), bytes.data(), bytes.size(), &reason);
    if (written) return kDone;
    return s.fail("cannot write " + (toStandardOutput ? std::string("to standard output") : out) +
                  (reason.empty() ? "" : ": " + reason));
}

// The map file's bytes as the editor's open reads them: a regular file only.
enum class MapRead { Read, CannotRead, TooLarge };
MapRead readMapFile(const std::string& path, std::vector<uint8_t>& bytes, uint64_t& size,
                    size_t limit = kMaxMapFileBytes) {
    switch (readWholeFile(path.c_str(), limit, true, bytes, &size)) {
    case FileRead::Read: return MapRead::Read;
    case FileRead::Longer: return MapRead::TooLarge;
    case FileRead::CannotRead: break;
    }
    // An empty regular file reads no byte but is a map file of 0 bytes.
    if (isReadableRegularFile(path.c_str())) {
        bytes.clear();
        size = 0;
        return MapRead::Read;
    }
    return MapRead::CannotRead;
}

// The map of a file that must be a whole map (render and fill): a file of
// another size is refused rather than padded or cut, and is not even read,
// so a thumbnailer handed another program's large ".map" gives up at once.
bool loadWholeMap(const Streams& s, const std::string& path, GroundMap& map, int& code) {
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const MapRead read = readMapFile(path, bytes, size, kMapBytes);
    if (read == MapRead::CannotRead) {
        code = s.fail("cannot read map " + path);
        return false;
    }
    if (read == MapRead::TooLarge || size != kMapBytes) {
        code = s.fail(path + " is " + std::to_string(size) + " bytes; a map file is 4096 bytes");
        return false;
    }
    loadMapBytes(bytes.data(), bytes.size(), map);
    return true;
}

bool loadMission(const Streams& s, const std::string& path, std::vector<StructureRecord>& structures,
                 std::vector<TileObjectRecord>& tileObjects, int& code) {
    // Regular files only: the editor would read a FIFO as an empty mission,
    // which in a script hides a wrong path.
    std::vector<uint8_t> bytes;
    const FileRead read = isReadableRegularFile(path.c_str())
                              ? readWholeFile(path.c_str(), kMaxMissionBytes, true, bytes)
                              : FileRead::CannotRead;
    // An empty file reads no byte: a mission without records, as check counts it.
    if (read == FileRead::CannotRead && !isReadableRegularFile(path.c_str())) {
        code = s.fail("cannot read mission " + path);
        return false;
    }
    const MissionRead got = read == FileRead::Longer ? MissionRead::TooLarge
                                                     : readMissionBytes(bytes.data(), bytes.size(), structures, tileObjects);
    if (got == MissionRead::TooLarge) {
        code = s.fail(path + " is refused: it is larger than 4 MiB, more than the editor reads");
        return false;
    }
    if (got == MissionRead::TooManyObjects) {
        code = s.fail(path + " is refused: it holds more than " + std::to_string(kMaxMissionObjects) +
                      " structures or tile objects, more than the editor reads");
        return false;
    }
    return true;
}

// The heights of `fill`: a 128 x 128 BMP or PNG, read into points x, y < 128
// as the editor's G reads it. Anything else is refused, unlike G, which reads
// any other file raw: in a script that is a wrong path, and an empty file
// read raw floods the whole map.
bool loadHeights(const Streams& s, const std::string& path, HeightField& field, int& code) {
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const FileRead read = readWholeFile(path.c_str(), kMaxImageFileBytes, true, bytes, &size);
    if (read == FileRead::CannotRead && !isReadableRegularFile(path.c_str())) {
        code = s.fail("cannot read height image " + path);
        return false;
    }
    if (read == FileRead::Longer) {
        code = s.fail(path + " is " + std::to_string(size) + " bytes, too large for a 128 x 128 image");
        return false;
    }
    std::vector<uint8_t> pixels(kGreyBitmapPixelBytes);
    ImageSize found{};
    switch (decodeSquareImage(bytes.data(), bytes.size(), kHeightTexSize, pixels.data(), found)) {
    case ImageDecode::Decoded: break;
    case ImageDecode::OtherSize:
        code = s.fail(path + " is " + std::to_string(found.width) + " x " + std::to_string(found.height) +
                      " pixels; the heights must be a 128 x 128 image");
        return false;
    case ImageDecode::NotDecoded:
        code = s.fail(path + " is no image (BMP or PNG) the tool can read; the heights must be a 128 x 128 image");
        return false;
    }
    readGreyBitmapBytes(bytes.data(), bytes.size(), field);
    return true;
}

int render(const Streams& s, const Parsed& p, const std::string& programPath) {
    if (!p.values.count("-o")) return s.usage("render needs -o OUT.png");
    int32_t cell = kFullCellPixels;
    if (p.values.count("--cell")) {
        const bool ok = number(p.values.at("--cell"), 1, 32, cell) && kFullCellPixels % cell == 0;
        if (!ok) return s.usage("--cell must be 32, 16, 8, 4, 2 or 1");
    }
    // A file manager's thumbnailer: the largest picture that fits S pixels.
    if (p.values.count("--size")) {
        int32_t size = 0;
        if (p.values.count("--cell")) return s.usage("--size and --cell cannot both be given");
        if (p.values.count("--mission")) return s.usage("--size draws no mission objects; leave out --mission");
        if (!number(p.values.at("--size"), 64, 999999, size)) return s.usage("--size must be a number of pixels, 64 or more");
        cell = kFullCellPixels;
        while (64 * cell > size) cell /= 2;
    }
    GroundMap map(64, 64);
    int code = kFailed;
    if (!loadWholeMap(s, p.positional[0], map, code)) return code;
    std::vector<StructureRecord> structures;
    std::vector<TileObjectRecord> tileObjects;
    const bool withMission = p.values.count("--mission") != 0;
    if (withMission && !loadMission(s, p.values.at("--mission"), structures, tileObjects, code)) return code;

    std::vector<std::string> folders;
    if (p.values.count("--art")) {
        std::string dir = p.values.at("--art");
        if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
        folders.push_back(dir);
    } else {
        folders = artFoldersOf(programPath);
    }
    const std::string tiles = findArtFileIn(folders, "tex1.bmp");
    const std::string sprites = findArtFileIn(folders, "structures.bmp");
    if (tiles.empty() || (withMission && sprites.empty())) {
        std::string text = "cannot find the art (tex1.bmp and structures.bmp); looked in:";
        for (const std::string& f : folders) text += "\n  " + (f.empty() ? std::string("the working folder") : f);
        return s.fail(text);
    }
    MapArt art;
    std::string problem;
    if (!loadAtlasImage(tiles, art.tiles, &problem)) return s.fail(problem);
    // The sprites are drawn only for a mission's structures.
    if (withMission && !loadAtlasImage(sprites, art.sprites, &problem)) return s.fail(problem);
    if (!withMission) art.sprites.assign(art.tiles.size(), 255);

    // The editor's height field starts at 0 everywhere: tile objects show black.
    const MapObjects objects{&structures, &tileObjects, nullptr};
    std::vector<uint8_t> rgb;
    renderMapImage(map, art, withMission ? &objects : nullptr, cell, rgb);
    const int32_t side = 64 * cell;
    std::vector<uint8_t> png;
    if (!encodePngImage(side, side, rgb, png)) return s.fail("cannot encode the picture");
    return writeOutput(s, p, png, {tiles, withMission ? sprites : std::string()});
}

int fill(const Streams& s, const Parsed& p) {
    for (const char* needed : {"-o", "--heights", "--at", "--kind"})
        if (!p.values.count(needed)) return s.usage(std::string("fill needs ") + needed);
    const std::string at = p.values.at("--at");
    const size_t comma = at.find(',');
    int32_t x = 0, y = 0, kind = 0;
    if (comma == std::string::npos || !number(at.substr(0, comma), 0, kFillSide - 1, x) ||
        !number(at.substr(comma + 1), 0, kFillSide - 1, y))
        return s.usage("--at must be X,Y with each in 0..128");
    if (!number(p.values.at("--kind"), 0, 4, kind)) return s.usage("--kind must be 0, 1, 2, 3 or 4");

    GroundMap working(64, 64), preview(64, 64);
    int code = kFailed;
    if (!loadWholeMap(s, p.positional[0], working, code)) return code;
    // The field as the editor's starts (all 0); the image fills points x, y < 128 as G does.
    std::vector<double> values(static_cast<size_t>(kHeightFieldSide) * kHeightFieldSide, 0.0);
    HeightField field{kHeightFieldSide, kHeightFieldSide, values.data()};
    if (!loadHeights(s, p.values.at("--heights"), field, code)) return code;
    // The cursor exactly over the point: the editor's lattice position of
    // that pixel includes the half step, so the threshold is its own mix of
    // the point and its neighbours.
    const LatticePos cursor{x + 0.5, y + 0.5};
    commitFillPreview(working, preview, field, cursor, kind, p.below);
    std::vector<uint8_t> bytes;
    mapFileBytes(working, bytes);
    return writeOutput(s, p, bytes);
}

// The modes --symmetry names, as the editor's V steps through them.
struct SymmetryMode {
    const char* name;
    Symmetry symmetry;
};
constexpr SymmetryMode kSymmetryModes[] = {{"left-right", Symmetry::mirrorLeftRight},
                                           {"top-bottom", Symmetry::mirrorTopBottom},
                                           {"four-ways", Symmetry::mirrorFourWays},
                                           {"half-turn", Symmetry::halfTurn}};

const char* const kKindNames[5] = {"sand", "grass", "rock", "snow", "water"};

// check --symmetry's lines for one map: the points unlike their image, the
// kinds of each part (points on an axis in none), and with the mission's
// lists the objects without a twin. True when any point or object is unlike
// its image.
bool symmetryReport(const GroundMap& map, const SymmetryMode& mode, const std::string& path,
                    const std::vector<StructureRecord>* structures, const std::vector<TileObjectRecord>& tileObjects,
                    std::string& report) {
    const int32_t w = map.latticeStride(), h = 2 * map.height + 1;
    const int32_t unlike = countUnlikeImage(map, mode.symmetry);
    report += path + ": " + std::to_string(unlike) + " points unlike their image under " + mode.name + "\n";
    int32_t counts[4][5] = {};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int32_t part = symmetryPartOf(mode.symmetry, {x, y}, w, h);
            const uint8_t kind = map.cornerAt(x, y);
            if (part >= 0 && kind < 5) ++counts[part][kind];
        }
    for (int32_t part = 0; part < symmetryPartCount(mode.symmetry); ++part) {
        report += path + ": " + symmetryPartName(mode.symmetry, part) + ":";
        for (int32_t k = 0; k < 5; ++k)
            report += std::string(k ? ", " : " ") + kKindNames[k] + " " + std::to_string(counts[part][k]);
        report += "\n";
    }
    if (!structures) return unlike > 0;
    std::vector<ObjectWithoutTwin> alone;
    findObjectsWithoutTwin(*structures, tileObjects, mode.symmetry, map.width, map.height, alone);
    for (const ObjectWithoutTwin& o : alone)
        report += path + ": " + (o.structure ? "structure " : "tile object ") + std::to_string(o.id) + " at cell " +
                  std::to_string(o.x) + "," + std::to_string(o.y) + " has no twin at cell " + std::to_string(o.twinX) +
                  "," + std::to_string(o.twinY) + "\n";
    return unlike > 0 || !alone.empty();
}

// One map's check. With several maps (`named`), each line of the usual
// report starts with the map's name, as the symmetry's lines always do.
int checkMap(const Streams& s, const Parsed& p, const std::string& path, const SymmetryMode* mode, bool named) {
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    const MapRead read = readMapFile(path, bytes, size);
    if (read == MapRead::CannotRead) return s.fail("cannot read map " + path);
    std::vector<std::string> problems;
    if (read == MapRead::TooLarge || size != kMapBytes)
        problems.push_back("the file is " + std::to_string(size) + " bytes; a map file is 4096 bytes");

    std::string report;
    GroundMap map(64, 64);
    if (read == MapRead::Read) {
        loadMapBytes(bytes.data(), bytes.size(), map);
        int32_t counts[6] = {0, 0, 0, 0, 0, 0};
        const int32_t points = map.latticeStride() * (2 * map.height + 1);
        for (int32_t i = 0; i < points; ++i) ++counts[map.corners[i] < 5 ? map.corners[i] : 5];
        for (int k = 0; k < 5; ++k)
            report += "kind " + std::to_string(k) + " (" + kKindNames[k] + "): " + std::to_string(counts[k]) + " points\n";
        // Selecting every cell again from its decoded points: the cells whose
        // tile the editor would change once a stroke reaches them.
        GroundMap again(64, 64);
        again.copyFrom(map);
        int32_t differ = 0, never = 0;
        std::string firstNever;
        for (int32_t y = 0; y < map.height; ++y)
            for (int32_t x = 0; x < map.width; ++x) {
                again.selectTile(x, y);
                differ += again.tileAt(x, y) != map.tileAt(x, y);
                if (!tileEverSelected(map.tileAt(x, y))) {
                    if (never < 10) firstNever += " " + std::to_string(x) + "," + std::to_string(y);
                    ++never;
                }
            }
        report += "cells whose tile the editor would choose differently from their loaded points: " +
                  std::to_string(differ) + "\n";
        if (never)
            problems.push_back(std::to_string(never) + " cells hold a tile the editor never selects; first:" +
                               firstNever);
    }

    std::vector<StructureRecord> structures;
    std::vector<TileObjectRecord> tileObjects;
    bool withObjects = false;  // a mission read whole
    if (p.values.count("--mission")) {
        const std::string& mission = p.values.at("--mission");
        std::vector<uint8_t> missionBytes;
        uint64_t missionSize = 0;
        const FileRead mr = isReadableRegularFile(mission.c_str())
                                ? readWholeFile(mission.c_str(), kMaxMissionBytes, true, missionBytes, &missionSize)
                                : FileRead::CannotRead;
        if (mr == FileRead::CannotRead && !isReadableRegularFile(mission.c_str()))
            return s.fail("cannot read mission " + mission);
        MissionRead got = MissionRead::TooLarge;
        if (mr != FileRead::Longer) got = readMissionBytes(missionBytes.data(), missionBytes.size(), structures, tileObjects);
        if (got == MissionRead::TooLarge) {
            problems.push_back("the mission is " + std::to_string(missionSize) +
                               " bytes, more than the editor reads (4194304)");
        } else if (got == MissionRead::TooManyObjects) {
            problems.push_back("the mission holds more than " + std::to_string(kMaxMissionObjects) +
                               " structures or tile objects, more than the editor reads");
        } else {
            withObjects = true;
            report += "mission: " + std::to_string(structures.size()) + " structures, " +
                      std::to_string(tileObjects.size()) + " tile objects\n";
            int32_t badSprites = 0;
            for (const StructureRecord& r : structures) badSprites += r.spriteIndex < 0 || r.spriteIndex > 18;
            if (badSprites)
                problems.push_back(std::to_string(badSprites) +
                                   " structures with a sprite index outside 0..18, which the editor skips");
        }
    }
    for (const std::string& problem : problems) report += "problem: " + problem + "\n";
    report += problems.empty() ? "no problems\n" : std::to_string(problems.size()) + " problem(s)\n";
    if (named) {
        std::string prefixed;
        for (size_t at = 0; at < report.size();) {
            const size_t end = report.find('\n', at) + 1;
            prefixed += path + ": " + report.substr(at, end - at);
            at = end;
        }
        report = prefixed;
    }
    const bool unlike = mode && read == MapRead::Read &&
                        symmetryReport(map, *mode, path, withObjects ? &structures : nullptr, tileObjects, report);
    if (std::fputs(report.c_str(), s.out) < 0 || std::fflush(s.out) != 0) return s.fail("cannot write the report");
    return problems.empty() && !unlike ? kDone : kProblem;
}

int check(const Streams& s, const Parsed& p) {
    const SymmetryMode* mode = nullptr;
    if (p.values.count("--symmetry")) {
        for (const SymmetryMode& m : kSymmetryModes)
            if (p.values.at("--symmetry") == m.name) mode = &m;
        if (!mode) return s.usage("--symmetry must be left-right, top-bottom, four-ways or half-turn");
    }
    // Every map in turn, even after one that cannot be read: the worst outcome is the exit code.
    int code = kDone;
    for (const std::string& path : p.positional) {
        const int one = checkMap(s, p, path, mode, p.positional.size() > 1);
        code = one > code ? one : code;
    }
    return code;
}

// The kinds' colours in a kinds picture, in kind order: palette index = kind.
constexpr uint8_t kKindColours[5][3] = {
    {0xE8, 0xD8, 0xA8}, {0x4C, 0xA0, 0x3C}, {0x8C, 0x8C, 0x8C}, {0xF4, 0xF8, 0xFC}, {0x28, 0x60, 0xC8}};

int kinds(const Streams& s, const Parsed& p) {
    if (!p.values.count("-o")) return s.usage("kinds needs -o OUT.png");
    GroundMap map(64, 64);
    int code = kFailed;
    if (!loadWholeMap(s, p.positional[0], map, code)) return code;
    // The lattice is row-major, point (x, y) at y * stride + x: the PNG's
    // pixel order, so its bytes are the indices as they stand.
    std::vector<uint8_t> png;
    if (!encodePalettePng(map.latticeStride(), 2 * map.height + 1, map.corners, &kKindColours[0][0], 5, png))
        return s.fail("cannot encode the picture");
    return writeOutput(s, p, png);
}

// The kind a colour gives: an exact kind colour's kind, else with `nearest`
// the kind of the nearest colour (squared RGB distance, ties to the lower
// kind), else -1.
int32_t kindOfColour(const uint8_t rgb[3], bool nearest) {
    int32_t best = -1, bestDistance = 0;
    for (int32_t k = 0; k < 5; ++k) {
        int32_t d = 0;
        for (int c = 0; c < 3; ++c) d += (rgb[c] - kKindColours[k][c]) * (rgb[c] - kKindColours[k][c]);
        if (d == 0) return k;
        if (best < 0 || d < bestDistance) best = k, bestDistance = d;
    }
    return nearest ? best : -1;
}

int paint(const Streams& s, const Parsed& p) {
    for (const char* needed : {"-o", "--image"})
        if (!p.values.count(needed)) return s.usage(std::string("paint needs ") + needed);
    GroundMap map(64, 64);
    int code = kFailed;
    if (!p.cleared && !loadWholeMap(s, p.positional[0], map, code)) return code;

    // The image through the editor's decoder: PNG or BMP only, never a raw file.
    const std::string& image = p.values.at("--image");
    const int32_t w = map.latticeStride(), h = 2 * map.height + 1;
    std::vector<uint8_t> bgr(3 * static_cast<size_t>(w) * h);
    bool decoded = false;
    std::string reason;
    const bool read = readImage(
        image.c_str(), "The image", w,
        [&](const uint8_t* file, size_t size, ImageSize* found) {
            const ImageDecode d = decodeSquareImage(file, size, w, bgr.data(), *found);
            decoded = d == ImageDecode::Decoded;
            return d != ImageDecode::OtherSize;
        },
        &reason);
    if (!read) return s.fail(reason.empty() ? "cannot read image " + image : image + ": " + reason);
    if (!decoded) return s.fail(image + ": not a PNG or BMP image the editor reads");

    // Every pixel's kind first: a colour that is no kind's refuses the image
    // before anything is painted. The decoder's rows run bottom-up.
    std::vector<uint8_t> wanted(static_cast<size_t>(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* px = &bgr[3 * (static_cast<size_t>(h - 1 - y) * w + x)];
            const uint8_t rgb[3] = {px[2], px[1], px[0]};
            const int32_t kind = kindOfColour(rgb, p.nearest);
            if (kind < 0) {
                char colour[8];
                std::snprintf(colour, sizeof colour, "%02X%02X%02X", rgb[0], rgb[1], rgb[2]);
                return s.fail(image + ": pixel " + std::to_string(x) + "," + std::to_string(y) + " is #" + colour +
                              ", not one of the five kinds' colours (try --nearest)");
            }
            wanted[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(kind);
        }

    // Row by row; each point judged by the lattice as it stands at its turn,
    // after the repairs of the points before it.
    int32_t painted = 0, differ = 0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t kind = wanted[static_cast<size_t>(y) * w + x];
            if (map.cornerAt(x, y) == kind) continue;
            map.paintCorner(x, y, kind);
            ++painted;
        }
    for (size_t i = 0; i < wanted.size(); ++i) differ += map.corners[i] != wanted[i];

    std::vector<uint8_t> bytes;
    mapFileBytes(map, bytes);
    const int written = writeOutput(s, p, bytes);
    if (written != kDone) return written;
    // With the map on standard output the line goes beside it, not into it.
    const std::string& out = p.values.at("-o");
    FILE* const report = out == "-" || out == "/dev/stdout" ? s.err : s.out;
    if (std::fprintf(report, "%s: %d points painted; %d points differ from the image after the repairs\n", out.c_str(),
                     painted, differ) < 0 ||
        std::fflush(report) != 0)
        return s.fail("cannot write the report");
    return kDone;
}

}  // namespace

int runMapTool(const std::vector<std::string>& args, const std::string& programPath, FILE* out, FILE* err) {
    const Streams s{out, err};
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        if (std::fputs(kUsage, out) < 0 || std::fflush(out) != 0) return s.fail("cannot write the usage");
        return kDone;
    }
    if (args.size() == 1 && args[0] == "--version") {
        if (std::fprintf(out, "vorn-map %s\n", VORN_VERSION) < 0 || std::fflush(out) != 0)
            return s.fail("cannot write the version");
        return kDone;
    }
    const Parsed p = parse(args);
    if (!p.problem.empty()) return s.usage(p.problem);
    initPatternTable();
    if (p.command == "render") return render(s, p, programPath);
    if (p.command == "fill") return fill(s, p);
    if (p.command == "kinds") return kinds(s, p);
    if (p.command == "paint") return paint(s, p);
    return check(s, p);
}
