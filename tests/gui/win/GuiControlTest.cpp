// The controls: value rules, film-strip drawing, knob dragging with real
// mouse input, buttons, the text field's in-place edit and the menu's columns.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/MomentaryButton.h"
#include "gui/OffscreenContext.h"
#include "gui/OnOffButton.h"
#include "gui/OptionMenu.h"
#include "gui/StripImage.h"
#include "gui/StripKnob.h"
#include "gui/TextEdit.h"
#include "gui/ValueDisplay.h"
#include "gui/ViewContainer.h"

namespace tine {
namespace {

using namespace guitest;

// Records every change a control reports and redraws the control, as the
// editor does.
class RecordingListener : public ControlListener {
public:
    void valueChanged(DrawContext* context, Control* control) override {
        values.push_back(control->getValue());
        TextEdit* field = dynamic_cast<TextEdit*>(control);
        if (field)
            texts.push_back(field->text());
        if (context)
            control->draw(context);
        else
            control->setDirty(false);
    }
    std::vector<float> values;
    std::vector<std::string> texts;
};

std::vector<Color> stripFrame(Bitmap* strip, int top, int width, int height) {
    OffscreenContext source(nullptr, strip);
    return grab(source.getSystemContext(), 0, top, width, height);
}

TEST(GuiControl, DirtyFollowsTheValueAndTheFlag) {
    RecordingListener listener;
    StripImage control(Rect(0, 0, 6, 6), &listener, 3, 2, 6, nullptr);
    EXPECT_TRUE(control.isDirty());  // never drawn
    control.setDirty(false);
    EXPECT_FALSE(control.isDirty());
    control.setValue(0.25f);
    EXPECT_TRUE(control.isDirty());
    control.setDirty(false);
    EXPECT_EQ(control.getOldValue(), 0.25f);
    control.setDirty(true);
    EXPECT_TRUE(control.isDirty());
    // A value of -1 still reads as dirty when forced.
    control.setValue(-1.0f);
    control.setDirty(false);
    control.setDirty(true);
    EXPECT_TRUE(control.isDirty());
    EXPECT_EQ(control.getOldValue(), 0.0f);

    control.setMin(0.2f);
    control.setMax(0.8f);
    control.setValue(1.5f);
    control.bounceValue();
    EXPECT_EQ(control.getValue(), 0.8f);
    control.setValue(-3.0f);
    control.bounceValue();
    EXPECT_EQ(control.getValue(), 0.2f);
    EXPECT_EQ(control.getTag(), 3);
}

TEST(GuiStripKnob, ShowsTheLastFrameAtOneAndTheMiddleFrameAtHalf) {
    Bitmap* strip = new Bitmap(130);
    ASSERT_TRUE(strip->isLoaded());
    StripKnob knob(Rect(4, 3, 36, 33), nullptr, 0, 128, 30, strip);
    OffscreenContext canvas(nullptr, 40, 40, kBlackColor);

    knob.setValue(1.0f);
    knob.draw(&canvas);
    EXPECT_EQ(knob.frameTop(), 127 * 30);
    EXPECT_EQ(grab(canvas.getSystemContext(), 4, 3, 32, 30), stripFrame(strip, 127 * 30, 32, 30));
    EXPECT_FALSE(knob.isDirty());

    knob.setValue(0.5f);
    knob.draw(&canvas);
    const auto shown = grab(canvas.getSystemContext(), 4, 3, 32, 30);
    EXPECT_EQ(shown, stripFrame(strip, 63 * 30, 32, 30));
    // The neighbours differ, so the frame really is the 63rd.
    EXPECT_NE(shown, stripFrame(strip, 62 * 30, 32, 30));
    EXPECT_NE(shown, stripFrame(strip, 64 * 30, 32, 30));

    knob.setValue(0.0f);
    EXPECT_EQ(knob.frameTop(), 0);
    knob.setInverseBitmap(true);
    EXPECT_EQ(knob.frameTop(), 127 * 30);
    strip->forget();
}

TEST(GuiStripImage, TwoFramesSwitchAtHalf) {
    Bitmap* lamp = new Bitmap(143);
    StripImage image(Rect(0, 0, 6, 6), nullptr, 70, 2, 6, lamp);
    const auto off = stripFrame(lamp, 0, 6, 6);
    const auto on = stripFrame(lamp, 6, 6, 6);
    ASSERT_NE(off, on);
    OffscreenContext canvas(nullptr, 6, 6, kBlackColor);
    for (float v : {0.0f, 0.2f, 0.49f, 0.5f, 0.51f, 1.0f, 3.0f}) {
        image.setValue(v);
        image.draw(&canvas);
        EXPECT_EQ(grab(canvas.getSystemContext(), 0, 0, 6, 6), v >= 0.5f ? on : off) << "value " << v;
    }
    EXPECT_EQ(image.getValue(), 1.0f);  // above 1 is taken as 1
    lamp->forget();
}

TEST(GuiKnob, CircularValueFollowsTheAngleAndSnapsInTheGap) {
    Knob knob(Rect(0, 0, 40, 40), nullptr, 0, nullptr, nullptr);
    const float r = 20.0f;
    auto at = [&](float degrees) {
        const float a = degrees * 3.14159265f / 180.0f;
        return knob.valueFromPoint(Point(static_cast<int>(std::lround(r + std::cos(a) * 15.0f)),
                                         static_cast<int>(std::lround(r - std::sin(a) * 15.0f))));
    };
    EXPECT_NEAR(at(90.0f), 0.5f, 0.03f);    // straight up: the middle
    EXPECT_NEAR(at(225.0f), 0.0f, 0.03f);   // lower left: the start
    EXPECT_NEAR(at(-45.0f), 1.0f, 0.03f);   // lower right: the end
    EXPECT_NEAR(at(180.0f), 1.0f / 6.0f, 0.03f);
    EXPECT_EQ(at(260.0f), 0.0f);  // in the gap, nearer the start
    EXPECT_EQ(at(280.0f), 1.0f);  // in the gap, nearer the end

    Point tip;
    knob.setValue(0.5f);
    knob.valueToPoint(tip);
    EXPECT_EQ(tip.h, 20);
    EXPECT_LT(tip.v, 5);
}

TEST(GuiKnob, WheelAndArrowKeysStepByTheIncrementAndClamp) {
    RecordingListener listener;
    Knob knob(Rect(0, 0, 40, 40), &listener, 0, nullptr, nullptr);
    knob.setValue(0.5f);
    knob.setDirty(false);
    EXPECT_TRUE(knob.onWheel(nullptr, Point(), 2.0f));
    EXPECT_NEAR(knob.getValue(), 0.7f, 1e-6f);
    KeyCode key = {0, kKeyDown, 0};
    EXPECT_EQ(knob.onKeyDown(key), 1);
    EXPECT_NEAR(knob.getValue(), 0.6f, 1e-6f);
    key = {0, kKeyRight, kModifierShift};
    knob.onKeyDown(key);
    EXPECT_NEAR(knob.getValue(), 0.61f, 1e-6f);
    knob.onWheel(nullptr, Point(), 10.0f);
    EXPECT_EQ(knob.getValue(), 1.0f);
    key = {'a', 0, 0};
    EXPECT_EQ(knob.onKeyDown(key), -1);
    EXPECT_EQ(listener.values.size(), 4u);
}

TEST(GuiValueDisplay, StylesDecideBoxTextAndShadow) {
    OffscreenContext canvas(nullptr, 60, 24, kBlueColor);
    ValueDisplay display(Rect(0, 0, 50, 20));
    display.setValue(0.25f);
    display.setBackColor(kGreenColor);
    display.setFrameColor(kRedColor);
    display.setFontColor(kWhiteColor);
    display.draw(&canvas);
    EXPECT_EQ(canvas.getPoint(Point(0, 0)), kRedColor);    // outline
    EXPECT_EQ(canvas.getPoint(Point(50, 20)), kRedColor);
    EXPECT_EQ(canvas.getPoint(Point(2, 2)), kGreenColor);  // filled box
    auto inkCount = [&](Color ink) {
        int n = 0;
        for (const Color& c : grab(canvas.getSystemContext(), 1, 1, 49, 19))
            n += c == ink;
        return n;
    };
    EXPECT_GT(inkCount(kWhiteColor), 10);  // "0.25"
    EXPECT_FALSE(display.isDirty());

    display.setStyle(kShadowStyle);
    display.draw(&canvas);
    EXPECT_GT(inkCount(kRedColor), 5);  // the shadow's default colour

    display.setStyle(kNoTextStyle);
    display.draw(&canvas);
    EXPECT_EQ(inkCount(kWhiteColor), 0);

    display.setStyle(k3DInStyle);
    display.draw(&canvas);
    EXPECT_EQ(canvas.getPoint(Point(0, 5)), kGreenColor);  // top-left in the back colour
    EXPECT_EQ(canvas.getPoint(Point(50, 5)), kRedColor);   // bottom-right in the frame colour

    // Nothing at all is drawn with 0x1000, and the control is clean afterwards.
    OffscreenContext blank(nullptr, 60, 24, kBlueColor);
    display.setStyle(kNoDrawStyle);
    display.setValue(0.5f);
    display.draw(&blank);
    EXPECT_EQ(blank.getPoint(Point(2, 2)), kBlueColor);
    EXPECT_FALSE(display.isDirty());

    display.setStringConvert([](float v, char* text) { std::snprintf(text, 256, "%d%%", static_cast<int>(v * 100)); });
    display.setStyle(0);
    display.setTransparency(true);
    display.draw(&blank);
    EXPECT_EQ(blank.getPoint(Point(2, 2)), kBlueColor);  // transparent: no box
}

TEST(GuiOptionMenu, ColumnsBreakEveryNthEntryUnderTheLimit) {
    auto columns = [](int entries, int perColumn) {
        OptionMenu menu(Rect(0, 0, 50, 16), nullptr, 0);
        for (int i = 0; i < entries; ++i) {
            char text[16];
            std::snprintf(text, sizeof(text), "Program %d", i);
            menu.addEntry(text);
        }
        menu.setNbItemsPerColumn(perColumn);
        int32_t next = 1;
        HMENU native = menu.buildMenu(next);
        int breaks = 0;
        for (int i = 0; i < GetMenuItemCount(native); ++i) {
            MENUITEMINFOA info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE;
            GetMenuItemInfoA(native, static_cast<UINT>(i), TRUE, &info);
            breaks += (info.fType & MFT_MENUBARBREAK) != 0;
        }
        EXPECT_EQ(next, entries + 1);
        DestroyMenu(native);
        return breaks + 1;
    };
    EXPECT_EQ(columns(102, 17), 6);
    EXPECT_EQ(columns(200, 17), 1);
    EXPECT_EQ(columns(16, 17), 1);
    EXPECT_EQ(columns(18, 17), 2);
}

TEST(GuiOptionMenu, EntriesSeparatorsChecksAndSubMenus) {
    RecordingListener listener;
    OptionMenu menu(Rect(0, 0, 50, 16), &listener, 5, nullptr, nullptr, kCheckCurrentStyle);
    menu.addEntry("Rhodes");
    menu.addEntry("-");
    menu.addEntry("-GGreyed");
    menu.addEntry("-TTitle");
    menu.addEntry("Wurli", 1);  // inserted before the separator
    OptionMenu* banks = new OptionMenu(Rect(0, 0, 50, 16), &listener, 6);
    banks->addEntry("Bank A");
    banks->addEntry("Bank B");
    EXPECT_TRUE(menu.addEntry(banks, "Banks"));
    banks->forget();  // the menu keeps its own reference
    EXPECT_EQ(menu.getNbEntries(), 6);

    char text[256];
    EXPECT_EQ(menu.getCurrent(text), -1);
    menu.setValue(3.0f);
    EXPECT_EQ(menu.getCurrent(text), 3);
    EXPECT_STREQ(text, "Greyed");
    EXPECT_EQ(menu.getCurrent(nullptr, false), 2);  // the separator not counted
    EXPECT_EQ(menu.getIndex("Wurli"), 1);
    EXPECT_FALSE(menu.getEntry(6, text));
    EXPECT_FALSE(menu.removeEntry(-1));

    int32_t next = 1;
    HMENU native = menu.buildMenu(next);
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(GetMenuItemCount(native), 6);
    EXPECT_EQ(next, 7);  // five items of the menu and its sub-menu, the separator has none
    EXPECT_TRUE(GetMenuState(native, 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_TRUE(GetMenuState(native, 3, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(native, 3, MF_BYPOSITION) & MF_CHECKED);  // the current entry
    EXPECT_TRUE(GetMenuState(native, 4, MF_BYPOSITION) & MF_DISABLED);
    EXPECT_FALSE(GetMenuState(native, 0, MF_BYPOSITION) & MF_CHECKED);
    HMENU sub = GetSubMenu(native, 5);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(GetMenuItemCount(sub), 2);
    char label[64] = {0};
    GetMenuStringA(native, 4, label, sizeof(label), MF_BYPOSITION);
    EXPECT_STREQ(label, "Title");
    GetMenuStringA(sub, 1, label, sizeof(label), MF_BYPOSITION);
    EXPECT_STREQ(label, "Bank B");
    DestroyMenu(native);

    // Item numbers lead back to the menu and entry that own them.
    int32_t counter = 1;
    OptionMenu* holder = nullptr;
    int32_t index = -1;
    ASSERT_TRUE(menu.findItem(6, counter, holder, index));
    EXPECT_EQ(holder, menu.getSubMenu(0));
    EXPECT_EQ(index, 1);

    // With several checks allowed, setValue toggles the entry's mark.
    OptionMenu multi(Rect(0, 0, 50, 16), nullptr, 0, nullptr, nullptr, kCheckStyle);
    multi.addEntry("Phaser");
    multi.addEntry("Chorus");
    multi.setValue(1.0f);
    EXPECT_TRUE(multi.getCheck(1));
    multi.setValue(1.0f);
    EXPECT_FALSE(multi.getCheck(1));
    multi.checkEntryAlone(0);
    EXPECT_TRUE(multi.getCheck(0));
    EXPECT_FALSE(multi.getCheck(1));
}

TEST(GuiOptionMenu, StopsAtTheEntryLimit) {
    OptionMenu menu(Rect(0, 0, 50, 16), nullptr, 0);
    for (int i = 0; i < OptionMenu::kMaxEntries; ++i)
        ASSERT_TRUE(menu.addEntry(nullptr));
    EXPECT_FALSE(menu.addEntry("one too many"));
    char text[256];
    EXPECT_TRUE(menu.getEntry(1023, text));
    EXPECT_STREQ(text, "");
}

// ---- real mouse and keyboard ------------------------------------------------

class GuiControlInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        releaseEverything();
        host = std::make_unique<HostWindow>(120, 100, 300, 200);
        frame = new Frame(Rect(0, 0, 300, 200), host->get(), &editor);
        container = new ViewContainer(Rect(20, 30, 280, 190), frame);
        container->setBackgroundColor(Color(40, 40, 44));
        frame->addView(container);
        Frame::setKnobMode(kLinearMode);
        pump(30);
    }
    void TearDown() override {
        delete frame;
        releaseEverything();
        Frame::setKnobMode(kCircularMode);
    }
    POINT screenPoint(int xInContainer, int yInContainer) {
        return onScreen(frame->getSystemWindow(), 20 + xInContainer, 30 + yInContainer);
    }
    // Presses over the point, lets the script run inside the control's loop,
    // and waits until it is done.
    void drag(POINT at, std::vector<Step> script, WORD modifier = 0) {
        editor.play(std::move(script));
        pressLeftAt(at, modifier);
        ASSERT_TRUE(pumpUntil([&] { return editor.finished() && !keyDown(VK_LBUTTON); }, 8000));
        pump(20);
    }

    ScriptedEditor editor;
    RecordingListener listener;
    std::unique_ptr<HostWindow> host;
    Frame* frame = nullptr;
    ViewContainer* container = nullptr;
};

TEST_F(GuiControlInputTest, LinearDragOfHundredPixelsMovesHalfTheRange) {
    StripKnob* knob = new StripKnob(Rect(40, 50, 72, 80), &listener, 7, 128, 30, nullptr);
    knob->setValue(0.2f);
    container->addView(knob);
    const POINT at = screenPoint(56, 65);
    drag(at, {moveStep(at.x, at.y - 40), moveStep(at.x, at.y - 100), releaseLeftStep()});
    EXPECT_NEAR(knob->getValue(), 0.7f, 1e-4f);
    ASSERT_FALSE(listener.values.empty());

    // Right counts like up, left like down; the value stops at the ends.
    drag(at, {moveStep(at.x + 30, at.y), moveStep(at.x + 30, at.y + 20), releaseLeftStep()});
    EXPECT_NEAR(knob->getValue(), 0.75f, 1e-4f);
    drag(at, {moveStep(at.x, at.y - 150), releaseLeftStep()});
    EXPECT_EQ(knob->getValue(), 1.0f);
}

TEST_F(GuiControlInputTest, ShiftDragsAThirdAsFarAndPressingItMidDragDoesNotJump) {
    StripKnob* knob = new StripKnob(Rect(40, 50, 72, 80), &listener, 7, 128, 30, nullptr);
    knob->setValue(0.1f);
    container->addView(knob);
    const POINT at = screenPoint(56, 65);

    drag(at, {moveStep(at.x, at.y - 100), releaseLeftStep()}, VK_SHIFT);
    sendKey(VK_SHIFT, false);
    EXPECT_NEAR(knob->getValue(), 0.1f + 1.0f / 3.0f, 1e-4f);

    knob->setValue(0.1f);
    listener.values.clear();
    drag(at, {moveStep(at.x, at.y - 50), keyStep(VK_SHIFT, true), moveStep(at.x, at.y - 51),
              moveStep(at.x, at.y - 100), releaseLeftStep()});
    sendKey(VK_SHIFT, false);
    // The first 51 pixels count at full speed (shift is noticed with the first
    // move after it), the other 49 at a third; no step back when shift goes down.
    EXPECT_NEAR(knob->getValue(), 0.1f + 51.0f / 200.0f + 49.0f / 300.0f, 1e-4f);
    ASSERT_EQ(listener.values.size(), 4u);  // the click, 50 up, 1 more with shift, 49 more
    for (size_t i = 1; i < listener.values.size(); ++i)
        EXPECT_GT(listener.values[i], listener.values[i - 1]) << "change " << i;
    EXPECT_NEAR(listener.values[2], 0.1f + 51.0f / 200.0f, 1e-4f);
}

TEST_F(GuiControlInputTest, ControlClickRestoresTheDefault) {
    StripKnob* knob = new StripKnob(Rect(40, 50, 72, 80), &listener, 7, 128, 30, nullptr);
    knob->setDefaultValue(0.3f);
    knob->setValue(0.9f);
    container->addView(knob);
    clickAt(screenPoint(56, 65), VK_CONTROL);
    EXPECT_EQ(knob->getValue(), 0.3f);
    EXPECT_EQ(listener.values, std::vector<float>{0.3f});
}

TEST_F(GuiControlInputTest, KnobOnTheRightEdgeTakesTheClick) {
    StripKnob* knob = new StripKnob(Rect(40, 50, 72, 80), &listener, 7, 128, 30, nullptr);
    knob->setValue(0.5f);
    container->addView(knob);
    const POINT edge = screenPoint(72, 80);  // the bottom-right corner itself
    drag(edge, {moveStep(edge.x, edge.y - 20), releaseLeftStep()});
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-4f);
}

TEST_F(GuiControlInputTest, OnOffButtonFlipsOnTheWholePartOfItsValue) {
    Bitmap* fold = new Bitmap(157);
    OnOffButton* button = new OnOffButton(Rect(10, 10, 16, 16), &listener, 69, fold);
    fold->forget();
    button->setValue(0.7f);  // whole part 0: off
    container->addView(button);
    clickAt(screenPoint(13, 13));
    EXPECT_EQ(button->getValue(), 1.0f);
    clickAt(screenPoint(13, 13));
    EXPECT_EQ(button->getValue(), 0.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f}));

