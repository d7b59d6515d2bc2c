// The platform-neutral half of the recovery store: the info file's text.
#include <string>

#include "files/recovery_store.h"

std::string recoveryInfoText(int64_t changeTime, const std::string& mapPath) {
    return std::to_string(changeTime) + "\n" + mapPath + "\n";
}

bool parseRecoveryInfo(const std::string& text, int64_t& changeTime, std::string& mapPath) {
    const size_t first = text.find('\n');
    if (first == std::string::npos || first == 0 || first > 18) return false;
    int64_t time = 0;
    for (size_t i = 0; i < first; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        time = time * 10 + (text[i] - '0');
    }
    const size_t second = text.find('\n', first + 1);
    if (second == std::string::npos || second + 1 != text.size() || second - first - 1 > 4095) return false;
    std::string path = text.substr(first + 1, second - first - 1);
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7f) return false;
    changeTime = time;
    mapPath = path;
    return true;
}
