// The editor driven with real mouse and keyboard input: stepping boxes,
// menus, commands, pages and folding; screenshots of the main page, the info
// page and the folded strip.

#include <cstring>

#include "EditorTestSupport.h"
#include "editor/ProgramNameEdit.h"
#include "editor/ShapeBox.h"
#include "editor/TextButton.h"
#include "editor/ValueBox.h"
#include "engine/ShapeTable.h"
#include "gui/Bitmap.h"
#include "gui/OffscreenContext.h"
#include "gui/ViewContainer.h"
#include "params/ParameterTable.h"

namespace tine {
namespace {

using namespace editortest;

class EditorInput : public EditorFixture {
protected:
    POINT centre(int32_t tag) const {
        const Rect r = editor->getControl(tag)->getViewSize();
        return at((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
};

TEST_F(EditorInput, ShiftRightClickStepsOnceToTheMaximumAndControlClickRestoresTheDefault) {
    plugin->setParameter(kParamOsc1Level, 0.99f);
    idle();
    hostRecord().clear();
    rightClickAt(centre(kParamOsc1Level), VK_SHIFT);
    EXPECT_EQ(plugin->getParameter(kParamOsc1Level), 1.0f);
    EXPECT_EQ(hostRecord().valuesOf(kParamOsc1Level), std::vector<float>{1.0f});
    EXPECT_EQ(hostRecord().count(audioMasterBeginEdit), 1);
    EXPECT_EQ(hostRecord().count(audioMasterEndEdit), 1);
    rightClickAt(centre(kParamOsc1Level), VK_SHIFT);
    EXPECT_EQ(plugin->getParameter(kParamOsc1Level), 1.0f);

    // Shift + left makes one full step down.
    clickAt(centre(kParamOsc1Level), VK_SHIFT);
    EXPECT_NEAR(plugin->getParameter(kParamOsc1Level), 0.99f, 1e-6f);

    clickAt(centre(kParamOsc1Level), VK_CONTROL);
    EXPECT_EQ(plugin->getParameter(kParamOsc1Level), ParameterTable[kParamOsc1Level].defaultValue);
    EXPECT_EQ(control<ParamValueBox>(kParamOsc1Level)->getValue(), ParameterTable[kParamOsc1Level].defaultValue);

    // Control + right does nothing.
    plugin->setParameter(kParamOsc1Level, 0.3f);
    hostRecord().clear();
    rightClickAt(centre(kParamOsc1Level), VK_CONTROL);
    EXPECT_EQ(plugin->getParameter(kParamOsc1Level), 0.3f);
    EXPECT_TRUE(hostRecord().automation.empty());
}

TEST_F(EditorInput, HoldingTheRightButtonStepsByAnEighthAndThenGrows) {
    plugin->setParameter(kParamOsc1Level, 0.1f);
    idle();
    hostRecord().clear();
    const float step = ParameterTable[kParamOsc1Level].step;
    // The release comes from another thread: the box's loop holds this one.
    std::thread releaser([] {
        Sleep(150);
        for (int i = 0; i < 200 && !keyDown(VK_RBUTTON); ++i)
            Sleep(5);
        Sleep(500);
        sendMouse(MOUSEEVENTF_RIGHTUP);
    });
    pressRightAt(centre(kParamOsc1Level));
    const bool released = pumpUntil([] { return !keyDown(VK_RBUTTON); }, 5000);
    releaser.join();
    ASSERT_TRUE(released);
    pump(50);

    const std::vector<float> values = hostRecord().valuesOf(kParamOsc1Level);
    ASSERT_GT(values.size(), 40u) << "the loop repeats while the button is held";
    EXPECT_NEAR(values[0] - 0.1f, step / 8, 2e-6f);
    for (size_t i = 1; i < 17; ++i)
        EXPECT_NEAR(values[i] - values[i - 1], step / 8, 2e-6f) << i;
    for (size_t i = 17; i < 34; ++i)
        EXPECT_NEAR(values[i] - values[i - 1], step * 1.125f / 8, 2e-6f) << i;
    EXPECT_NEAR(values[34] - values[33], step * 1.125f * 1.125f / 8, 2e-6f);
    EXPECT_EQ(hostRecord().count(audioMasterBeginEdit), 1) << "one gesture";
    EXPECT_EQ(hostRecord().count(audioMasterEndEdit), 1);
    EXPECT_EQ(plugin->getParameter(kParamOsc1Level), values.back());
}

TEST_F(EditorInput, RightClickOnAShapeOpensTheShapeMenuAndTheChoiceShows) {
    auto* shape = control<ShapeBox>(1);
    const int chosen = 20;
    ASSERT_NE(kShapeDesigns[chosen].name, nullptr);
    ASSERT_NE(shape->getShapeIndex(), chosen);
    const Image before = capture(frameWindow());
    {
        MenuPicker picker(chosen);
        rightClickAt(centre(1));
        ASSERT_TRUE(pumpUntil([&] { return picker.clicked(); }, 5000));
        EXPECT_EQ(picker.entryCount(), kShapeSlots);
    }
    pump(100);
    idle();
    EXPECT_EQ(shape->getShapeIndex(), chosen);
    EXPECT_EQ(plugin->getParameter(kParamOsc1Shape), kShapeDesigns[chosen].key);
    char text[kValueBoxTextBytes];
    shape->formatText(text);
    EXPECT_NE(std::strstr(text, kShapeDesigns[chosen].name), nullptr) << text;
    EXPECT_EQ(std::strncmp(text, "Shape: ", 7), 0) << text;
    const Image after = capture(frameWindow());
    int changed = 0;
    for (int y = 30; y < 46; ++y)
        for (int x = 30; x < 155; ++x)
            changed += before.at(x, y) != after.at(x, y);
    EXPECT_GT(changed, 0);

    // A left click mutes the oscillator, another unmutes it.
    clickAt(centre(1));
    EXPECT_TRUE(shape->isMuted());
    EXPECT_EQ(plugin->getParameter(kParamOsc1Mute), 1.0f);
    clickAt(centre(1));
    EXPECT_FALSE(shape->isMuted());
    EXPECT_EQ(plugin->getParameter(kParamOsc1Mute), 0.0f);
}

TEST_F(EditorInput, ChoosingAProgramInTheNameMenuSwitchesTheProgram) {
    ASSERT_EQ(plugin->getProgram(), 0);
    {
        MenuPicker picker(5);
        rightClickAt(centre(63));
        ASSERT_TRUE(pumpUntil([&] { return picker.clicked(); }, 5000));
        EXPECT_EQ(picker.entryCount(), 32);
    }
    pump(100);
    idle();
    EXPECT_EQ(plugin->getProgram(), 5);
    char name[64];
    plugin->getProgramNameIndexed(0, 5, name);
    EXPECT_STREQ(control<ProgramNameEdit>(63)->text(), name);
    EXPECT_EQ(control<ParamValueBox>(kParamOsc1Level)->getValue(), plugin->programSlot(5).values[kParamOsc1Level]);
}

TEST_F(EditorInput, InfoPageComesWithTheQuestionMarkAndGoesWithAClickOnALine) {
    const Image main = capture(frameWindow());
    ASSERT_TRUE(savePng(main, "editor-main-page.png"));
    EXPECT_EQ(main.at(272, 134), Color(34, 36, 34)) << "the program name field";

    clickHeldControlAt(centre(67));
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kInfoPage);
    pump(50);
    idle();
    const Image info = capture(frameWindow());
    ASSERT_TRUE(savePng(info, "editor-info-page.png"));
    EXPECT_NE(info.at(272, 134), Color(34, 36, 34)) << "no name field on the info page";
    // Only the panel and dark text: the button's lamp square of the main page is gone.
    {
        OffscreenContext panel(nullptr, SynthEditor::sharedBitmap(0));
        EXPECT_EQ(info.at(391, 155), panel.getPoint(Point(391, 155)));
    }

    plugin->setParameter(kParamOsc1Level + 1, 0.75f);  // changed while the main page is away
    clickHeldControlAt(at(215, 39));
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kMainPage);
    EXPECT_EQ(control<ParamValueBox>(kParamOsc1Level + 1)->getValue(), 0.75f);
    idle();
    EXPECT_EQ(capture(frameWindow()).at(272, 134), Color(34, 36, 34));
}

TEST_F(EditorInput, FoldButtonFoldsToTheStripAndBackAndReopeningIsUnfolded) {
    clickAt(at(404, 177 + 14));
    ASSERT_TRUE(editor->isFolded());
    ERect* rect = nullptr;
    editor->getRect(&rect);
    EXPECT_EQ(rect->bottom, 70);
    EXPECT_EQ(rect->right, 432);
    EXPECT_EQ(windowSize(frameWindow()).cy, 70);
    EXPECT_EQ(windowSize(host->get()).cy, 70) << "the wrapping window follows";
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kNoPage);
    EXPECT_EQ(editor->getPage(SynthEditor::kStripPage)->getViewSize(), Rect(0, 0, 432, 70));
    pump(50);
    idle();
    const Image folded = capture(frameWindow());
    ASSERT_EQ(folded.height, 70);
    ASSERT_TRUE(savePng(folded, "editor-folded.png"));
    {
        OffscreenContext strip(nullptr, SynthEditor::sharedBitmap(1));
        EXPECT_EQ(folded.at(5, 5), strip.getPoint(Point(5, 5)));
        EXPECT_EQ(folded.at(420, 60), strip.getPoint(Point(420, 60)));
    }
    // The strip's controls take clicks in their new place.
    clickAt(at(404, 14));
    EXPECT_FALSE(editor->isFolded());
    editor->getRect(&rect);
    EXPECT_EQ(rect->bottom, 247);
    EXPECT_EQ(windowSize(frameWindow()).cy, 247);
    EXPECT_EQ(editor->getCurrentPage(), SynthEditor::kMainPage);
    EXPECT_EQ(editor->getPage(SynthEditor::kStripPage)->getViewSize(), Rect(0, 177, 432, 247));

