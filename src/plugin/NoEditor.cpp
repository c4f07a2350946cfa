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

}  // namespace tine
