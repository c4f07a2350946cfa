// The editor built by the instrument: its pages and controls, the shared
// bitmaps, parameter binding both ways, lamps, muting, folding and the
// program name, without input devices.

#include <cstring>

#include "EditorTestSupport.h"
#include "editor/ProgramNameEdit.h"
#include "editor/ShapeBox.h"
#include "editor/TextButton.h"
#include "editor/ValueBox.h"
#include "gui/Bitmap.h"
#include "gui/OffscreenContext.h"
#include "gui/OnOffButton.h"
#include "gui/StripImage.h"
#include "gui/StripKnob.h"
#include "gui/ViewContainer.h"
#include "params/ParameterTable.h"

namespace tine {
namespace {

using namespace editortest;

TEST(SynthEditorConstruction, PluginHasEditorFlags305AndSharedBitmapsFollowTheLiveEditors) {
    ASSERT_EQ(SynthEditor::liveEditorCount(), 0);
    auto first = std::make_unique<SynthPlugin>(&recordingHost);
    EXPECT_EQ(first->getAeffect()->flags, 305);
    auto* editor = dynamic_cast<SynthEditor*>(first->getEditor());
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isConstructed());
    ERect* rect = nullptr;
    EXPECT_EQ(editor->getRect(&rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 432);
    EXPECT_EQ(rect->bottom - rect->top, 247);
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kNoPage);
    const int sizes[5][2] = {{432, 177}, {432, 70}, {32, 3840}, {6, 12}, {6, 12}};
    for (int slot = 0; slot < 5; ++slot) {
        ASSERT_NE(SynthEditor::sharedBitmap(slot), nullptr) << slot;
        EXPECT_EQ(SynthEditor::sharedBitmap(slot)->getWidth(), sizes[slot][0]) << slot;
        EXPECT_EQ(SynthEditor::sharedBitmap(slot)->getHeight(), sizes[slot][1]) << slot;
    }
    Bitmap* panel = SynthEditor::sharedBitmap(0);

    auto second = std::make_unique<SynthPlugin>(&recordingHost);
    EXPECT_EQ(SynthEditor::liveEditorCount(), 2);
    EXPECT_EQ(SynthEditor::sharedBitmap(0), panel) << "the second editor shares the first one's bitmaps";
    first.reset();
    EXPECT_EQ(SynthEditor::liveEditorCount(), 1);
    EXPECT_EQ(SynthEditor::sharedBitmap(0), panel);
    second.reset();
    EXPECT_EQ(SynthEditor::liveEditorCount(), 0);
    for (int slot = 0; slot < 5; ++slot)
        EXPECT_EQ(SynthEditor::sharedBitmap(slot), nullptr) << slot;
}

class SynthEditorLayout : public EditorFixture {};

TEST_F(SynthEditorLayout, MainPageHasEveryBoxInItsPlace) {
    ASSERT_EQ(editor->getCurrentPage(), SynthEditor::kMainPage);
    struct Column {
        int32_t firstTag;
        int left, right, dy;
        bool singleStep;
    };
    const Column columns[] = {{4, 160, 210, 0, false},  {22, 230, 300, 0, false},  {7, 315, 385, 0, false},
                              {25, 30, 85, 12, true},   {10, 90, 140, 12, false},  {13, 160, 210, 12, false},
                              {16, 230, 300, 12, false}, {19, 315, 385, 12, false}};
    for (int o = 0; o < 3; ++o) {
        const int y = 30 + 30 * o;
        auto* shape = control<ShapeBox>(1 + o);
        ASSERT_NE(shape, nullptr) << o;
        EXPECT_EQ(shape->getViewSize(), Rect(30, y, 155, y + 16));
        EXPECT_EQ(shape->getMuteParameter(), 41 + o);
        for (const Column& c : columns) {
            auto* box = control<ParamValueBox>(c.firstTag + o);
            ASSERT_NE(box, nullptr) << c.firstTag + o;
            EXPECT_EQ(box->getViewSize(), Rect(c.left, y + c.dy, c.right, y + c.dy + 16)) << c.firstTag + o;
            EXPECT_EQ(box->getRepeat(), !c.singleStep) << c.firstTag + o;
            EXPECT_STREQ(box->getLabel(), ParameterTable[c.firstTag + o].shortName);
            EXPECT_EQ(box->getStep(), ParameterTable[c.firstTag + o].step);
            EXPECT_EQ(box->getMax(), ParameterTable[c.firstTag + o].maxValue);
        }
    }
    const struct {
        int32_t tag;
        Rect rect;
        bool singleStep;
    } effects[] = {{28, Rect(30, 120, 130, 136), false}, {29, Rect(160, 120, 260, 136), false},
                   {30, Rect(30, 132, 130, 148), false}, {31, Rect(160, 132, 260, 148), false},
                   {39, Rect(30, 148, 130, 164), false}, {38, Rect(160, 148, 260, 164), true}};
    for (const auto& e : effects) {
        auto* box = control<ParamValueBox>(e.tag);
        ASSERT_NE(box, nullptr) << e.tag;
        EXPECT_EQ(box->getViewSize(), e.rect) << e.tag;
        EXPECT_EQ(box->getRepeat(), !e.singleStep) << e.tag;
    }
    auto* name = control<ProgramNameEdit>(63);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->getViewSize(), Rect(270, 132, 400, 148));
    EXPECT_EQ(name->getFont(), 2);
    EXPECT_EQ(name->getFontColor(), Color(170, 180, 170));
    EXPECT_EQ(name->getBackColor(), Color(34, 36, 34));
    EXPECT_EQ(name->getHoriAlign(), kCenterText);
    const char* labels[] = {"write", "load", "save", "?"};
    for (int i = 0; i < 4; ++i) {
        auto* button = control<TextButton>(64 + i);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->getViewSize(), Rect(268 + 40 * i, 152, 293 + 40 * i, 164));
        EXPECT_EQ(button->getStyle(), kLampTextButton);
        EXPECT_STREQ(button->getLabel(), labels[i]);
        EXPECT_EQ(button->getMax(), 0.1f);
    }
    // The rows without a control stay without one.
    EXPECT_EQ(editor->getControl(40), nullptr);
    for (int tag = 41; tag < 62; ++tag)
        EXPECT_EQ(editor->getControl(tag), nullptr) << tag;
}

