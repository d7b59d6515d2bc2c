// The clipboard hooks over the page's clipboard. Reading the system clipboard
// is asynchronous in browsers, but a paste event hands its text over at once:
// Ctrl+V is left to the browser as well as queued for the editor, so its paste
// event (which comes before the editor's loop takes the key) brings the text
// here. Text the editor sets is kept by the page and offered to the system
// clipboard, which the browser may refuse; Ctrl+V within the page then still
// pastes what the page copied.
#include "platform/web/platform.h"

#include <emscripten.h>

namespace {

// Far more than any stamp text: a longer paste is cut here and still not a stamp.
constexpr int kLongestPaste = 1 << 20;

}  // namespace

EM_JS(void, pageOfferToClipboard, (const char* text), {
    if (typeof navigator === 'undefined' || !navigator.clipboard || !navigator.clipboard.writeText) return;
    try {
        navigator.clipboard.writeText(UTF8ToString(text)).catch(function () {});
    } catch (e) {
    }
});

EM_JS(void, pageListenForPaste, (), {
    if (typeof document === 'undefined') return;
    document.addEventListener('paste', function (e) {
        // A paste into a page dialog is the dialog's; an empty one (the
        // system clipboard holds no text) leaves the page's own text.
        if (document.querySelector('dialog[open]') || !e.clipboardData) return;
        const text = e.clipboardData.getData('text/plain');
        if (text) Module.vornPasted = text;
    });
});

EM_JS(int, pagePastedLength, (), {
    return typeof Module.vornPasted === 'string' ? lengthBytesUTF8(Module.vornPasted) : -1;
});

EM_JS(void, pageTakePasted, (char* out, int size), {
    stringToUTF8(Module.vornPasted, out, size);
    Module.vornPasted = undefined;
});

void platform::listenForPaste() { pageListenForPaste(); }

void platform::putClipboardText(const std::string& text) {
    page().clipboard = text;
    page().clipboardHolds = true;
    if (!text.empty()) pageOfferToClipboard(text.c_str());
}

bool platform::fetchClipboardText(std::string& text) {
    const int length = pagePastedLength();
    if (length >= 0) {
        std::string pasted(static_cast<size_t>(length < kLongestPaste ? length : kLongestPaste) + 1, '\0');
        pageTakePasted(&pasted[0], static_cast<int>(pasted.size()));
        pasted.resize(pasted.size() - 1);
        page().clipboard = pasted;
        page().clipboardHolds = true;
    }
    text = page().clipboard;
    return page().clipboardHolds;
}
