// The file being edited, through the window procedure: saving and opening,
// undo and redo with the current file, the questions before replacing
// unsaved work or writing over a changed file, the title, dropped files.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fake_host.h"
#include "shell_test.h"
#include "height/height_field.h"
#include "map/ground_map.h"
#include "map/stamp.h"
#include "shell/commands.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/startup.h"
#include "shell/wndproc.h"

namespace {

using namespace shell_test;

TEST_F(Shell, SaveThenOpenRoundTrips) {
    const std::string path = tempPath("round.map");
    workingMap.paintCorner(20, 30, 2);
    GroundMap painted(64, 64);
    painted.copyFrom(workingMap);
    host.dialogAnswers = {path};
    key('S');
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.quitPosts, 0);
    key('C');  // cancelled by the fake: the map stays
    host.boxAnswers = {IDYES, IDNO};  // clear, then "save the cleared map?" before O: No
    key('C');
    host.dialogAnswers = {path};
    key('O');
    EXPECT_EQ(std::vector<uint8_t>(workingMap.tiles, workingMap.tiles + 4096),
              std::vector<uint8_t>(painted.tiles, painted.tiles + 4096));
    std::remove(path.c_str());

    // S into a folder that does not exist says so, and why.
    host.dialogAnswers = {tempPath("missing_dir/x.map")};
    key('S');
    ASSERT_EQ(host.boxes.size(), 4u);
    EXPECT_EQ(host.boxes[3].text, "Could not save map.\nNo such file or directory");
    EXPECT_EQ(host.quitPosts, 0);
}

