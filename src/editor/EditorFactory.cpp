// The editor seam of builds with the graphical editor.
#include <new>

#include "editor/SynthEditor.h"
#include "plugin/SynthPlugin.h"

namespace tine {

bool synthEditorAvailable() {
    return true;
}

EditorBase* createSynthEditor(SynthPlugin* plugin) {
    return new (std::nothrow) SynthEditor(plugin);
}

bool editorWasConstructed(EditorBase* editor) {
    auto* synthEditor = dynamic_cast<SynthEditor*>(editor);
    return synthEditor && synthEditor->isConstructed();
}

}  // namespace tine
