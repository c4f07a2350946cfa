// The program's way of showing an error: the shared error box.
#include "gui/ErrorBox.h"
#include "params/ErrorReport.h"
#include "standalone/AppShell.h"

namespace tine {
namespace {

void showErrorBoxSink(ErrorCode, const char* text) {
    showErrorBox(text);
}

}  // namespace

void installErrorBox() {
    setErrorSink(&showErrorBoxSink);
}

}  // namespace tine