// Each step also checks the current file, the "*" and whether an open asked
// about unsaved changes (always answered No).
TEST_F(Shell, UndoRedoRestoresBothGridsAndTheFileAfterEveryStep) {
    const std::string rockFile = tempPath("rock.map"), mixedFile = tempPath("mixed.map");
    writeBytes(rockFile, std::vector<uint8_t>(4096, 192));
    std::vector<uint8_t> mixed(4096, kPlainTile);
    for (int i = 0; i < 4096; i += 7) mixed[i] = static_cast<uint8_t>(i);
    writeBytes(mixedFile, mixed);
    std::fill(heightField.values, heightField.values + heightField.width * heightField.height, 0.0);

    enum Action { kStroke, kFill, kClear, kOpen, kOpenMissing, kDrop, kUndo, kRedoY, kRedoShiftZ, kQuickSave, kStart };
    enum File { none, rock, mix };
    const char* const fileNames[] = {"", "rock.map", "mixed.map"};
    // expect: index of the state the map must be in afterwards; new states
    // are numbered in order of appearance (state 0 is the blank start).
    struct Step { Action action; int kind; double at; int expect; File file; bool modified; bool asks = false; };
    const Step steps[] = {
        {kStroke, 2, 10, 1, none, true}, {kStroke, 1, 30, 2, none, true}, {kUndo, 0, 0, 1, none, true},
        {kUndo, 0, 0, 0, none, false}, {kUndo, 0, 0, 0, none, false}, {kRedoY, 0, 0, 1, none, true},
        {kRedoShiftZ, 0, 0, 2, none, true}, {kRedoY, 0, 0, 2, none, true}, {kUndo, 0, 0, 1, none, true},
        {kStroke, 0, 90, 1, none, true},                                   // changes no byte: no step
        {kStroke, 3, 50, 3, none, true}, {kRedoY, 0, 0, 3, none, true},    // a new change dropped the redo step
        {kFill, 4, 0, 4, none, true}, {kClear, 0, 0, 0, none, true}, {kUndo, 0, 0, 4, none, true},
        {kUndo, 0, 0, 3, none, true}, {kRedoY, 0, 0, 4, none, true},
        {kOpen, 0, 0, 5, rock, false, true}, {kOpenMissing, 0, 0, 5, rock, false, false},
        {kDrop, 0, 0, 6, mix, false, false},
        // Undo and redo across opens move the file with the map.
        {kUndo, 0, 0, 5, rock, false}, {kUndo, 0, 0, 4, none, true}, {kRedoY, 0, 0, 5, rock, false},
        {kRedoY, 0, 0, 6, mix, false},
        // The probe: paint B, open A, undo: B's painted map with B's "*";
        // Ctrl+S writes B; redo and undo keep each file's own mark.
        {kStroke, 1, 20, 7, mix, true}, {kOpen, 0, 0, 5, rock, false, true}, {kUndo, 0, 0, 7, mix, true},
        {kQuickSave, 0, 0, 7, mix, false}, {kRedoY, 0, 0, 5, rock, false}, {kUndo, 0, 0, 7, mix, false},
        // rock.map was read again since state 5: the editor cannot tell that
        // state 5 is still its content, and marks it as changed.
        {kUndo, 0, 0, 6, mix, true}, {kUndo, 0, 0, 5, rock, true}, {kUndo, 0, 0, 4, none, true},
        {kUndo, 0, 0, 3, none, true}, {kUndo, 0, 0, 1, none, true}, {kUndo, 0, 0, 0, none, false},
        {kUndo, 0, 0, 0, none, false}, {kRedoY, 0, 0, 1, none, true},
        // A command-line load at start: undone, the cleared map and no file.
        {kStart, 0, 0, 5, rock, false, false}, {kStroke, 2, 40, 8, rock, true}, {kUndo, 0, 0, 5, rock, false},
        {kUndo, 0, 0, 0, none, false}, {kRedoY, 0, 0, 5, rock, false},
        // Drops without and with unsaved changes; the second reloads the current file.
        {kDrop, 0, 0, 9, mix, false, false}, {kStroke, 3, 60, 10, mix, true}, {kDrop, 0, 0, 9, mix, false, true},
        {kUndo, 0, 0, 10, mix, true}, {kRedoY, 0, 0, 9, mix, false},
    };
    std::vector<std::vector<uint8_t>> states = {snapshot(workingMap)};
    std::vector<uint8_t> quickSaved;
    int n = 0;
    for (const Step& s : steps) {
        ++n;
        const size_t boxesBefore = host.boxes.size();
        host.boxAnswers = {IDNO};  // the question about unsaved changes, if asked
        switch (s.action) {
        case kStroke: stroke(s.kind, s.at, s.at); break;
        case kFill:
            editorState.editMode = EditMode::fill;
            editorState.currentKind = static_cast<TerrainKind>(s.kind);
            send(WM_MOUSEMOVE, 0, latticeAt(64.5, 64.5));
            send(WM_LBUTTONDOWN, MK_LBUTTON, latticeAt(64.5, 64.5));
            send(WM_LBUTTONUP, 0, latticeAt(64.5, 64.5));
            break;
        case kClear: host.boxAnswers = {IDYES}; key('C'); break;
        case kOpen: host.dialogAnswers = {rockFile}; key('O'); break;
        case kOpenMissing:
            host.dialogAnswers = {tempPath("missing.map")};
            key('O');
            ASSERT_FALSE(host.boxes.empty());
            EXPECT_EQ(host.boxes.back().text, "Could not read map " + tempPath("missing.map") + ".");
            break;
        case kDrop: drop({mixedFile, rockFile}); break;
        case kUndo: ctrlKey('Z'); break;
        case kRedoY: ctrlKey('Y'); break;
        case kRedoShiftZ: ctrlKey('Z', true); break;
        case kQuickSave:
            ctrlKey('S');
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) quickSaved.push_back(workingMap.tileAt(x, y));
            break;
        case kStart:
            workingMap.clear();
            send(WM_CREATE);
            EXPECT_TRUE(openStartMap(kWindow, rockFile.c_str()));
            break;
        }
        host.boxAnswers.clear();
        if (s.expect == static_cast<int>(states.size())) {
            EXPECT_NE(snapshot(workingMap), states.back()) << "step " << n << " must change the map";
            states.push_back(snapshot(workingMap));
        }
        ASSERT_LT(s.expect, static_cast<int>(states.size()));
        EXPECT_TRUE(snapshot(workingMap) == states[s.expect]) << "step " << n << ": expected state " << s.expect;
        bool asked = false;
        for (size_t i = boxesBefore; i < host.boxes.size(); ++i) asked = asked || host.boxes[i].text == "Do you want to save map?";
        EXPECT_EQ(asked, s.asks) << "step " << n << ": the question about unsaved changes";
        EXPECT_EQ(hasUnsavedChanges(), s.modified) << "step " << n;
        const std::string title = host.titles.empty() ? "" : host.titles.back();
        if (s.file == none) {
            EXPECT_EQ(title.find(".map"), std::string::npos) << "step " << n << ": no file expected in " << title;
            continue;
        }
        const std::string shown =
            tempPath(fileNames[s.file]).substr(tempPath("").rfind('/') + 1) + (s.modified ? "* - " : " - ");
        EXPECT_NE(title.find(shown), std::string::npos) << "step " << n << ": expected " << shown << " in " << title;
    }
    EXPECT_EQ(host.dialogs.size(), 3u) << "undo and redo ask nothing";
    EXPECT_EQ(host.boxes.size(), 5u) << "C, three questions and one failed open";
    EXPECT_TRUE(readBytes(mixedFile) == quickSaved) << "Ctrl+S after the undo wrote the file the title named";
    EXPECT_TRUE(readBytes(rockFile) == std::vector<uint8_t>(4096, 192)) << "the other file kept its bytes";
    std::remove(rockFile.c_str());
    std::remove(mixedFile.c_str());
}