TEST_F(SynthEditorLayout, InfoPageAndStripHaveTheirControls) {
    ViewContainer* info = editor->getPage(SynthEditor::kInfoPage);
    ASSERT_EQ(info->getNbViews(), SynthEditor::infoLineCount());
    EXPECT_STREQ(SynthEditor::infoLine(0), "Tinemaster 1.0");
    for (int k = 0; k < info->getNbViews(); ++k) {
        auto* line = dynamic_cast<TextButton*>(info->getView(k));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->getTag(), 68);
        EXPECT_EQ(line->getStyle(), kPlainTextButton);
        EXPECT_EQ(line->getFont(), 3);
        EXPECT_EQ(line->getViewSize(), Rect(30, 30 + 20 * k, 400, 48 + 20 * k));
        EXPECT_STRNE(line->getLabel(), "");
    }
    ViewContainer* strip = editor->getPage(SynthEditor::kStripPage);
    EXPECT_EQ(strip->getViewSize(), Rect(0, 177, 432, 247));
    const struct {
        int32_t tag;
        int x;
    } knobs[] = {{33, 27}, {32, 77}, {34, 127}, {36, 182}, {35, 232}, {37, 282}, {0, 352}};
    for (const auto& k : knobs) {
        auto* knob = control<StripKnob>(k.tag);
        ASSERT_NE(knob, nullptr) << k.tag;
        EXPECT_EQ(knob->getViewSize(), Rect(k.x, 17, k.x + 32, 47)) << k.tag;
        EXPECT_EQ(knob->getDefaultValue(), ParameterTable[k.tag].defaultValue);
    }
    ASSERT_NE(control<StripImage>(70), nullptr);
    EXPECT_EQ(control<StripImage>(70)->getViewSize(), Rect(162, 11, 168, 17));
    EXPECT_EQ(control<StripImage>(71)->getViewSize(), Rect(319, 11, 325, 17));
    ASSERT_NE(control<OnOffButton>(69), nullptr);
    EXPECT_EQ(control<OnOffButton>(69)->getViewSize(), Rect(401, 11, 407, 17));
    EXPECT_EQ(control<OnOffButton>(69)->getValue(), 0.0f);
    EXPECT_EQ(editor->getFrame()->getKnobMode(), kLinearMode);
    EXPECT_TRUE(reportedErrors().empty());
}

class SynthEditorBinding : public EditorFixture {};

TEST_F(SynthEditorBinding, PluginChangesReachTheirControlsAndTheScreenAtTheNextIdle) {
    auto* level = control<ParamValueBox>(kParamOsc1Level);
    const Rect box = level->getViewSize();
    const Image before = capture(frameWindow());
    plugin->setParameter(kParamOsc1Level, 0.25f);
    EXPECT_EQ(level->getValue(), 0.25f);
    EXPECT_TRUE(level->isDirty());
    EXPECT_TRUE(editor->isUpdatePending());
    idle();
    EXPECT_FALSE(level->isDirty());
    const Image after = capture(frameWindow());
    int changed = 0;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            changed += before.at(x, y) != after.at(x, y);
    EXPECT_GT(changed, 0) << "the box shows the new value";

    // A program switch moves every control to the program's values.
    plugin->setProgram(7);
    idle();
    for (int tag : {1, 4, 10, 28, 33, 38, 0})
        EXPECT_EQ(editor->getControl(tag)->getValue(), plugin->getParameter(tag)) << tag;
    char name[64];
    plugin->getProgramName(name);
    EXPECT_STREQ(control<ProgramNameEdit>(63)->text(), name);
}

