#include "editor/SynthEditor.h"

#include <windows.h>

#include <new>

#include "editor/PanelColors.h"
#include "editor/ProgramNameEdit.h"
#include "editor/ShapeBox.h"
#include "editor/TextButton.h"
#include "editor/ValueBox.h"
#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OnOffButton.h"
#include "gui/StripImage.h"
#include "gui/StripKnob.h"
#include "gui/ViewContainer.h"
#include "params/ErrorReport.h"
#include "params/ParameterTable.h"
#include "plugin/FileCommands.h"
#include "plugin/SynthPlugin.h"

namespace tine {
namespace {

// Shared bitmap slots and the resources they load.
enum BitmapSlot : int32_t {
    kPanelBitmap = 0,  // info and main page background
    kStripBitmap = 1,  // bottom strip background
    kKnobBitmap = 2,   // film strip of the knobs
    kLampBitmap = 3,   // lamp, off above on
    kFoldBitmap = 4,   // fold button, off above on
    kBitmapSlots = 5,
};
constexpr int32_t kBitmapIds[kBitmapSlots] = {159, 158, 130, 143, 157};
constexpr int32_t kKnobFrames = 128;
constexpr int32_t kLampFrames = 2;

Bitmap* gBitmaps[kBitmapSlots] = {};
int32_t gLiveEditors = 0;

// Buttons and lines are on while pressed, at this value.
constexpr float kPressedValue = 0.1f;

const char* const kInfoLines[] = {
    "Tinemaster 1.0",
    " ",
    "Electric piano by Corvane",
    "Three shaped oscillators, phaser and chorus",
    " ",
    "Boxes: left click steps down, right click up",
    "Click any line to return",
};
constexpr int32_t kInfoLines_ = static_cast<int32_t>(sizeof kInfoLines / sizeof kInfoLines[0]);

int32_t panelWidth() {
    return gBitmaps[kPanelBitmap]->getWidth();
}
int32_t upperHeight() {
    return gBitmaps[kPanelBitmap]->getHeight();
}
int32_t lowerHeight() {
    return gBitmaps[kStripBitmap]->getHeight();
}

}  // namespace

SynthEditor::SynthEditor(SynthPlugin* owner)
    : GuiEditorBase(owner), constructed(0), controls(nullptr), pages(nullptr), currentPage(kNoPage) {
    for (int32_t slot = 0; slot < kBitmapSlots; ++slot) {
        if (gBitmaps[slot])
            continue;
        Bitmap* bitmap = new (std::nothrow) Bitmap(kBitmapIds[slot]);
        if (!bitmap) {
            reportError(ErrorCode::OutOfMemory);
            return;
        }
        if (!bitmap->isLoaded()) {
            // Not kept: the next editor tries again.
            bitmap->forget();
            reportError(ErrorCode::BitmapNotLoaded);
            return;
        }
        gBitmaps[slot] = bitmap;
    }
    controls = new (std::nothrow) Control*[kControlCount]();
    pages = new (std::nothrow) ViewContainer*[kPageCount]();
    if (!controls || !pages) {
        reportError(ErrorCode::OutOfMemory);
        return;
    }
    setPanelSize(panelWidth(), upperHeight() + lowerHeight());
    ++gLiveEditors;
    constructed = 1;
}

SynthEditor::~SynthEditor() {
    if (frame)
        close();
    delete[] controls;
    delete[] pages;
    if (constructed)
        --gLiveEditors;
    if (gLiveEditors == 0)
        releaseSharedBitmaps();
}

void SynthEditor::releaseSharedBitmaps() {
    for (Bitmap*& bitmap : gBitmaps) {
        if (bitmap)
            bitmap->forget();
        bitmap = nullptr;
    }
}

int32_t SynthEditor::liveEditorCount() {
    return gLiveEditors;
}

Bitmap* SynthEditor::sharedBitmap(int32_t slot) {
    return slot >= 0 && slot < kBitmapSlots ? gBitmaps[slot] : nullptr;
}

int32_t SynthEditor::infoLineCount() {
    return kInfoLines_;
}

const char* SynthEditor::infoLine(int32_t line) {
    return line >= 0 && line < kInfoLines_ ? kInfoLines[line] : nullptr;
}

SynthPlugin* SynthEditor::plugin() const {
    return static_cast<SynthPlugin*>(effect);
}

Control* SynthEditor::getControl(int32_t tag) const {
    return controls && tag >= 0 && tag < kControlCount ? controls[tag] : nullptr;
}

ViewContainer* SynthEditor::getPage(int32_t page) const {
    return pages && page >= 0 && page < kPageCount ? pages[page] : nullptr;
}

bool SynthEditor::isFolded() const {
    Control* button = getControl(kFoldTag);
    return button && button->getValue() != 0.0f;
}

bool SynthEditor::open(void* parentWindow) {
    if (!constructed)
        return false;
    if (frame)
        close();
    // The pages are always built unfolded: an editor closed while folded
    // must not come back with the strip's height around the full layout.
    setPanelSize(panelWidth(), upperHeight() + lowerHeight());
    GuiEditorBase::open(parentWindow);

    frame = new (std::nothrow)
        Frame(Rect(0, 0, getPanelWidth(), getPanelHeight()), static_cast<HWND>(parentWindow), this, getScale());
    if (!frame) {
        reportError(ErrorCode::OutOfMemory);
        return false;
    }
    followWindowDpi();
    const int32_t width = panelWidth();
    pages[kInfoPage] =
        new (std::nothrow) ViewContainer(Rect(0, 0, width, upperHeight()), frame, gBitmaps[kPanelBitmap]);
    pages[kMainPage] =
        new (std::nothrow) ViewContainer(Rect(0, 0, width, upperHeight()), frame, gBitmaps[kPanelBitmap]);
    pages[kStripPage] = new (std::nothrow)
        ViewContainer(Rect(0, upperHeight(), width, upperHeight() + lowerHeight()), frame, gBitmaps[kStripBitmap]);
    if (!pages[kInfoPage] || !pages[kMainPage] || !pages[kStripPage]) {
        reportError(ErrorCode::OutOfMemory);
        close();
        return false;
    }
    // addControl reports a failure itself.
    if (!buildInfoPage() || !buildMainPage() || !buildStrip()) {
        close();
        return false;
    }
    frame->addView(pages[kStripPage]);
    showPage(kMainPage);
    return true;
}

void SynthEditor::close() {
    if (frame) {
        if (pages && pages[kStripPage])
            frame->removeView(pages[kStripPage], false);
        showPage(kNoPage);
    }
    currentPage = kNoPage;
    if (pages) {
        for (int32_t page = 0; page < kPageCount; ++page) {
            if (!pages[page])
                continue;
            pages[page]->removeAll(true);
            pages[page]->forget();
            pages[page] = nullptr;
        }
    }
    if (frame) {
        frame->forget();
        frame = nullptr;
    }
    if (controls) {
        for (int32_t tag = 0; tag < kControlCount; ++tag) controls[tag] = nullptr;
    }
    GuiEditorBase::close();
}

bool SynthEditor::addControl(ViewContainer* page, Control* control) {
    if (!control) {
        reportError(ErrorCode::OutOfMemory);
        return false;
    }
    page->addView(control);
    const int32_t tag = control->getTag();
    if (tag >= 0 && tag < kControlCount)
        controls[tag] = control;
    if (tag >= 0 && tag < kNumParams) {
        const ParameterDescriptor& row = ParameterTable[tag];
        control->setDefaultValue(row.defaultValue);
        control->setMin(row.minValue);
        control->setMax(row.maxValue);
        setParameter(tag, plugin()->getParameter(tag));
    }
    return true;
}

bool SynthEditor::buildInfoPage() {
    ViewContainer* page = pages[kInfoPage];
    for (int32_t line = 0; line < kInfoLines_; ++line) {
        auto* button = new (std::nothrow) TextButton(Rect(30, 30 + 20 * line, 400, 48 + 20 * line), this, kInfoLineTag,
                                                     kInfoLines[line], kPlainTextButton, kPressedValue, false, true);
        if (button)
            button->setFont(3);
        if (!addControl(page, button))
            return false;
    }
    return true;
}

bool SynthEditor::buildMainPage() {
    ViewContainer* page = pages[kMainPage];
    SynthPlugin* owner = plugin();
    auto valueBox = [&](int32_t tag, const Rect& r, bool singleStep) {
        auto* box = new (std::nothrow) ParamValueBox(r, this, tag, owner, false);
        if (box && singleStep)
            box->setRepeat(false);
        return addControl(page, box);
    };
    for (int32_t o = 0; o < 3; ++o) {
        const int32_t y = 30 + 30 * o;
        if (!addControl(page, new (std::nothrow) ShapeBox(Rect(30, y, 155, y + 16), this, 1 + o, owner, o)) ||
            !valueBox(kParamOsc1Level + o, Rect(160, y, 210, y + 16), false) ||
            !valueBox(kParamOsc1Transpose + o, Rect(230, y, 300, y + 16), false) ||
            !valueBox(kParamOsc1Detune + o, Rect(315, y, 385, y + 16), false) ||
            !valueBox(kParamOsc1Curve + o, Rect(30, y + 12, 85, y + 28), true) ||
            !valueBox(kParamOsc1Vs1 + o, Rect(90, y + 12, 140, y + 28), false) ||
            !valueBox(kParamOsc1Vs2 + o, Rect(160, y + 12, 210, y + 28), false) ||
            !valueBox(kParamOsc1TimeScale + o, Rect(230, y + 12, 300, y + 28), false) ||
            !valueBox(kParamOsc1Brightness + o, Rect(315, y + 12, 385, y + 28), false))
            return false;
    }
    if (!valueBox(kParamTremoloSpeed, Rect(30, 120, 130, 136), false) ||
        !valueBox(kParamTremoloDepth, Rect(160, 120, 260, 136), false) ||
        !valueBox(kParamAutopanSpeed, Rect(30, 132, 130, 148), false) ||
        !valueBox(kParamAutopanDepth, Rect(160, 132, 260, 148), false) ||
        !valueBox(kParamDecay, Rect(30, 148, 130, 164), false) ||
        !valueBox(kParamVoices, Rect(160, 148, 260, 164), true))
        return false;

    char name[256] = {};
    owner->getProgramName(name);
    name[sizeof name - 1] = 0;
    auto* field = new (std::nothrow) ProgramNameEdit(Rect(270, 132, 400, 148), this, kProgramNameTag, name, owner);
    if (field) {
        field->setFont(2);
        field->setFontColor(kLightTextColor);
        field->setBackColor(kNameFieldColor);
        field->setFrameColor(kBlackColor);
        field->setHoriAlign(kCenterText);
    }
    if (!addControl(page, field))
        return false;

    struct Command {
        int32_t tag;
        const char* label;
        int32_t left;
    };
    const Command commands[] = {
        {kWriteTag, "write", 268}, {kLoadTag, "load", 308}, {kSaveTag, "save", 348}, {kInfoTag, "?", 388}};
    for (const Command& command : commands) {
        if (!addControl(
                page, new (std::nothrow) TextButton(Rect(command.left, 152, command.left + 25, 164), this, command.tag,
                                                    command.label, kLampTextButton, kPressedValue, false, true)))
            return false;
    }
    return true;
}

bool SynthEditor::buildStrip() {
    ViewContainer* page = pages[kStripPage];
    setKnobMode(kLinearMode);
    Bitmap* knobs = gBitmaps[kKnobBitmap];
    Bitmap* lamp = gBitmaps[kLampBitmap];
    Bitmap* fold = gBitmaps[kFoldBitmap];
    const int32_t lampHeight = lamp->getHeight() / kLampFrames;
    const int32_t knobHeight = knobs->getHeight() / kKnobFrames;

    auto lampAt = [&](int32_t tag, int32_t x) {
        return addControl(page, new (std::nothrow) StripImage(Rect(x, 11, x + lamp->getWidth(), 11 + lampHeight), this,
                                                              tag, kLampFrames, lampHeight, lamp));
    };
    auto knobAt = [&](int32_t tag, int32_t x) {
        return addControl(page, new (std::nothrow) StripKnob(Rect(x, 17, x + knobs->getWidth(), 17 + knobHeight), this,
                                                             tag, kKnobFrames, knobHeight, knobs));
    };
    if (!lampAt(kPhaserLampTag, 162) || !lampAt(kChorusLampTag, 319) || !knobAt(kParamPhaserDepth, 27) ||
        !knobAt(kParamPhaserRate, 77) || !knobAt(kParamPhaserFeedback, 127) || !knobAt(kParamChorusDepth, 182) ||
        !knobAt(kParamChorusRate, 232) || !knobAt(kParamChorusSplit, 282) || !knobAt(kParamLevel, 352))
        return false;
    auto* foldButton = new (std::nothrow)
        OnOffButton(Rect(401, 11, 401 + fold->getWidth(), 11 + fold->getHeight() / 2), this, kFoldTag, fold);
    if (!addControl(page, foldButton))
        return false;
    foldButton->setValue(0.0f);
    return true;
}

void SynthEditor::showPage(int32_t page) {
    if (page < 0 || page > kNoPage || page == kStripPage)
        return;
    if (frame && currentPage != kNoPage && pages[currentPage])
        frame->removeView(pages[currentPage], false);
    currentPage = page;
    if (page == kNoPage || !frame || !pages[page])
        return;
    frame->addView(pages[page]);
    for (int32_t index = 0; index < kNumParams; ++index) setParameter(index, plugin()->getParameter(index));
    frame->redraw();
}

void SynthEditor::fold(bool folded) {
    const int32_t width = panelWidth();
    Rect strip;
    if (folded) {
        setPanelSize(width, lowerHeight());
        showPage(kNoPage);
        strip = Rect(0, 0, width, lowerHeight());
    } else {
        setPanelSize(width, getPanelHeight() + upperHeight());
        showPage(kMainPage);
        strip = Rect(0, upperHeight(), width, upperHeight() + lowerHeight());
    }
    pages[kStripPage]->setViewSize(strip);
    pages[kStripPage]->setMouseableArea(strip);
    frame->setSize(getPanelWidth(), getPanelHeight());
    frame->redraw();
}

bool SynthEditor::onWheel(float) {
    return true;
}

void SynthEditor::idle() {
    if (inIdle)
        return;
    // The audio thread only loaded the program: the panel, its name field and
    // the host follow here, on the window's own thread.
    if (plugin()->takeProgramNotice()) {
        for (int32_t index = 0; index < kNumParams; ++index) setParameter(index, plugin()->getParameter(index));
        char name[kProgramNameBytes] = {};
        plugin()->getProgramName(name);
        programNameChanged(name);
        plugin()->updateDisplay();
    }
    flushQueuedErrors();
    GuiEditorBase::idle();
}

void SynthEditor::setParameter(int32_t index, float value) {
    if (Control* control = getControl(index))
        control->setValue(value);
    if (index == kParamPhaserDepth)
        setParameter(kPhaserLampTag, value != 0.0f ? 1.0f : 0.0f);
    else if (index == kParamChorusDepth)
        setParameter(kChorusLampTag, value != 0.0f ? 1.0f : 0.0f);
    else if (index >= kParamOsc1Mute && index < kParamOsc1Mute + 3) {
        if (auto* box = dynamic_cast<ShapeBox*>(getControl(index - kParamOsc1Mute + kParamOsc1Shape))) {
            box->setMuted(value >= 0.5f);
            box->setDirty(true);
        }
    }
    postUpdate();
}

void SynthEditor::programNameChanged(const char* name) {
    auto* field = dynamic_cast<ProgramNameEdit*>(getControl(kProgramNameTag));
    if (!field || !name)
        return;
    field->setText(name);
    // A program change from MIDI arrives on the audio thread: only the
    // window's own thread may draw, the others leave it to the next idle.
    HWND window = frame ? frame->getSystemWindow() : nullptr;
    if (window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        frame->redraw();
    else
        postUpdate();
}

void SynthEditor::redrawControl(DrawContext* context, Control* control) {
    if (!context || !context->getSystemContext() || !frame || !control->isDirty())
        return;
    if (control->getWidth() <= 0 || control->getHeight() <= 0)
        return;  // the temporary menus
    // A control whose page has been taken away must not paint over the page shown now.
    View* parent = control->getParentView();
    if (!(parent ? frame->isChild(parent) : frame->isChild(control)))
        return;
    control->draw(context);
}

void SynthEditor::valueChanged(DrawContext* context, Control* control) {
    if (!control)
        return;
    const int32_t tag = control->getTag();
    const float value = control->getValue();
    if (tag < 0) {
        redrawControl(context, control);
        return;
    }
    if (tag < kNumParams) {
        plugin()->setParameterAutomated(tag, value);
        redrawControl(context, control);
        return;
    }
    const bool pressed = value != 0.0f;
    bool redrawAfter = true;
    switch (tag) {
    case kProgramNameTag: {
        char text[256] = {};
        static_cast<ProgramNameEdit*>(control)->getText(text);
        text[sizeof text - 1] = 0;
        plugin()->setProgramName(text);
        break;
    }
    case kWriteTag:
        if (pressed)
            plugin()->storeEditBuffer();
        break;
    case kLoadTag:
        if (pressed)
            runFileCommand(*plugin(), FileCommand::LoadBank, frame ? frame->getOuterWindow() : nullptr);
        break;
    case kSaveTag:
        if (pressed)
            runFileCommand(*plugin(), FileCommand::SaveBank, frame ? frame->getOuterWindow() : nullptr);
        break;
    case kInfoTag:
        if (pressed) {
            showPage(kInfoPage);
            redrawAfter = false;
        }
        break;
    case kInfoLineTag:
        if (pressed) {
            showPage(kMainPage);
            redrawAfter = false;
        }
        break;
    case kFoldTag:
        if (frame) {
            fold(pressed);
            redrawAfter = false;  // the frame has just drawn everything in its new place
        }
        break;
    default:
        break;
    }
    if (redrawAfter)
        redrawControl(context, control);
    postUpdate();
}

}  // namespace tine