    // The listener drew it: the window shows the lower (on) image after a third click.
    clickAt(screenPoint(13, 13));
    HDC dc = GetDC(frame->getSystemWindow());
    const auto shown = grab(dc, 30, 40, 6, 6);
    ReleaseDC(frame->getSystemWindow(), dc);
    EXPECT_EQ(shown, stripFrame(button->getBackground(), 6, 6, 6));
}

TEST_F(GuiControlInputTest, MomentaryButtonIsOnWhileHeldInsideAndOffAfterRelease) {
    Bitmap* setup = new Bitmap(149);
    MomentaryButton* button = new MomentaryButton(Rect(10, 10, 40, 24), &listener, 7, 14, setup);
    setup->forget();
    container->addView(button);
    const POINT at = screenPoint(20, 16);
    drag(at, {moveStep(at.x + 100, at.y), moveStep(at.x + 2, at.y), releaseLeftStep()});
    // Pressed, out (back to the old value), in again, then released.
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(button->getValue(), 0.0f);
}

TEST_F(GuiControlInputTest, TextEditEndedByReturnNotifiesOnceWithTheNewText) {
    TextEdit* field = new TextEdit(Rect(10, 10, 130, 26), &listener, 2, "Init Piano");
    field->setFontColor(kGreenColor);
    field->setBackColor(kBlackColor);
    field->setHoriAlign(kLeftText);
    container->addView(field);
    frame->redraw();

    clickAt(screenPoint(40, 18));
    ASSERT_TRUE(field->isEditing());
    EXPECT_EQ(frame->getFocusView(), field);
    HWND edit = field->getEditControl();
    RECT place;
    GetWindowRect(edit, &place);
    const POINT corner = screenPoint(10, 10);
    EXPECT_EQ(place.left, corner.x);
    EXPECT_EQ(place.top, corner.y);
    EXPECT_EQ(place.right - place.left, 121);  // one pixel wider and higher than the field
    EXPECT_EQ(place.bottom - place.top, 17);
    ASSERT_TRUE(pumpUntil([&] { return GetFocus() == edit; }, 1000));

    typeText("Suitcase");  // replaces the selected text
    sendKey(VK_RETURN, true);
    sendKey(VK_RETURN, false);
    ASSERT_TRUE(pumpUntil([&] { return !field->isEditing(); }, 3000));
    pump(100);  // a second notification would arrive here
    EXPECT_EQ(listener.texts, std::vector<std::string>{"Suitcase"});
    EXPECT_STREQ(field->text(), "Suitcase");
    EXPECT_EQ(frame->getFocusView(), nullptr);
    EXPECT_FALSE(IsWindow(edit));

    // Ending an edit without a change tells nobody.
    clickAt(screenPoint(40, 18));
    ASSERT_TRUE(field->isEditing());
    sendKey(VK_RETURN, true);
    sendKey(VK_RETURN, false);
    ASSERT_TRUE(pumpUntil([&] { return !field->isEditing(); }, 3000));
    EXPECT_EQ(listener.texts.size(), 1u);
}

TEST_F(GuiControlInputTest, AClickElsewhereEndsTheEditAndKeepsTheTypedText) {
    TextEdit* field = new TextEdit(Rect(10, 10, 130, 26), &listener, 2, "Init Piano");
    container->addView(field);
    clickAt(screenPoint(40, 18));
    ASSERT_TRUE(field->isEditing());
    ASSERT_TRUE(pumpUntil([&] { return GetFocus() == field->getEditControl(); }, 1000));
    typeText("Dyno");
    pump(50);
    clickAt(screenPoint(200, 100));
    ASSERT_TRUE(pumpUntil([&] { return !field->isEditing(); }, 3000));
    EXPECT_EQ(listener.texts, std::vector<std::string>{"Dyno"});
}

}  // namespace
}  // namespace tine