TEST_F(SynthEditorBinding, EffectDepthsLightTheirLampsAndMutesGreyTheShapes) {
    auto* phaser = control<StripImage>(70);
    auto* chorus = control<StripImage>(71);
    plugin->setParameter(kParamPhaserDepth, 0.0f);
    plugin->setParameter(kParamChorusDepth, 0.4f);
    idle();
    EXPECT_EQ(phaser->getValue(), 0.0f);
    EXPECT_EQ(chorus->getValue(), 1.0f);
    // On the screen: the off image above, the on image below in the lamp bitmap.
    Bitmap* lamp = SynthEditor::sharedBitmap(3);
    std::vector<Color> off, on;
    {
        // Read and let go at once: a bitmap selected here cannot be drawn elsewhere.
        OffscreenContext lampImages(nullptr, lamp);
        off = grab(lampImages.getSystemContext(), 0, 0, 6, 6);
        on = grab(lampImages.getSystemContext(), 0, 6, 6, 6);
    }
    ASSERT_NE(off, on);
    auto shown = [&](int x) {
        const Image image = capture(frameWindow());
        std::vector<Color> pixels;
        for (int y = 0; y < 6; ++y)
            for (int dx = 0; dx < 6; ++dx)
                pixels.push_back(image.at(x + dx, 177 + 11 + y));
        return pixels;
    };
    EXPECT_EQ(shown(162), off);
    EXPECT_EQ(shown(319), on);
    plugin->setParameter(kParamPhaserDepth, 0.01f);
    idle();
    EXPECT_EQ(phaser->getValue(), 1.0f);
    EXPECT_EQ(shown(162), on);

    auto* osc2 = control<ShapeBox>(2);
    plugin->setParameter(42, 0.5f);
    EXPECT_TRUE(osc2->isMuted());
    idle();
    EXPECT_EQ(osc2->getTextColor(), Color(120, 120, 120));
    plugin->setParameter(42, 0.49f);
    EXPECT_FALSE(osc2->isMuted());
    idle();
    EXPECT_EQ(osc2->getTextColor(), Color(10, 10, 10));
}

TEST_F(SynthEditorBinding, ClosedEditorIsEmptyAndOpensAgainUnfolded) {
    editor->close();
    EXPECT_EQ(editor->getFrame(), nullptr);
    for (int tag = 0; tag < SynthEditor::kControlCount; ++tag)
        EXPECT_EQ(editor->getControl(tag), nullptr);
    plugin->setParameter(kParamOsc1Level, 0.3f);  // touches nothing but the flag
    EXPECT_EQ(plugin->getParameter(kParamOsc1Level), 0.3f);

    ASSERT_TRUE(editor->open(host->get()));
    EXPECT_EQ(control<ParamValueBox>(kParamOsc1Level)->getValue(), 0.3f);
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kMainPage);
}

TEST_F(SynthEditorBinding, RenamingThroughThePluginShowsInTheFieldAndLongNamesAreCut) {
    char longName[] = "A name far longer than any program slot holds";
    plugin->setProgramName(longName);
    char kept[64];
    plugin->getProgramName(kept);
    EXPECT_EQ(std::strlen(kept), 27u);
    EXPECT_STREQ(control<ProgramNameEdit>(63)->text(), kept);

    // A rename from the field reaches the current program.
    auto* field = control<ProgramNameEdit>(63);
    field->setText("Upright Bark");
    editor->valueChanged(nullptr, field);
    plugin->getProgramNameIndexed(0, plugin->getProgram(), kept);
    EXPECT_STREQ(kept, "Upright Bark");
}

TEST_F(SynthEditorBinding, ReleasedCommandButtonsDoNothingAndWriteStoresTheEditBuffer) {
    auto* write = control<TextButton>(64);
    plugin->setParameter(kParamOsc1Level, 0.125f);
    write->setValue(0.0f);
    editor->valueChanged(nullptr, write);
    EXPECT_NE(plugin->programSlot(plugin->getProgram()).values[kParamOsc1Level], 0.125f);
    write->setValue(0.1f);
    editor->valueChanged(nullptr, write);
    EXPECT_EQ(plugin->programSlot(plugin->getProgram()).values[kParamOsc1Level], 0.125f);

    auto* info = control<TextButton>(67);
    info->setValue(0.0f);
    editor->valueChanged(nullptr, info);
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kMainPage);
}

}  // namespace
}  // namespace tine
