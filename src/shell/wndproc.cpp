// The window procedure: the keys through the command table, the mouse
// commands, and the quit prompt. Never draws; frames come only from the main loop.
#include <windows.h>

#include <cstdint>
#include <string>

#include "map/ground_map.h"
#include "shell/commands.h"
#include "shell/document.h"
#include "shell/editor_state.h"
#include "shell/render.h"
#include "shell/stamps.h"
#include "shell/title.h"
#include "shell/tools.h"
#include "shell/view_steps.h"
#include "shell/wndproc.h"

namespace {

// Client positions are signed 16-bit halves of lParam: negative while captured.
int32_t mouseX(LPARAM lParam) { return static_cast<int16_t>(LOWORD(lParam)); }
int32_t mouseY(LPARAM lParam) { return static_cast<int16_t>(HIWORD(lParam)); }

// A key runs the command table's entry for it and its Ctrl and Shift state.
void onKey(HWND window, WPARAM key) {
    const uint8_t modifiers = static_cast<uint8_t>((GetKeyState(VK_CONTROL) & 0x8000 ? kCtrl : 0) |
                                                   (GetKeyState(VK_SHIFT) & 0x8000 ? kShift : 0));
    if (const Command* command = commandForKey(key, modifiers)) command->run(window, key);
}

// A dropped file opens as O would open it; of several, the first.
void onDropFiles(HWND window, HDROP drop) {
    std::string path;
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        // Sized from the name itself: a cut-short path would name another file.
        path.assign(DragQueryFileA(drop, 0, nullptr, 0), '\0');
        if (path.empty() || DragQueryFileA(drop, 0, &path[0], static_cast<UINT>(path.size() + 1)) != path.size())
            path.clear();
    }
    // Finished before any question, as the drop itself is over.
    DragFinish(drop);
    if (!path.empty() && confirmReplaceUnsaved(window)) openMapFile(window, path.c_str());
}

void onMouseMove(HWND window, WPARAM wParam, LPARAM lParam) {
    const int32_t x0 = viewState.mouseX, y0 = viewState.mouseY;
    const int32_t x1 = mouseX(lParam), y1 = mouseY(lParam);
    viewState.mouseX = x1;
    viewState.mouseY = y1;
    RECT client = {0, 0, 0, 0};
    GetClientRect(window, &client);
    // The right button may have come up outside the window after the capture
    // ended; the move's own button flags are the truth.
    if (!(wParam & MK_RBUTTON)) viewState.panDrag = false;
    if (viewState.panDrag) {
        panStep(viewState, x0, y0, x1, y1);
        applyView(window);
    }
    if (stampMouseMove(window) || toolMouseMove(window)) return;
    const LatticePos pos = screenToLattice(x1, y1, client.right, client.bottom);
    if (editorState.editMode != EditMode::corners || !workingMap.insideLattice(latticePointAt(pos))) return;
    if (!(GetKeyState(VK_LBUTTON) & 0x80) || editorState.brushSize <= 0) return;
    paintStroke(pos);
}

}  // namespace

void confirmQuit(HWND window) {
    switch (MessageBoxA(window, "Do you want to save map?", kTitle, MB_YESNOCANCEL)) {
    case IDYES:
        if (saveWithDialog(window)) PostQuitMessage(0);
        break;
    case IDNO: PostQuitMessage(0); break;
    default: break;
    }
}

namespace {

LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        resetDocument();
        DragAcceptFiles(window, TRUE);
        return 0;
    case WM_DESTROY:
        return 0;
    case WM_SIZE:
        applyView(window);
        break;
    case WM_CLOSE:
        confirmQuit(window);
        return 0;
    case WM_CANCELMODE:
        // A box or dialog is opening (Windows sends this as it disables the
        // window) and will take the button's release: the stroke ends here,
        // so its change is kept, and copied for recovery, whatever comes.
        endChange();
        break;
    case WM_KEYDOWN:
        onKey(window, wParam);
        return 0;
    // The mouse commands run here; the command table lists each of them for
    // F1, the page and the docs, so a new one needs an entry there too.
    case WM_MOUSEMOVE:
        onMouseMove(window, wParam, lParam);
        break;
    case WM_LBUTTONDOWN:
        SetCapture(window);
        viewState.mouseX = mouseX(lParam);
        viewState.mouseY = mouseY(lParam);
        endChange();  // a stroke whose button-up went astray ends here
        dropToolDrag();  // and a line or rectangle then paints nothing
        if (stampLeftDown(window) || toolLeftDown(window)) break;
        if (editorState.editMode == EditMode::fill) {
            commitFill();
            endChange();
        }
        break;
    case WM_LBUTTONUP:
        ReleaseCapture();
        // Where the button came up is where a line or rectangle ends.
        viewState.mouseX = mouseX(lParam);
        viewState.mouseY = mouseY(lParam);
        stampLeftUp();
        toolLeftUp(window);
        endChange();  // the stroke or the tool's paint, if the button painted
        break;
    case WM_RBUTTONDOWN:
        SetCapture(window);
        viewState.mouseX = mouseX(lParam);
        viewState.mouseY = mouseY(lParam);
        viewState.panDrag = true;
        break;
    case WM_RBUTTONUP:
        ReleaseCapture();
        viewState.panDrag = false;
        break;
    case WM_MOUSEWHEEL:
        // lParam holds screen coordinates here; the last mouse position keeps
        // the client position of the last move.
        if (zoomStep(viewState, static_cast<int16_t>(HIWORD(wParam)))) applyView(window);
        break;
    case WM_DROPFILES:
        onDropFiles(window, reinterpret_cast<HDROP>(wParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK editorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = handleMessage(window, message, wParam, lParam);
    dropStampsOutsideCornerEditing();
    dropToolDragOutsideCornerEditing();
    // Every command arrives here, so the title follows each one; most
    // messages leave its text as it was and set nothing.
    if (message != WM_DESTROY) refreshTitle(window);
    return result;
}
