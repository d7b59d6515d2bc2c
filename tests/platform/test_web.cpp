// The Win32 layer over the browser page, the parts that need no page: keys to
// virtual keys, which keys stay the browser's, saved files noticed for
// download, save names cut for a download, and the module path. Runs in node, beside the shared answers'
// tests (test_win32_shared.cpp).
#include <gtest/gtest.h>

#include <emscripten.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/web/platform.h"

namespace {

TEST(WebKeys, BrowserKeysBecomeVirtualKeys) {
    struct Case { const char* code; unsigned long keyCode; int vk; };
    const Case cases[] = {
        {"KeyA", 'A', 'A'}, {"KeyZ", 'Z', 'Z'},
        {"KeyQ", 'A', 'A'},                      // a layout's A where US has Q: by meaning
        {"KeyO", 0, 'O'},                        // no legacy code (a script's event): by position
        {"Digit0", '0', '0'}, {"Digit4", 222, '4'},  // the digit row by position, whatever it types
        {"Numpad0", 96, VK_NUMPAD0}, {"Numpad9", 105, VK_NUMPAD0 + 9},
        {"F1", 112, VK_F1}, {"F10", 121, VK_F1 + 9}, {"F12", 123, VK_F1 + 11}, {"F13", 124, 0},
        {"Escape", 27, VK_ESCAPE}, {"Space", 32, VK_SPACE}, {"Enter", 13, VK_RETURN},
        {"ArrowLeft", 37, VK_LEFT}, {"ArrowDown", 40, VK_DOWN}, {"Home", 36, VK_HOME},
        {"ControlLeft", 17, VK_CONTROL}, {"ShiftRight", 16, VK_SHIFT}, {"AltLeft", 18, VK_MENU},
        {"Semicolon", 186, 0}, {"", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::virtualKeyFor(c.code, c.keyCode), c.vk) << "code \"" << c.code << "\" keyCode " << c.keyCode;
}

// The command table's answers, as the page's main hands them to the layer.
void useTheTablesKeys() {
    platform::page().hooks.editorTakesCtrlShift = [](int vk) { return vk == 'Z'; };
    platform::page().hooks.browserActsToo = [](int vk, bool ctrl, bool) { return ctrl && (vk == 'C' || vk == 'V'); };
}

TEST(WebKeys, OnlyReloadFullScreenToolsAndSystemShortcutsStayTheBrowsers) {
    useTheTablesKeys();
    struct Case { int vk; bool ctrl, shift, alt, meta; bool browser; };
    const Case cases[] = {
        {'S', true, false, false, false, false},   // Ctrl+S saves in the editor
        {'Z', true, false, false, false, false},
        {'Y', true, false, false, false, false},
        {'Z', true, true, false, false, false},     // Ctrl+Shift+Z redoes
        {VK_F1, false, false, false, false, false},
        {VK_SPACE, false, false, false, false, false},
        {VK_ESCAPE, false, false, false, false, false},
        {VK_CONTROL, true, true, false, false, false},  // the modifiers themselves still count
        {VK_F1 + 4, false, false, false, false, true},  // F5 reloads
        {VK_F1 + 10, false, false, false, false, true}, // F11 full screen
        {VK_F1 + 11, false, false, false, false, true}, // F12 developer tools
        {'I', true, true, false, false, true},          // Ctrl+Shift+I
        {'D', false, false, true, false, true},         // Alt+D
        {'R', false, false, false, true, true},         // Meta+R
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::browserKeepsKey(c.vk, c.ctrl, c.shift, c.alt, c.meta), c.browser)
            << "vk " << c.vk << " ctrl " << c.ctrl << " shift " << c.shift << " alt " << c.alt << " meta " << c.meta;
}

// Ctrl+C and Ctrl+V are the editor's and the browser's both (its copy and
// paste events carry the text); no other key is.
TEST(WebKeys, CopyAndPasteAlsoReachTheBrowser) {
    useTheTablesKeys();
    struct Case { int vk; bool ctrl; bool also; };
    const Case cases[] = {{'C', true, true}, {'V', true, true}, {'C', false, false}, {'V', false, false},
                          {'S', true, false}, {'X', true, false}};
    for (const Case& c : cases)
        EXPECT_EQ(platform::browserAlsoActsOn(c.vk, c.ctrl, false), c.also) << "vk " << c.vk << " ctrl " << c.ctrl;
}

// Text a paste event left on the page is what the clipboard holds next, and
// the page's own text after that.
TEST(WebClipboard, PastedTextIsReadOnce) {
    EM_ASM({ Module.vornPasted = "VornGroundEditor stamp 1 1 1\n2\n"; });
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE answer = GetClipboardData(CF_TEXT);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(answer)), "VornGroundEditor stamp 1 1 1\n2\n");
    GlobalUnlock(answer);
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(memory), "abc", 4);
    GlobalUnlock(memory);
    ASSERT_NE(SetClipboardData(CF_TEXT, memory), nullptr);
    answer = GetClipboardData(CF_TEXT);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(answer)), "abc");
    GlobalUnlock(answer);
    CloseClipboard();
}

