// Builds without a graphical editor: the plug-in has no editor.
#include "plugin/SynthPlugin.h"

namespace tine {

bool synthEditorAvailable() {
    return false;
}
EditorBase* createSynthEditor(SynthPlugin*) {
    return nullptr;
}
bool editorWasConstructed(EditorBase*) {
    return false;
}

// The standard error line stays: a Linux host shows its plug-ins' output there.
void installLibraryErrorSink() {}

}  // namespace tine
