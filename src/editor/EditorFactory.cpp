// The editor seam of builds with the graphical editor.
#include <new>

#include "editor/SynthEditor.h"
#include "gui/ErrorBox.h"
#include "params/ErrorReport.h"
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

namespace {

// A Windows host never shows its plug-ins' standard error.
void showErrorBoxSink(ErrorCode, const char* text) {
    showErrorBox(text);
}

}  // namespace

void installLibraryErrorSink() {
    setErrorSink(&showErrorBoxSink);
}

}  // namespace tine
