// The window title's text made safe for any host's title call.
#include "shell/title.h"

#include <cstdint>

std::string titleSafeText(const std::string& text) {
    static const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const uint8_t lead = static_cast<uint8_t>(text[i]);
        if (lead < 0x80) {
            out += lead < 0x20 || lead == 0x7F ? ' ' : static_cast<char>(lead);
            ++i;
            continue;
        }
        // The sequence's length and the range its second byte must fall in;
        // the narrower ranges after E0, ED, F0 and F4 shut out overlong
        // forms, surrogates and code points past U+10FFFF.
        size_t length = 0;
        uint8_t low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        }
        if (length == 0) {  // a continuation byte alone, C0, C1 or F5..FF
            out += kReplacement;
            ++i;
            continue;
        }
        // The longest well-formed start; a cut-short sequence is one U+FFFD
        // and the byte that broke it is read again on its own.
        size_t good = 1;
        while (good < length && i + good < n) {
            const uint8_t b = static_cast<uint8_t>(text[i + good]);
            if (b < (good == 1 ? low : 0x80) || b > (good == 1 ? high : 0xBF)) break;
            ++good;
        }
        if (good < length) {
            out += kReplacement;
            i += good;
            continue;
        }
        // U+0080..U+009F, the C1 controls, are C2 80..C2 9F.
        if (lead == 0xC2 && static_cast<uint8_t>(text[i + 1]) <= 0x9F)
            out += ' ';
        else
            out.append(text, i, length);
        i += length;
    }
    return out;
}
