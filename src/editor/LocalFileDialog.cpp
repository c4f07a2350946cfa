// The Win32 common file dialog behind the preset commands when no host
// selector is at hand (and behind the standalone host's own selector).
#include <windows.h>

#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "params/ErrorReport.h"
#include "plugin/FileCommands.h"

namespace tine {
namespace {

// Fixed-size fields of a file type are not trusted to be terminated.
std::size_t boundedLength(const char* text, std::size_t capacity) {
    std::size_t length = 0;
    while (length < capacity && text[length] != '\0') ++length;
    return length;
}

// "Name (*.ext)", a zero, "*.ext", and the zero that ends the list, written
// into the request's spare area. A long type name is cut so that the
// pattern and both zeros always fit.
void buildFilter(const VstFileType& type, char* filter, std::size_t capacity) {
    const int extension = static_cast<int>(boundedLength(type.dosType, sizeof(type.dosType)));
    // " (*." ")" "*." and three zeros (two written, one for snprintf) around the extension twice.
    const int fixed = 4 + 1 + 2 + 3 + 2 * extension;
    const int nameRoom = static_cast<int>(capacity) - fixed;
    const int name = static_cast<int>(boundedLength(type.name, sizeof(type.name)));
    std::snprintf(filter, capacity, "%.*s (*.%.*s)%c*.%.*s%c", name < nameRoom ? name : nameRoom, type.name, extension,
                  type.dosType, '\0', extension, type.dosType, '\0');
}

}  // namespace

bool showLocalFileDialog(FileSelectRequest& request, void* parentWindow) {
    VstFileSelect& select = request.select;
    if (!select.returnPath) {
        // Ours to free again in releaseLocalFileDialog, hence malloc.
        select.returnPath = static_cast<char*>(std::malloc(kReturnPathBytes));
        if (!select.returnPath) {
            reportError(ErrorCode::OutOfMemory);
            return false;
        }
        select.sizeReturnPath = kReturnPathBytes;
    }
    select.returnPath[0] = '\0';
    if (select.sizeReturnPath <= 0)
        return false;

    if (!select.fileTypes || select.type < 0 || select.type >= select.nbFileTypes)
        return false;
    const VstFileType& type = select.fileTypes[select.type];
    char* filter = select.future;
    buildFilter(type, filter, sizeof(select.future));
    char extension[sizeof(type.dosType) + 1] = {};
    std::memcpy(extension, type.dosType, boundedLength(type.dosType, sizeof(type.dosType)));
    char title[sizeof(select.title)] = {};
    std::memcpy(title, select.title, boundedLength(select.title, sizeof(select.title) - 1));

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = static_cast<HWND>(parentWindow);
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    // The full path of the chosen file, whatever the working folder is later.
    dialog.lpstrFile = select.returnPath;
    dialog.nMaxFile = static_cast<DWORD>(select.sizeReturnPath);
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = extension;
    // No OFN_NOCHANGEDIR: the next dialog opens where the user went last.
    switch (select.command) {
    case 0:
        dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_LONGNAMES;
        return GetOpenFileNameA(&dialog) != FALSE;
    case 1:
        dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_LONGNAMES;
        return GetSaveFileNameA(&dialog) != FALSE;
    default:
        return false;
    }
}

}  // namespace tine
