#pragma once
// The instrument's editor: an info page and the main page of value boxes
// above a bottom strip of effect knobs and lamps, which can be folded away to
// leave the strip alone. Every control reports to the editor, which passes
// the change to the plug-in; the plug-in reports every parameter change back.

#include <cstdint>

#include "editor/GuiEditorBase.h"
#include "gui/Control.h"

namespace tine {

class Bitmap;
class ProgramNameEdit;
class ShapeBox;
class SynthPlugin;
class ViewContainer;

class SynthEditor : public GuiEditorBase, public ControlListener {
public:
    static constexpr int32_t kControlCount = 72;
    static constexpr int32_t kPageCount = 3;
    // Page numbers of showPage: the info page, the main page, none.
    static constexpr int32_t kInfoPage = 0;
    static constexpr int32_t kMainPage = 1;
    static constexpr int32_t kStripPage = 2;
    static constexpr int32_t kNoPage = 3;

    // Tags beyond the sound parameters.
    enum Tag : int32_t {
        kProgramNameTag = 63,
        kWriteTag = 64,
        kLoadTag = 65,
        kSaveTag = 66,
        kInfoTag = 67,
        kInfoLineTag = 68,
        kFoldTag = 69,
        kPhaserLampTag = 70,
        kChorusLampTag = 71,
    };

    explicit SynthEditor(SynthPlugin* plugin);
    ~SynthEditor() override;

    bool open(void* parentWindow) override;
    void close() override;
    // Also where the panel and the host catch up with a program change that
    // came in as MIDI, and where errors queued on the audio thread are shown.
    void idle() override;
    bool onWheel(float distance) override;
    void setParameter(int32_t index, float value) override;
    void programNameChanged(const char* name) override;

    void valueChanged(DrawContext* context, Control* control) override;

    bool isConstructed() const { return constructed != 0; }
    // The control under a tag while open, else null.
    Control* getControl(int32_t tag) const;
    ViewContainer* getPage(int32_t page) const;
    int32_t getCurrentPage() const { return currentPage; }
    // 0, 1 or kNoPage; redraws at once.
    void showPage(int32_t page);
    bool isFolded() const;

    // The info page's text, one entry per line.
    static int32_t infoLineCount();
    static const char* infoLine(int32_t line);

    // Editors alive with their bitmaps loaded; the shared bitmaps go with the last one.
    static int32_t liveEditorCount();
    // A shared bitmap by slot (0..4), null when not loaded.
    static Bitmap* sharedBitmap(int32_t slot);

private:
    SynthPlugin* plugin() const;
    bool addControl(ViewContainer* page, Control* control);
    bool buildInfoPage();
    bool buildMainPage();
    bool buildStrip();
    void fold(bool folded);
    // Draws a control that reported a change, if it is on a page now shown.
    void redrawControl(DrawContext* context, Control* control);
    static void releaseSharedBitmaps();

    int32_t constructed;
    Control** controls;
    ViewContainer** pages;
    int32_t currentPage;
};

}  // namespace tine
