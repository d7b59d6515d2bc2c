// The open and save dialogs: an "All Files" filter (the grey bitmap's dialog
// offers its image types first), an empty name each time, and the working
// directory left alone.
#include <windows.h>

#include <cstring>

#include "shell/dialogs.h"
#include "shell/title.h"

namespace {

// The longest path the host takes, with its NUL (set by the build).
constexpr DWORD kPathChars = VORN_PATH_CHARS;

// The dialogs' answers: the buffers the system writes the chosen paths into.
struct DialogAnswers {
    char open[kPathChars];  // chooseOpenFile's answer, valid until its next call
    char save[kPathChars];  // chooseSaveFile's answer, valid until its next call
};
DialogAnswers answers;

const char kFilter[] = "All Files\0*.*\0";  // the literal's NUL ends the list

void fillRequest(OPENFILENAMEA& request, HWND owner, const char* title, char* buffer, DWORD flags,
                 const char* filter = kFilter) {
    std::memset(&request, 0, sizeof request);
    // The size of the structure as this build defines it (152 bytes on 64-bit
    // Windows); a hard-coded 88 would be the 32-bit layout.
    request.lStructSize = sizeof(OPENFILENAMEA);
    request.hwndOwner = owner;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    buffer[0] = '\0';
    request.lpstrFile = buffer;
    request.nMaxFile = kPathChars;
    request.lpstrTitle = title;
    request.Flags = flags;
}

// A dialog that ended without a path: a cancel is silent, a path too long
// for the host is said, so that the user is not left wondering.
const char* noPath(HWND owner) {
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
        MessageBoxA(owner, "The file name is too long.", kTitle, MB_OK | MB_ICONERROR);
    return nullptr;
}

}  // namespace

const char kImageFilter[] = "Images (*.bmp;*.png)\0*.bmp;*.png\0All Files\0*.*\0";

const char* chooseOpenFile(HWND owner, const char* title, const char* filter) {
    OPENFILENAMEA request;
    fillRequest(request, owner, title, answers.open, OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR, filter ? filter : kFilter);
    return GetOpenFileNameA(&request) ? answers.open : noPath(owner);
}

const char kPngFilter[] = "PNG image (*.png)\0*.png\0All Files\0*.*\0";

const char* chooseSaveFile(HWND owner, const char* title, const char* filter, const char* extension) {
    OPENFILENAMEA request;
    fillRequest(request, owner, title, answers.save, OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_OVERWRITEPROMPT,
                filter ? filter : kFilter);
    request.lpstrDefExt = extension;
    return GetSaveFileNameA(&request) ? answers.save : noPath(owner);
}
