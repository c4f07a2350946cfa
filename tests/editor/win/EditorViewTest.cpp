// The panel's own views on their own: text of the boxes (cut, never
// overrun), shape slots, latching and momentary text buttons.

#include <cstring>

#include "EditorTestSupport.h"
#include "editor/ShapeBox.h"
#include "editor/TextButton.h"
#include "editor/ValueBox.h"
#include "engine/ShapeTable.h"
#include "gui/Frame.h"
#include "gui/OptionMenu.h"
#include "gui/ViewContainer.h"
#include "plugin/EffectBase.h"

namespace tine {
namespace {

using namespace editortest;

// A plug-in whose display texts are as long as a test wants.
class WordyPlugin : public EffectBase {
public:
    WordyPlugin() : EffectBase(nullptr, 1, 62) {}
    void process(float**, float**, int32_t) override {}
    void getParameterDisplay(int32_t, char* text) override { std::strcpy(text, display); }
    const char* display = "";
};

struct Recorder : ControlListener {
    std::vector<float> values;
    // Like the editor, it takes the change as shown.
    void valueChanged(DrawContext*, Control* control) override {
        values.push_back(control->getValue());
        control->setDirty(false);
    }
};

TEST(EditorValueBox, TextsFollowTheFormattersAndAreCutNotOverrun) {
    ValueBox plain(Rect(0, 0, 50, 16), nullptr, 3, nullptr, false, 0.01f);
    plain.setValue(0.5f);
    char text[kValueBoxTextBytes + 8];
    std::memset(text, '#', sizeof text);
    plain.formatText(text);
    EXPECT_STREQ(text, "0.50");

    const char* longLabel = "A label that goes on and on well past what any box shows on the panel";
    ValueBox labelled(Rect(0, 0, 50, 16), nullptr, 3, longLabel, false, 0.01f);
    std::memset(text, '#', sizeof text);
    labelled.formatText(text);
    EXPECT_EQ(std::strlen(text), static_cast<size_t>(kValueBoxTextBytes - 1));
    EXPECT_EQ(text[kValueBoxTextBytes], '#') << "nothing written past the box's text";

    WordyPlugin plugin;
    ParamValueBox level(Rect(0, 0, 50, 16), nullptr, 4, &plugin, false);
    plugin.display = "50%";
    level.formatText(text);
    EXPECT_STREQ(text, "Level: 50%");
    EXPECT_EQ(level.getStep(), 0.01f);
    plugin.display = "0123456789012345678901234567890123456789";  // 40 characters
    level.formatText(text);
    EXPECT_STREQ(text, "Level: 01234567890123456789012") << "23 characters of the display at most";
}

TEST(EditorShapeBox, ValueSelectsTheSlotAndTheMenuHoldsEverySlot) {
    WordyPlugin plugin;
    ShapeBox shape(Rect(0, 0, 125, 16), nullptr, 2, &plugin, 1);
    EXPECT_EQ(shape.getValue(), kShapeDesigns[0].key);
    EXPECT_EQ(shape.getMuteParameter(), 42);
    EXPECT_FALSE(shape.getRepeat());
    EXPECT_TRUE(shape.getNoScaling());
    shape.setValue(kShapeDesigns[33].key);
    EXPECT_EQ(shape.getShapeIndex(), 33);
    shape.setValue(-0.5f);  // matches no key
    EXPECT_EQ(shape.getShapeIndex(), 0);

    shape.setValue(kShapeDesigns[33].key);
    OptionMenu* menu = shape.makeMenu(Rect(10, 10, 10, 10));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->getNbEntries(), kShapeSlots);
    EXPECT_EQ(menu->getNbItemsPerColumn(), 17);
    EXPECT_EQ(menu->getCurrent(), 33);
    char entry[OptionMenu::kEntryLength];
    ASSERT_TRUE(menu->getEntry(33, entry));
    EXPECT_STREQ(entry, kShapeDesigns[33].name);
    ASSERT_TRUE(menu->getEntry(kShapeSlots - 1, entry));
    EXPECT_STREQ(entry, "") << "the empty slots give blank entries";
    menu->forget();
}

class EditorTextButton : public ::testing::Test {
protected:
    void SetUp() override {
        releaseEverything();
        host = std::make_unique<HostWindow>(120, 100, 200, 100);
        frame = new Frame(Rect(0, 0, 200, 100), host->get(), nullptr);
        container = new ViewContainer(Rect(0, 0, 200, 100), frame);
        container->setBackgroundColor(Color(200, 200, 190));
        frame->addView(container);
        pump(30);
    }
    void TearDown() override {
        delete frame;
        releaseEverything();
    }
    POINT screenPoint(int x, int y) { return onScreen(frame->getSystemWindow(), x, y); }

    Recorder recorder;
    std::unique_ptr<HostWindow> host;
    Frame* frame = nullptr;
    ViewContainer* container = nullptr;
};

TEST_F(EditorTextButton, LatchedButtonTakesNoClickWhileOnAndMomentaryReturnsOnRelease) {
    auto* latched = new TextButton(Rect(10, 10, 60, 22), &recorder, 5, "latch", kFramedTextButton, 1.0f, true, false);
    container->addView(latched);
    latched->setValue(0.5f);
    EXPECT_EQ(latched->getValue(), 0.0f) << "a latched value is its maximum or 0";
    clickAt(screenPoint(30, 16));
    EXPECT_EQ(latched->getValue(), 1.0f);
    clickAt(screenPoint(30, 16));
    EXPECT_EQ(latched->getValue(), 1.0f);
    EXPECT_EQ(recorder.values, std::vector<float>{1.0f});

    recorder.values.clear();
    auto* push = new TextButton(Rect(10, 40, 60, 52), &recorder, 6, "push", kLampTextButton, 0.1f, false, true);
    container->addView(push);
    clickHeldControlAt(screenPoint(30, 46));
    EXPECT_EQ(recorder.values, (std::vector<float>{0.1f, 0.0f}));
    EXPECT_EQ(push->getValue(), 0.0f);

    // The lamp square shows the state: light when off, dark when on.
    frame->redraw();
    HDC dc = GetDC(frame->getSystemWindow());
    EXPECT_EQ(fromColorRef(GetPixel(dc, 15, 45)), Color(170, 180, 170));
    push->setValue(0.1f);
    frame->redraw();
    EXPECT_EQ(fromColorRef(GetPixel(dc, 15, 45)), Color(10, 10, 10));
    ReleaseDC(frame->getSystemWindow(), dc);
}

}  // namespace
}  // namespace tine
