#include "shell/stamps.h"

#include <cstring>
#include <string>

#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/title.h"
#include "shell/tools.h"

namespace {

void setClipboardText(HWND window, const std::string& text) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) return;
    void* bytes = GlobalLock(memory);
    if (!bytes) {
        GlobalFree(memory);
        return;
    }
    std::memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    if (!OpenClipboard(window)) {
        GlobalFree(memory);
        return;
    }
    EmptyClipboard();
    // On success the clipboard owns the memory; otherwise it is still ours.
    if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    CloseClipboard();
}

// The clipboard's text, at most one byte past the stamp limit (enough to
// tell a longer text is no stamp); false when there is none.
bool clipboardText(HWND window, std::string& text) {
    if (!OpenClipboard(window)) return false;
    bool got = false;
    if (HANDLE memory = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(memory))) {
            const void* nul = std::memchr(bytes, '\0', kStampTextLimit + 1);
            text.assign(bytes, nul ? static_cast<const char*>(nul) - bytes : kStampTextLimit + 1);
            got = true;
            GlobalUnlock(memory);
        }
    }
    CloseClipboard();
    return got;
}

}  // namespace

void copySelection(HWND window, WPARAM) {
    if (!selection.shown) return;
    floatingStamp.copy = copyStamp(workingMap, selection.from, selection.to);
    floatingStamp.hasCopy = true;
    setClipboardText(window, stampText(floatingStamp.copy));
}

void pasteStamp(HWND window, WPARAM) {
    std::string text;
    Stamp stamp;
    // The editor's own copy stands in when the clipboard has no text at all
    // (another program emptied it, or the system refused the copy); text of
    // any other kind was put there since, and is what the user means.
    const bool any = clipboardText(window, text);
    if (!any && floatingStamp.hasCopy) {
        stamp = floatingStamp.copy;
    } else if (!any || !parseStamp(text.data(), text.size(), stamp)) {
        MessageBoxA(window, "The clipboard holds no terrain stamp.", kTitle, MB_OK);
        return;
    }
    endChange();  // a stroke in progress stays a change of its own
    dropToolDrag();  // the stamp's preview replaces a held line's
    editorState.editMode = EditMode::corners;
    floatingStamp.stamp = std::move(stamp);
    floatingStamp.floating = true;
}

void turnOrFlipStamp(HWND, WPARAM key) {
    if (!floatingStamp.floating) return;
    const Stamp& s = floatingStamp.stamp;
    floatingStamp.stamp = key == 'Z' ? turnedClockwise(s) : key == 'X' ? flippedLeftRight(s) : flippedTopBottom(s);
}

bool stampLeftDown(HWND window) {
    if (editorState.editMode != EditMode::corners) return false;
    if (GetKeyState(VK_CONTROL) & 0x8000) {
        selection.dragging = true;
        selection.moved = false;
        selection.shown = true;
        selection.from = selection.to = workingMap.clampedIntoLattice(pointUnderCursor(window));
        return true;
    }
    if (!floatingStamp.floating) return false;
    const LatticePoint at = pointUnderCursor(window);
    endChange();
    placeStamp(workingMap, floatingStamp.stamp, at.x, at.y, editorState.symmetry);
    endChange();  // one step, none when no byte changed
    return true;
}

bool stampMouseMove(HWND window) {
    if (selection.dragging) {
        selection.moved = true;
        selection.to = workingMap.clampedIntoLattice(pointUnderCursor(window));
        return true;
    }
    // The stamp is placed by presses only; a held button does not paint.
    return floatingStamp.floating;
}

void stampLeftUp() {
    if (selection.dragging && !selection.moved) selection.shown = false;
    selection.dragging = false;
}

void dropStampsOutsideCornerEditing() {
    if (editorState.editMode == EditMode::corners) return;
    selection.dragging = selection.shown = false;
    floatingStamp.floating = false;
}
