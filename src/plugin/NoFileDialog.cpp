// Builds without a native file dialog: the file commands work only through a
// host's file selector (or by path).
#include "plugin/FileCommands.h"

namespace tine {

bool showLocalFileDialog(FileSelectRequest&, void*) {
    return false;
}

}  // namespace tine
