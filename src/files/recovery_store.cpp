// The platform-neutral half of the recovery store: the info file's text.
#include <cstdint>
#include <string>

#include "files/recovery_store.h"

namespace {

// A decimal number of at most 20 digits filling text[from, to), with a
// leading '-' when `sign`; false for anything else or a value past the type.
bool decimal(const std::string& text, size_t from, size_t to, bool sign, uint64_t& magnitude, bool& negative) {
    negative = sign && from < to && text[from] == '-';
    if (negative) ++from;
    if (from == to || to - from > 20) return false;
    uint64_t value = 0;
    for (size_t i = from; i < to; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(text[i] - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    magnitude = value;
    return true;
}

// "stamp D F S M": the stamp line's text without its line end.
bool parseStamp(const std::string& line, FileStamp& stamp) {
    const std::string head = "stamp ";
    if (line.compare(0, head.size(), head) != 0) return false;
    uint64_t parts[4];
    bool negative = false;
    size_t at = head.size();
    for (int i = 0; i < 4; ++i) {
        const size_t end = i < 3 ? line.find(' ', at) : line.size();
        if (end == std::string::npos) return false;
        if (!decimal(line, at, end, i == 3, parts[i], negative)) return false;
        if (i == 3 && parts[i] > static_cast<uint64_t>(INT64_MAX)) return false;
        at = end + 1;
    }
    stamp = FileStamp();
    stamp.known = true;
    stamp.regular = true;  // only a map file that opened or saved is stamped
    stamp.device = parts[0];
    stamp.file = parts[1];
    stamp.size = parts[2];
    stamp.modified = negative ? -static_cast<int64_t>(parts[3]) : static_cast<int64_t>(parts[3]);
    return true;
}

}  // namespace

std::string recoveryInfoText(int64_t changeTime, const std::string& mapPath, const FileStamp& stamp) {
    std::string text = std::to_string(changeTime) + "\n" + mapPath + "\n";
    if (stamp.known && stamp.regular)
        text += "stamp " + std::to_string(stamp.device) + " " + std::to_string(stamp.file) + " " +
                std::to_string(stamp.size) + " " + std::to_string(stamp.modified) + "\n";
    return text;
}

bool parseRecoveryInfo(const std::string& text, int64_t& changeTime, std::string& mapPath, FileStamp& stamp) {
    const size_t first = text.find('\n');
    if (first == std::string::npos || first == 0 || first > 18) return false;
    int64_t time = 0;
    for (size_t i = 0; i < first; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        time = time * 10 + (text[i] - '0');
    }
    const size_t second = text.find('\n', first + 1);
    if (second == std::string::npos || second - first - 1 > 4095) return false;
    std::string path = text.substr(first + 1, second - first - 1);
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7f) return false;
    FileStamp known;
    if (second + 1 != text.size()) {
        const size_t third = text.find('\n', second + 1);
        if (third == std::string::npos || third + 1 != text.size()) return false;
        if (!parseStamp(text.substr(second + 1, third - second - 1), known)) return false;
    }
    changeTime = time;
    mapPath = path;
    stamp = known;
    return true;
}