// O and a drop over unsaved changes: the question's answers, and a Yes
// that saves as Ctrl+S does (to the current file, else through the dialog).
TEST_F(Shell, ReplacingUnsavedChangesAsksFirst) {
    const std::string next = tempPath("next.map"), current = tempPath("current.map"), chosen = tempPath("chosen.map");
    const std::string lostDir = tempPath("lost_dir"), lost = lostDir + "/current.map";
    writeBytes(next, std::vector<uint8_t>(4096, 192));
    struct Case { bool painted; const char* file; int answer; const char* saveTo; bool opens; const char* savedIn; const char* what; };
    const Case cases[] = {
        {false, "", 0, nullptr, true, nullptr, "nothing unsaved: no question"},
        {true, "", IDNO, nullptr, true, nullptr, "No opens without saving"},
        {true, "current", IDCANCEL, nullptr, false, nullptr, "Cancel keeps everything"},
        {true, "current", IDYES, nullptr, true, "current", "Yes saves to the current file"},
        {true, "", IDYES, "chosen", true, "chosen", "Yes without a file saves through the dialog"},
        {true, "", IDYES, "", false, nullptr, "Yes, save dialog cancelled"},
        {true, "lost", IDYES, nullptr, false, nullptr, "Yes, the save fails"},
    };
    auto pathOf = [&](const std::string& f) { return f == "current" ? current : f == "chosen" ? chosen : f == "lost" ? lost : f; };
    for (const Case& c : cases) {
        for (bool byDrop : {false, true}) {
            const std::string what = std::string(c.what) + (byDrop ? " (drop)" : " (O)");
            resetFakeHost();
            workingMap.clear();
            resetDocument();
            std::remove(current.c_str());
            std::remove(chosen.c_str());
            if (*c.file) {
                if (pathOf(c.file) == lost) {
                    ASSERT_EQ(mkdir(lostDir.c_str(), 0700), 0);
                }
                writeBytes(pathOf(c.file), std::vector<uint8_t>(4096, kPlainTile));
                ASSERT_TRUE(openStartMap(kWindow, pathOf(c.file).c_str()));
            }
            if (pathOf(c.file) == lost) {  // the current file can no longer be written
                std::remove(lost.c_str());
                rmdir(lostDir.c_str());
            }
            if (c.painted) stroke(2, 20, 20);
            const std::vector<uint8_t> before = snapshot(workingMap);
            std::vector<uint8_t> tiles;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) tiles.push_back(workingMap.tileAt(x, y));
            if (c.answer) host.boxAnswers = {c.answer, IDYES};  // then Yes to saving over a file gone
            if (c.saveTo) host.dialogAnswers = {pathOf(c.saveTo)};
            if (byDrop) {
                drop({next});
            } else {
                host.dialogAnswers.push_front(next);
                key('O');
            }
            ASSERT_EQ(host.boxes.empty(), c.answer == 0) << what;
            if (c.answer) {
                EXPECT_EQ(host.boxes[0].text, "Do you want to save map?") << what;
                EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
                EXPECT_EQ(host.boxes[0].type, UINT(MB_YESNOCANCEL));
            }
            EXPECT_EQ(host.dialogs.size(), (byDrop ? 0u : 1u) + (c.saveTo ? 1u : 0u)) << what;
            if (c.saveTo && !byDrop) {
                EXPECT_FALSE(host.dialogs[0].save) << "the map is chosen before the question";
            }
            if (std::string(c.file) == "lost" && c.answer == IDYES) {
                // Where files have stamps (not in the browser), the file gone
                // since the open is asked about first.
                const bool stamps = fileStamp(next.c_str()).known;
                ASSERT_EQ(host.boxes.size(), stamps ? 3u : 2u) << what;
                if (stamps) {
                    EXPECT_EQ(host.boxes[1].text, lost + " was changed by another program since it was opened or "
                                                         "saved. Save over it?");
                }
                EXPECT_EQ(host.boxes.back().text.rfind("Could not save map.", 0), 0u) << host.boxes.back().text;
            }
            EXPECT_EQ(snapshot(workingMap) != before, c.opens) << what;
            if (c.opens) {
                EXPECT_NE(host.titles.back().find(next.substr(next.rfind('/') + 1) + " - "), std::string::npos)
                    << what << ": " << host.titles.back();
            }
            if (c.savedIn) {
                EXPECT_TRUE(readBytes(pathOf(c.savedIn)) == tiles) << what << ": the painted map saved";
            }
            if (std::string(c.file) == "current" && !c.savedIn) {
                EXPECT_TRUE(readBytes(current) == std::vector<uint8_t>(4096, kPlainTile)) << what;
            }
        }
    }
    for (const std::string& f : {next, current, chosen}) std::remove(f.c_str());
}

