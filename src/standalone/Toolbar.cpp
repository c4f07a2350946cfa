#include "standalone/Toolbar.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/MomentaryButton.h"
#include "gui/OnOffButton.h"
#include "gui/TextEdit.h"
#include "params/ErrorReport.h"
#include "params/Program.h"
#include "plugin/FileCommands.h"
#include "standalone/SetupDialog.h"
#include "standalone/StandaloneSynth.h"

namespace tine {
namespace {

// Resource ids in the order the toolbar keeps them.
constexpr int32_t kBitmapIds[8] = {145, 146, 151, 152, 147, 148, 149, 150};

struct Placement {
    Rect rect;
    int32_t bitmapId;  // 0: none
};

// Indexed by tag. From Load Patch on every button starts one pixel right of
// the one before and is as wide as its bitmap; Load Patch starts where Next
// ends.
const Placement kPlacements[kToolbarControlCount] = {
    {Rect(1, 1, 16, 15), 147},     // previous
    {Rect(139, 1, 154, 15), 148},  // next
    {Rect(17, 0, 137, 16), 0},     // name field
    {Rect(154, 1, 210, 15), 145},  // load patch
    {Rect(211, 1, 267, 15), 146},  // save patch
    {Rect(268, 1, 320, 15), 151},  // load bank
    {Rect(321, 1, 373, 15), 152},  // save bank
    {Rect(374, 1, 404, 15), 149},  // setup
    {Rect(405, 1, 429, 15), 150},  // WAV
};

// The order the controls are made and added in.
constexpr int32_t kBuildOrder[kToolbarControlCount] = {
    kToolbarPrevious, kToolbarName,     kToolbarNext,  kToolbarLoadPatch, kToolbarSavePatch,
    kToolbarLoadBank, kToolbarSaveBank, kToolbarSetup, kToolbarRecord,
};

constexpr int32_t kNameFont = 3;
constexpr Color kNameColour{0, 255, 0};

void copyField(char* field, std::size_t capacity, const char* text) {
    std::strncpy(field, text, capacity - 1);
    field[capacity - 1] = '\0';
}

// A bounded copy: a selector is not trusted to have terminated the path.
void takePath(const char* returned, char* path, std::size_t capacity) {
    std::size_t length = 0;
    if (returned)
        while (length < capacity - 1 && returned[length] != '\0') ++length;
    std::memcpy(path, returned ? returned : "", length);
    path[length] = '\0';
}

void renameProgram(StandaloneSynth& synth, TextEdit& field) {
    // The field's whole buffer, whatever was typed; then the name's own cut.
    char text[256] = {};
    field.getText(text);
    text[kToolbarNameChars] = '\0';
    synth.setProgramName(text);
}

void toggleRecording(StandaloneSynth& synth, Control& button) {
    RecorderSlot& recorder = synth.recorder();
    if (recorder.recording()) {
        recorder.finish();
        button.setValue(0.0f);
        return;
    }
    auto* buffer = static_cast<char*>(std::calloc(kReturnPathBytes, 1));
    if (!buffer) {
        reportError(ErrorCode::OutOfMemory);
        button.setValue(0.0f);
        return;
    }
    FileSelectRequest request;
    std::memset(&request, 0, sizeof(request));
    VstFileType& type = request.fileType;
    copyField(type.name, sizeof(type.name), "WAV Files");
    copyField(type.macType, sizeof(type.macType), ".wav");
    copyField(type.dosType, sizeof(type.dosType), "wav");
    copyField(type.unixType, sizeof(type.unixType), "wav");
    copyField(type.mimeType1, sizeof(type.mimeType1), "wav");
    copyField(type.mimeType2, sizeof(type.mimeType2), "wav");
    VstFileSelect& select = request.select;
    select.command = 1;
    select.type = 0;
    select.nbFileTypes = 1;
    select.fileTypes = &request.fileType;
    copyField(select.title, sizeof(select.title), "Save WAV File");
    select.initialPath = nullptr;
    select.returnPath = buffer;
    select.sizeReturnPath = kReturnPathBytes;

    const bool chosen = synth.openFileSelector(&select);
    char path[kReturnPathBytes];
    takePath(chosen ? select.returnPath : nullptr, path, sizeof(path));
    if (path[0] != '\0')
        recorder.start(path, synth.settings().sampleRate);
    if (!recorder.recording())
        button.setValue(0.0f);

    // The host frees only what its dialog allocated; our buffer is ours.
    synth.closeFileSelector(&select);
    if (select.returnPath && select.returnPath != buffer)
        releaseLocalFileDialog(request);
    std::free(buffer);
}

}  // namespace

Rect Toolbar::controlRect(int32_t tag) {
    if (tag < 0 || tag >= kToolbarControlCount)
        return Rect();
    return kPlacements[tag].rect;
}

bool Toolbar::build(void* mainWindow, int32_t width, FrameOwner* editor, ControlListener* listener) {
    release();
    frame_ = new (std::nothrow) Frame(Rect(0, 0, width, kToolbarHeight), static_cast<HWND>(mainWindow), editor);
    if (!frame_) {
        reportError(ErrorCode::OutOfMemory);
        return false;
    }
    for (int i = 0; i < 8; ++i) bitmaps_[i] = new Bitmap(kBitmapIds[i]);
    auto bitmap = [this](int32_t id) -> Bitmap* {
        for (int i = 0; i < 8; ++i)
            if (kBitmapIds[i] == id)
                return bitmaps_[i];
        return nullptr;
    };

    for (int32_t tag : kBuildOrder) {
        const Placement& place = kPlacements[tag];
        Control* made = nullptr;
        if (tag == kToolbarName) {
            nameField_ = new TextEdit(place.rect, listener, tag, nullptr, nullptr, 0);
            nameField_->setFont(kNameFont);
            nameField_->setFontColor(kNameColour);
            nameField_->setBackColor(kBlackColor);
            made = nameField_;
        } else if (tag == kToolbarRecord) {
            made = new OnOffButton(place.rect, listener, tag, bitmap(place.bitmapId));
        } else {
            Bitmap* image = bitmap(place.bitmapId);
            // Normal state above, pressed state below, each half the bitmap.
            made = new MomentaryButton(place.rect, listener, tag, image->getHeight() / 2, image, Point(0, 0));
        }
        controls_[tag] = made;
        frame_->addView(made);
    }
    return true;
}

void Toolbar::release() {
    if (frame_) {
        // The edit control of a rename in progress goes with its field.
        frame_->forget();
        frame_ = nullptr;
    }
    for (Control*& c : controls_) c = nullptr;
    nameField_ = nullptr;
    for (Bitmap*& b : bitmaps_) {
        if (b)
            b->forget();
        b = nullptr;
    }
}

Control* Toolbar::control(int32_t tag) const {
    if (tag < 0 || tag >= kToolbarControlCount)
        return nullptr;
    return controls_[tag];
}

void Toolbar::showName(const char* text) {
    if (!nameField_ || !frame_)
        return;
    nameField_->setText(text);
    frame_->redraw();
}

void runToolbarCommand(StandaloneSynth& synth, DrawContext* context, Control* control) {
    if (!control)
        return;
    const bool pressed = control->getValue() == 1.0f;
    void* owner = synth.mainWindow();
    switch (control->getTag()) {
    case kToolbarPrevious:
        if (pressed && synth.getProgram() > 0)
            synth.setProgram(synth.getProgram() - 1);
        break;
    case kToolbarNext:
        if (pressed && synth.getProgram() < kNumPrograms - 1)
            synth.setProgram(synth.getProgram() + 1);
        break;
    case kToolbarName:
        if (auto* field = dynamic_cast<TextEdit*>(control))
            renameProgram(synth, *field);
        break;
    case kToolbarSetup:
        if (pressed && runSetupDialog(synth.settings(), synth.settingsStore(), owner, synth.moduleInstance()) == 1)
            synth.restartAudioAndMidi(owner);
        break;
    case kToolbarLoadPatch:
        if (pressed)
            runFileCommand(synth, FileCommand::LoadPatch, owner);
        break;
    case kToolbarSavePatch:
        if (pressed)
            runFileCommand(synth, FileCommand::SavePatch, owner);
        break;
    case kToolbarLoadBank:
        if (pressed)
            runFileCommand(synth, FileCommand::LoadBank, owner);
        break;
    case kToolbarSaveBank:
        if (pressed)
            runFileCommand(synth, FileCommand::SaveBank, owner);
        break;
    case kToolbarRecord:
        toggleRecording(synth, *control);
        break;
    default:
        break;
    }
    if (context) {
        control->update(context);
    } else if (Frame* frame = control->getFrame()) {
        if (control->isDirty())
            frame->redraw(control);
    }
}

}  // namespace tine
