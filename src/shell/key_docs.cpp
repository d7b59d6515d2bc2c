// The docs' lists of keys and mouse actions, written from the command table
// in each document's own form.
#include <windows.h>

#include <cctype>
#include <string>

#include "shell/commands.h"

namespace {

// A chord's key as F1 names keys.
std::string keyName(WPARAM vk) {
    switch (vk) {
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_HOME: return "Home";
    case VK_TAB: return "Tab";
    default: break;
    }
    if (vk >= VK_F1 && vk < VK_F1 + 12) return "F" + std::to_string(vk - VK_F1 + 1);
    return std::string(1, static_cast<char>(vk));
}

// The help as a sentence: a capital first letter and a full stop.
std::string sentence(const std::string& help) {
    std::string text = help;
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text + ".";
}

// Text as one line of a manual page: a backslash is roff's escape, and a
// line starting with a dot or a quote would be read as a request.
std::string roff(const std::string& text) {
    std::string out = !text.empty() && (text[0] == '.' || text[0] == '\'') ? "\\&" : "";
    for (const char c : text) out += c == '\\' ? std::string("\\e") : std::string(1, c);
    return out;
}

// The Windows readme's two columns: keys in the first 24 characters (a
// longer one on a line of its own), the help wrapped at blanks within 78.
std::string twoColumns(const Command& command) {
    constexpr size_t kKeysWidth = 24, kLineWidth = 78;
    const std::string indent(2 + kKeysWidth, ' ');
    std::string out = "  " + std::string(command.keys);
    if (out.size() < indent.size()) out += std::string(indent.size() - out.size(), ' ');
    else out += "\n" + indent;
    size_t column = indent.size();
    const std::string help = command.help;
    size_t start = 0;
    while (start < help.size()) {
        size_t end = help.find(' ', start);
        if (end == std::string::npos) end = help.size();
        const std::string word = help.substr(start, end - start);
        if (column > indent.size() && column + 1 + word.size() > kLineWidth) {
            out += "\n" + indent;
            column = indent.size();
        } else if (column > indent.size()) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        start = end + 1;
    }
    return out + "\n";
}

std::string chordName(const KeyChord& chord, WPARAM vk) {
    return std::string(chord.held & kCtrl ? "Ctrl+" : "") + (chord.held & kShift ? "Shift+" : "") + keyName(vk);
}

}  // namespace

std::string keyDocs(KeyDocs doc) {
    std::string text;
    for (const Command& command : commandTable()) {
        switch (doc) {
        case KeyDocs::readme: text += std::string("- ") + command.keys + ": " + command.help + "\n"; break;
        case KeyDocs::manual: text += ".TP\n.B " + roff(command.keys) + "\n" + roff(sentence(command.help)) + "\n"; break;
        case KeyDocs::windowsReadme: text += twoColumns(command); break;
        case KeyDocs::keyList:
            for (const KeyChord& chord : command.chords) {
                if (!chord.first) continue;
                for (WPARAM vk = chord.first; vk <= (chord.last ? chord.last : chord.first); ++vk)
                    text += chordName(chord, vk) + (command.traits & kAsks ? " asks" : "") + "\n";
            }
            break;
        }
    }
    return text;
}