// O, a drop and the command line read the file first: one that cannot be
// read or is over 1 MiB is refused with a message, one of another size than
// 4096 bytes opens only after a Yes; the map is unchanged otherwise.
TEST_F(Shell, OpenChecksTheFileFirst) {
    const std::string folder = tempPath("open_checks");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::string fifo = folder + "/pipe.map";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto sized = [&](const char* name, off_t size) {
        const std::string path = folder + "/" + name;
        writeBytes(path, std::vector<uint8_t>(static_cast<size_t>(std::min<off_t>(size, 8192)), 192));
        EXPECT_EQ(truncate(path.c_str(), size), 0);  // sparse past 8 KiB: no disk used
        return path;
    };
    const std::string question = " bytes; a map file is 4096 bytes. Open it as a map anyway?";
    struct Case { std::string path; int answer; std::string box; UINT type; bool opens; };
    const Case cases[] = {
        {sized("exact.map", 4096), 0, "", 0, true},
        {sized("long.map", 4097), IDNO, "@ is 4097" + question, MB_YESNO, false},
        {sized("long.map", 4097), IDYES, "@ is 4097" + question, MB_YESNO, true},
        {sized("short.map", 100), IDYES, "@ is 100" + question, MB_YESNO, true},
        {sized("empty.map", 0), IDNO, "@ is 0" + question, MB_YESNO, false},
        {sized("mib.map", 1 << 20), IDYES, "@ is 1048576" + question, MB_YESNO, true},
        {sized("big.map", (1 << 20) + 1), 0, "@ is 1048577 bytes, too large for a map file.", MB_OK | MB_ICONERROR, false},
        {sized("huge.map", off_t(1) << 36), 0, "@ is 68719476736 bytes, too large for a map file.", MB_OK | MB_ICONERROR, false},
        {fifo, 0, "Could not read map @.", MB_OK | MB_ICONERROR, false},
        {folder, 0, "Could not read map @.", MB_OK | MB_ICONERROR, false},
        {folder + "/missing.map", 0, "Could not read map @.", MB_OK | MB_ICONERROR, false},
    };
    // Node's file system makes neither a FIFO nor a sparse 64 GiB file; a row
    // whose file came out otherwise has nothing to check there.
    auto madeAsMeant = [&](const Case& c) {
        struct stat st;
        if (stat(c.path.c_str(), &st) != 0) return true;
        if (c.path == fifo) return S_ISFIFO(st.st_mode);
        if (c.path == folder + "/huge.map") return st.st_size == (off_t(1) << 36);
        return true;
    };
    enum How { byKey, byDrop, byCommandLine };
    for (const Case& c : cases) {
        if (!madeAsMeant(c)) continue;
        for (How how : {byKey, byDrop, byCommandLine}) {
            const std::string what = c.path + (how == byKey ? " by O" : how == byDrop ? " dropped" : " on the command line");
            resetFakeHost();
            workingMap.clear();
            resetDocument();
            const std::vector<uint8_t> blank = snapshot(workingMap);
            if (c.answer) host.boxAnswers = {c.answer};
            if (how == byKey) {
                host.dialogAnswers = {c.path};
                key('O');
            } else if (how == byDrop) {
                drop({c.path});
            } else {
                EXPECT_EQ(openStartMap(kWindow, c.path.c_str()), c.opens) << what;
            }
            EXPECT_EQ(snapshot(workingMap) != blank, c.opens) << what;
            EXPECT_EQ(hasUnsavedChanges(), false) << what;
            ASSERT_EQ(host.boxes.size(), c.box.empty() ? 0u : 1u) << what;
            if (c.box.empty()) continue;
            std::string text = c.box;
            text.replace(text.find('@'), 1, c.path);
            EXPECT_EQ(host.boxes[0].text, text) << what;
            EXPECT_EQ(host.boxes[0].caption, "VornGroundEditor");
            EXPECT_EQ(host.boxes[0].type, c.type) << what;
        }
    }
    EXPECT_EQ(system(("rm -rf '" + folder + "'").c_str()), 0);
}

