// The program's way of showing an error: a modal box of its own (no owner
// window, so it shows even before the main window exists), which the
// reporting thread waits on until it is closed.
#include <windows.h>

#include "params/ErrorReport.h"
#include "standalone/AppShell.h"

namespace tine {
namespace {

void showErrorBox(ErrorCode, const char* text) {
    MessageBoxA(nullptr, text, kErrorBoxTitle, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void installErrorBox() {
    setErrorSink(&showErrorBox);
}

}  // namespace tine
