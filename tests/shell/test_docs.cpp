// The docs' key lists against what the generator writes from the command
// table. With VORN_WRITE_KEY_DOCS=1 in the environment (scripts/key-docs.sh)
// the test writes the lists into the files instead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/commands.h"

namespace {

// Each list sits between two fixed pieces of its file: after `begin`, up to
// `end` ("" for the end of the file).
struct Doc {
    const char* file;
    KeyDocs doc;
    const char* begin;
    const char* end;
};

TEST(KeyDocs, CheckedInListsAreWhatTheGeneratorWrites) {
    const Doc docs[] = {
        {"README.md", KeyDocs::readme, "Every command is a key or a mouse action; F1 lists them in the editor:\n\n",
         "\nOther keys do with Shift"},
        {"packaging/VornGroundEditor.1.in", KeyDocs::manual, ".SH KEYS\n", ".PP\nOther keys"},
        {"packaging/README.txt", KeyDocs::windowsReadme, "Keys and mouse actions (F1 in the editor lists them too)\n",
         "  Other keys do"},
        {"e2e/command_keys.txt", KeyDocs::keyList, "Written by scripts/key-docs.sh; the soak reads it.\n", ""},
    };
    const char* write = std::getenv("VORN_WRITE_KEY_DOCS");
    for (const Doc& d : docs) {
        const std::string path = std::string(VORN_SOURCE_DIR) + "/" + d.file;
        std::ifstream in(path, std::ios::binary);
#ifdef __EMSCRIPTEN__
        if (!in) GTEST_SKIP() << d.file << " is not reachable from node";
#endif
        ASSERT_TRUE(in) << path;
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const size_t from = text.find(d.begin);
        ASSERT_NE(from, std::string::npos) << d.file << " lacks the line before its key list";
        const size_t start = from + std::string(d.begin).size();
        const size_t stop = *d.end ? text.find(d.end, start) : text.size();
        ASSERT_NE(stop, std::string::npos) << d.file << " lacks the line after its key list";
        const std::string list = keyDocs(d.doc);
        if (write && std::string(write) == "1") {
            std::ofstream(path, std::ios::binary) << text.substr(0, start) + list + text.substr(stop);
            continue;
        }
        EXPECT_EQ(text.substr(start, stop - start), list)
            << d.file << ": its key list is not the command table's; `bash scripts/key-docs.sh` rewrites it";
    }
}

}  // namespace