TEST_F(Shell, UndoKeepsTheLast256ChangesAndDropsTheOldest) {
    std::vector<std::vector<uint8_t>> after;  // after[i]: the map after i + 1 strokes
    for (int i = 0; i < 300; ++i) {
        stroke(1 + i % 2, 20, 20);
        after.push_back(snapshot(workingMap));
    }
    int undone = 0;
    for (int i = 0; i < 300; ++i) {
        const std::vector<uint8_t> before = snapshot(workingMap);
        ctrlKey('Z');
        if (snapshot(workingMap) != before) ++undone;
    }
    EXPECT_EQ(undone, 256);
    EXPECT_TRUE(snapshot(workingMap) == after[300 - 256 - 1]) << "the oldest 44 changes are gone";
    for (int i = 0; i < 256; ++i) ctrlKey('Y');
    EXPECT_TRUE(snapshot(workingMap) == after.back());
}

TEST_F(Shell, UndoInFillModeRebuildsThePreview) {
    editorState.editMode = EditMode::fill;
    send(WM_MOUSEMOVE, 0, at(0, 0));  // off the lattice: the preview is the working map
    previewFill(800, 600);
    stroke(3, 40, 40);
    editorState.editMode = EditMode::fill;
    send(WM_MOUSEMOVE, 0, at(0, 0));
    previewFill(800, 600);
    EXPECT_TRUE(snapshot(previewMap) == snapshot(workingMap));
    ctrlKey('Z');
    previewFill(800, 600);
    EXPECT_TRUE(snapshot(previewMap) == snapshot(GroundMap(64, 64))) << "the next frame shows the map undone";
}