void writeBytes(const std::string& path, const char* bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fputs(bytes, f);
    std::fclose(f);
}

// Each save to a path the layer gave out must reach the user once, nothing
// else may, and a save of the bytes last downloaded under the same name (a
// Ctrl+S with nothing changed) is not handed over again, unless a dialog or
// a drop gave the path out anew since. The shell's safe save writes a new
// file and renames it over the old one; a write in place shows by its size.
TEST(WebFiles, EveryChangedWriteToAGivenPathIsDeliveredOnce) {
    const std::string folder = "web-files-scratch";
    mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/quick.map", temp = folder + "/.temp";
    unlink(path.c_str());
    platform::watchFile(path);
    struct Step { const char* what; const char* bytes; bool inPlace; bool givenOutAgain; int delivered; };
    const Step steps[] = {
        {"nothing written (a failed save)", nullptr, false, false, 0},
        {"first save", "abc", false, false, 1},
        {"looked at again", nullptr, false, false, 0},
        {"quick save, other bytes", "abd", false, false, 1},
        {"quick save, the same bytes", "abd", false, false, 0},
        {"written in place, longer", "abde", true, false, 1},
        {"written in place, the same bytes", "abde", true, false, 0},
        {"given out again, the same bytes", "abde", false, true, 1},
        {"back to bytes downloaded before the last", "abd", false, false, 1},
    };
    for (const Step& s : steps) {
        if (s.givenOutAgain) platform::watchFile(path);
        if (s.bytes && s.inPlace) writeBytes(path, s.bytes);
        if (s.bytes && !s.inPlace) {
            writeBytes(temp, s.bytes);
            ASSERT_EQ(std::rename(temp.c_str(), path.c_str()), 0) << s.what;
        }
        EXPECT_EQ(platform::serviceFiles(), s.delivered) << s.what;
    }
    writeBytes(folder + "/unwatched.map", "abc");
    EXPECT_EQ(platform::serviceFiles(), 0) << "a path never given out";
    unlink(path.c_str());
    unlink((folder + "/unwatched.map").c_str());
    EXPECT_EQ(platform::serviceFiles(), 0) << "a watched file removed";
    rmdir(folder.c_str());
}

// Browsers save a download under at most 255 bytes of name; a longer one
// used to end the save dialog with nothing downloaded.
TEST(WebFiles, SaveNamesAreCutToADownloadableLengthKeepingTheExtension) {
    const std::string a250(250, 'a'), a251(251, 'a'), a5000(5000, 'x');
    std::string cyrillic;  // "к" is two bytes: 130 of them, 260 bytes
    for (int i = 0; i < 130; ++i) cyrillic += "\xD0\xBA";
    std::string euro;  // "€" is three bytes
    for (int i = 0; i < 100; ++i) euro += "\xE2\x82\xAC";
    struct Case { const char* what; std::string typed; std::string expected; bool cut; };
    const Case cases[] = {
        {"short", "painted.map", "painted.map", false},
        {"folders become part of the name", "a/b\\c.map", "a_b_c.map", false},
        {"a dot alone", "..", "map", false},
        {"exactly 255 bytes", a251 + ".map", a251 + ".map", false},
        {"256 bytes: cut before the extension", a251 + "b.map", a251 + ".map", true},
        {"5000 characters", a5000 + ".map", std::string(251, 'x') + ".map", true},
        {"no extension", a5000, std::string(255, 'x'), true},
        {"an extension too long to keep", a250 + "." + a250, a250 + "." + std::string(4, 'a'), true},
        {"two-byte characters at the boundary", cyrillic + ".map", cyrillic.substr(0, 250) + ".map", true},
        {"three-byte characters at the boundary", euro + ".map", euro.substr(0, 249) + ".map", true},
        {"a multi-byte extension", a5000 + ".\xD0\xBA\xD0\xB0", std::string(250, 'x') + ".\xD0\xBA\xD0\xB0", true},
    };
    for (const Case& c : cases) {
        bool cut = !c.cut;
        const std::string got = platform::downloadName(c.typed, &cut);
        EXPECT_EQ(got, c.expected) << c.what << ": expected " << c.expected.size() << " bytes, got " << got.size();
        EXPECT_EQ(cut, c.cut) << c.what;
        EXPECT_LE(got.size(), platform::kDownloadNameBytes) << c.what;
    }
}

TEST(WebFiles, ModulePathIsBesideTheArt) {
    char buffer[64];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n), "/VornGroundEditor");
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, 5), 5u) << "a short buffer: truncated, and its size back";
    EXPECT_STREQ(buffer, "/Vor");
}

}  // namespace
