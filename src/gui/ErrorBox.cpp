#include "gui/ErrorBox.h"

#include <windows.h>

namespace tine {

void showErrorBox(const char* text) {
    MessageBoxA(nullptr, text, kErrorBoxTitle, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace tine