TEST_F(Shell, QuickSave) {
    const std::string path = tempPath("quick.map");
    const std::string folder = tempPath("quick_dir");
    std::remove(path.c_str());
    // No current file: Ctrl+S is S, a cancelled dialog included.
    ctrlKey('S');
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_TRUE(host.dialogs[0].save);
    host.dialogAnswers = {path};
    ctrlKey('S');
    EXPECT_EQ(host.dialogs.size(), 2u);
    EXPECT_EQ(readBytes(path).size(), 4096u);
    // With one: no dialog, the file follows the map.
    stroke(2, 12, 12);
    ctrlKey('S');
    EXPECT_EQ(host.dialogs.size(), 2u) << "Ctrl+S must not ask again";
    std::vector<uint8_t> tiles(4096);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) tiles[y * 64 + x] = workingMap.tileAt(x, y);
    EXPECT_TRUE(readBytes(path) == tiles);
    EXPECT_TRUE(host.boxes.empty());
    // A failed quick save (its folder gone) says so and why, keeps the "*",
    // and opens no dialog; where files have stamps it first asks whether to
    // write where the file went, and Yes tries.
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    const std::string inside = folder + "/gone.map";
    writeBytes(inside, tiles);
    host.dialogAnswers = {inside};
    key('O');
    const bool stamps = fileStamp(inside.c_str()).known;  // none in the browser
    std::remove(inside.c_str());
    rmdir(folder.c_str());
    stroke(1, 50, 50);
    host.boxAnswers = {IDYES};
    ctrlKey('S');
    ASSERT_EQ(host.boxes.size(), stamps ? 2u : 1u);
    EXPECT_EQ(host.boxes.back().text, "Could not save map.\nNo such file or directory");
    EXPECT_EQ(host.boxes.back().caption, "VornGroundEditor");
    EXPECT_EQ(host.dialogs.size(), 3u) << "only the two S's and O's dialogs";
    EXPECT_NE(host.titles.back().find("gone.map* - "), std::string::npos) << host.titles.back();
    std::remove(path.c_str());
}

// Ctrl+S over a current file another program wrote since (a newer save),
// replaced by another file, or removed: asked first, No leaves it alone, Yes
// saves; once saved here it is known again. The same after an open.
TEST_F(Shell, QuickSaveAsksBeforeWritingOverAChangedFile) {
    const std::string path = tempPath("changed.map");
    host.dialogAnswers = {path};
    key('S');
    stroke(2, 12, 12);
    std::vector<uint8_t> tiles(4096);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) tiles[y * 64 + x] = workingMap.tileAt(x, y);
    // The file written by another program since (a newer save), replaced
    // by another file, or gone: Ctrl+S asks first, and No leaves it alone.
    const std::vector<uint8_t> theirs(4096, 7);
    // Written in place, as a tool might: the same file and size, a later time
    // (set, as two writes within one tick of the file system's clock share it).
    auto writeLater = [&] {
        writeBytes(path, theirs);
        const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 10, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    };
    struct Change { const char* what; std::function<void()> make; };
    const Change changes[] = {
        {"written since", writeLater},
        {"replaced", [&] {
             writeBytes(path + ".new", theirs);
             ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
         }},
        {"gone", [&] { std::remove(path.c_str()); }},
    };
    const std::string question = path + " was changed by another program since it was opened or saved. Save over it?";
    for (const Change& c : changes) {
        c.make();
        const std::vector<uint8_t> there = readBytes(path);
        host.boxes.clear();
        host.boxAnswers = {IDNO};
        ctrlKey('S');
        ASSERT_EQ(host.boxes.size(), 1u) << c.what;
        EXPECT_EQ(host.boxes[0].text, question) << c.what;
        EXPECT_EQ(host.boxes[0].type, UINT(MB_YESNO)) << c.what;
        EXPECT_TRUE(readBytes(path) == there) << c.what << ": No writes nothing";
        host.boxAnswers = {IDYES};
        ctrlKey('S');
        EXPECT_EQ(host.boxes.size(), 2u) << c.what;
        EXPECT_TRUE(readBytes(path) == tiles) << c.what << ": Yes saves";
        ctrlKey('S');
        EXPECT_EQ(host.boxes.size(), 2u) << c.what << ": saved here, the file is known again";
    }
    EXPECT_EQ(host.dialogs.size(), 1u) << "S's dialog alone";
    // The same with the file opened: its stamp is taken at the open.
    host.dialogAnswers = {path};
    key('O');
    host.boxes.clear();
    ctrlKey('S');
    EXPECT_TRUE(host.boxes.empty()) << "unchanged since the open";
    writeLater();
    ctrlKey('S');
    EXPECT_EQ(host.boxes.size(), 1u) << "written since the open";
    host.boxes.clear();

    std::remove(path.c_str());
}