    // Closed while folded, the editor opens again unfolded with the full size.
    clickAt(at(404, 177 + 14));
    ASSERT_TRUE(editor->isFolded());
    editor->close();
    ASSERT_TRUE(editor->open(host->get()));
    editor->getRect(&rect);
    EXPECT_EQ(rect->bottom, 247);
    EXPECT_FALSE(editor->isFolded());
    EXPECT_EQ(editor->getPage(SynthEditor::kStripPage)->getViewSize(), Rect(0, 177, 432, 247));
}

TEST_F(EditorInput, KnobDragReachesThePluginAndTheLamp) {
    plugin->setParameter(kParamPhaserDepth, 0.0f);
    idle();
    ASSERT_EQ(control<Control>(70)->getValue(), 0.0f);
    const POINT knob = at(27 + 16, 177 + 32);
    std::thread mover([knob] {
        for (int i = 0; i < 200 && !keyDown(VK_LBUTTON); ++i)
            Sleep(5);
        Sleep(100);
        moveMouseTo(knob.x, knob.y - 40);
        Sleep(200);
        sendMouse(MOUSEEVENTF_LEFTUP);
    });
    moveMouseTo(knob.x, knob.y);
    pumpUntil([&] { return cursorAt(knob.x, knob.y); }, 1000);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    const bool done = pumpUntil([] { return !keyDown(VK_LBUTTON); }, 5000);
    mover.join();
    ASSERT_TRUE(done);
    pump(50);
    EXPECT_NEAR(plugin->getParameter(kParamPhaserDepth), 0.2f, 1e-4f);
    EXPECT_EQ(control<Control>(70)->getValue(), 1.0f);
}

}  // namespace
}  // namespace tine