TEST_F(Shell, TitleFollowsFileModeKindBrushAndFill) {
    const std::string path = tempPath("desert.map");
    // title nullptr: unchanged; "@" stands for the file's name without its folder.
    struct Case { std::function<void()> act; const char* title; };
    const std::string prefix = "VornGroundEditor - ";
    const Case cases[] = {
        {[] { send(WM_CREATE); }, "view, kind 0 (sand), brush 1"},
        {[] { key('2'); }, "view, kind 2 (rock), brush 1"},
        {[] { key('E'); }, "corners, brush, kind 2 (rock), brush 1"},
        {[] { stroke(2, 30, 30); }, "untitled* - corners, brush, kind 2 (rock), brush 1"},  // work no file holds
        {[] { ctrlKey('Z'); }, "corners, brush, kind 2 (rock), brush 1"},
        {[] { key('W'); }, "corners, brush, kind 2 (rock), brush 2"},
        {[] { key('W'); }, "corners, brush, kind 2 (rock), brush 3"},
        {[] { send(WM_MOUSEMOVE, 0, at(5, 5)); key('Z'); key(VK_SPACE); }, nullptr},
        {[] { key('F'); }, "fill, kind 2 (rock), brush 3, fill above"},
        {[] { key('I'); }, "fill, kind 2 (rock), brush 3, fill below"},
        {[] { key('4'); }, "fill, kind 4 (water), brush 3, fill below"},
        {[] { key(VK_ESCAPE); }, "view, kind 4 (water), brush 3"},
        {[&] { fakeHost().dialogAnswers = {path}; key('S'); }, "@ - view, kind 4 (water), brush 3"},
        {[] { key('E'); }, "@ - corners, brush, kind 4 (water), brush 3"},
        {[] { key('2'); }, "@ - corners, brush, kind 2 (rock), brush 3"},
        {[] { stroke(2, 30, 30); }, "@* - corners, brush, kind 2 (rock), brush 3"},
        {[] { ctrlKey('Z'); }, "@ - corners, brush, kind 2 (rock), brush 3"},
        {[] { ctrlKey('Y'); }, "@* - corners, brush, kind 2 (rock), brush 3"},
        {[] { ctrlKey('S'); }, "@ - corners, brush, kind 2 (rock), brush 3"},
        {[] { ctrlKey('Z'); }, "@* - corners, brush, kind 2 (rock), brush 3"},
        {[] { fakeHost().boxAnswers = {IDYES}; key('C'); }, nullptr},
        {[&] { fakeHost().dialogAnswers = {path}; fakeHost().boxAnswers = {IDNO}; key('O'); },
         "@ - corners, brush, kind 2 (rock), brush 3"},
        {[] { key('Q'); }, "@ - corners, brush, kind 2 (rock), brush 2"},
        {[] { key('L'); }, "@ - corners, line, kind 2 (rock), brush 2"},
        {[] { key('V'); }, "@ - corners, line, kind 2 (rock), brush 2, mirror left-right"},
        {[] { key(VK_ESCAPE); }, "@ - view, kind 2 (rock), brush 2, mirror left-right"},
        {[] { key('V'); }, "@ - view, kind 2 (rock), brush 2, mirror top-bottom"},
        {[] { key('V'); }, "@ - view, kind 2 (rock), brush 2, mirror four ways"},
        {[] { key('F'); }, "@ - fill, kind 2 (rock), brush 2, fill below, mirror four ways"},
        {[] { key('A'); }, "@ - corners, rectangle, kind 2 (rock), brush 2, mirror four ways"},
        {[] { key('V'); }, "@ - corners, rectangle, kind 2 (rock), brush 2, half turn"},
        {[] { key('B'); }, "@ - corners, bucket, kind 2 (rock), brush 2, half turn"},
        {[] { key('V'); }, "@ - corners, bucket, kind 2 (rock), brush 2"},
        {[] { key('P'); }, "@ - corners, bucket, kind 0 (sand), brush 2"},  // point (5, 5) of the map loaded
        {[] { key(VK_HOME); }, nullptr},
        {[] { key('T'); }, "@ - corners, scatter 25%, kind 0 (sand), brush 2"},
        {[] { key('T'); }, "@ - corners, scatter 50%, kind 0 (sand), brush 2"},
        {[] { key('T'); }, "@ - corners, scatter 10%, kind 0 (sand), brush 2"},
        {[] { key('T'); }, "@ - corners, scatter 25%, kind 0 (sand), brush 2"},
        {[] { key('T'); }, "@ - corners, scatter 50%, kind 0 (sand), brush 2"},
        {[] { key(VK_ESCAPE); }, "@ - view, kind 0 (sand), brush 2"},
        {[] { key('T'); }, "@ - corners, scatter 50%, kind 0 (sand), brush 2"},  // back to it: no step
        {[] { key('D'); }, "@ - corners, brush, kind 0 (sand), brush 2"},
        {[] { key('T'); }, "@ - corners, scatter 50%, kind 0 (sand), brush 2"},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        const size_t before = host.titles.size();
        c.act();
        if (!c.title) {
            EXPECT_EQ(host.titles.size(), before) << "case " << n << " must not set the title";
            continue;
        }
        ASSERT_EQ(host.titles.size(), before + 1) << "case " << n << ": one title per change";
        std::string title = prefix + c.title;
        if (title.find('@') != std::string::npos) title.replace(title.find('@'), 1, path.substr(path.rfind('/') + 1));
        EXPECT_EQ(host.titles.back(), title) << "case " << n;
    }
    EXPECT_EQ(host.acceptFiles, TRUE);
    std::remove(path.c_str());
}

TEST_F(Shell, DroppedFilesOpenTheFirstAsOWould) {
    const std::string path = tempPath("dropped.map");
    writeBytes(path, std::vector<uint8_t>(4096, 192));
    GroundMap expected(64, 64);
    host.dialogAnswers = {path};
    key('O');
    expected.copyFrom(workingMap);
    workingMap.clear();
    resetDocument();
    drop({});                                                  // nothing named: nothing happens
    drop({tempPath("missing.map"), path});                     // the first cannot be read: ignored
    EXPECT_TRUE(snapshot(workingMap) == snapshot(GroundMap(64, 64)));
    drop({std::string(300, 'x'), path});                       // longer than MAX_PATH: read whole, not cut
    drop({path, tempPath("missing.map")});
    EXPECT_TRUE(snapshot(workingMap) == snapshot(expected));
    EXPECT_EQ(host.titles.back(), "VornGroundEditor - " + path.substr(path.rfind('/') + 1) + " - view, kind 0 (sand), brush 1");
    std::remove(path.c_str());
}

}  // namespace
