// The widget toolkit: drawing, bitmaps and film strips checked pixel by
// pixel; in a real window with real input, clicks routed to the right view
// and knob drags with and without shift.

#include <gtest/gtest.h>

#include <memory>

#include "GuiTestSupport.h"
#include "gui/Frame.h"
#include "gui/StripImage.h"
#include "gui/StripKnob.h"
#include "gui/ViewContainer.h"

namespace tine {
namespace {

using namespace guitest;

constexpr Color kPaper{12, 34, 56};

struct Canvas : OffscreenContext {
    Canvas(int w, int h) : OffscreenContext(nullptr, w, h, kPaper) {}
    Color at(int x, int y) { return fromColorRef(GetPixel(getSystemContext(), x, y)); }
    std::vector<Color> all() { return grab(getSystemContext(), 0, 0, getWidth(), getHeight()); }
    // A pattern under transparent draws, so that no colour is left out by chance.
    void paintPattern() {
        for (int y = 0; y < getHeight(); ++y)
            for (int x = 0; x < getWidth(); ++x) SetPixel(getSystemContext(), x, y, RGB(x * 9, y * 7, 128));
    }
};

TEST(GuiDrawContext, OutlineCoversTheRectangleAndFillItsInsideAtAnyDrawingOffset) {
    for (const Point offset : {Point(0, 0), Point(10, 5)}) {
        Canvas canvas(30, 24);
        canvas.setDrawingOffset(offset);
        const Rect r(3, 4, 12, 10);
        canvas.setFrameColor(kRedColor);
        canvas.drawRect(r);
        canvas.setFillColor(kGreenColor);
        canvas.fillRect(r);
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 30; ++x) {
                const int h = x - offset.h, v = y - offset.v;
                const bool inside = h > r.left && h < r.right && v > r.top && v < r.bottom;
                const Color expected = inside ? kGreenColor : r.isInside(Point(h, v)) ? kRedColor : kPaper;
                ASSERT_EQ(canvas.at(x, y), expected)
                    << "pixel " << x << "," << y << " with offset " << offset.h << "," << offset.v;
            }
        }
    }
}

TEST(GuiBitmap, TransparentDrawLeavesOutWhiteAndNeverChangesTheBitmap) {
    // A white border around a red middle (pixels 3..7).
    Bitmap* square = new Bitmap(10, 10, kWhiteColor);
    {
        OffscreenContext painter(nullptr, square);
        painter.setFillColor(kRedColor);
        painter.fillRect(Rect(2, 2, 8, 8));
    }
    const auto original = bitmapPixels(square, 0, 0, 10, 10);
    Canvas canvas(30, 30);
    canvas.paintPattern();
    const auto pattern = canvas.all();
    square->drawTransparent(&canvas, Rect(10, 10, 20, 20));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool red = x >= 13 && x <= 17 && y >= 13 && y <= 17;
            ASSERT_EQ(canvas.at(x, y), red ? kRedColor : pattern[static_cast<size_t>(y * 30 + x)]) << x << "," << y;
        }
    EXPECT_EQ(bitmapPixels(square, 0, 0, 10, 10), original);
    square->forget();
}

TEST(GuiStrips, TheValuePicksTheFrameOfTheFilmStrip) {
    Bitmap* knobs = new Bitmap(130);
    Bitmap* lamp = new Bitmap(143);
    const struct {
        bool knob;
        float value;
        int frame;
    } rows[] = {{true, 0.0f, 0},   {true, 0.5f, 63}, {true, 1.0f, 127}, {false, 0.0f, 0},
                {false, 0.49f, 0}, {false, 0.5f, 1}, {false, 3.0f, 1},  {false, -1.0f, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << (row.knob ? "knob" : "lamp") << " at " << row.value);
        Bitmap* strip = row.knob ? knobs : lamp;
        const int w = strip->getWidth(), h = strip->getHeight() / (row.knob ? 128 : 2);
        Canvas canvas(w + 4, h + 3);
        StripKnob knob(Rect(4, 3, 4 + w, 3 + h), nullptr, 0, 128, h, strip);
        StripImage image(Rect(4, 3, 4 + w, 3 + h), nullptr, 0, 2, h, strip);
        Control& control = row.knob ? static_cast<Control&>(knob) : image;
        control.setValue(row.value);
        control.draw(&canvas);
        const auto shown = grab(canvas.getSystemContext(), 4, 3, w, h);
        EXPECT_EQ(shown, bitmapPixels(strip, 0, row.frame * h, w, h));
        // The neighbouring frame differs, so the frame really is this one.
        EXPECT_NE(shown, bitmapPixels(strip, 0, (row.frame > 0 ? row.frame - 1 : 1) * h, w, h));
    }
    knobs->forget();
    lamp->forget();
}

// A view that records the clicks that reach it.
class ProbeView : public View {
public:
    using View::View;
    void mouse(DrawContext* context, const Point& where) override {
        ++clicks;
        lastClick = where;
        context->getMouseLocation(cursorSeen);
    }
    int clicks = 0;
    Point lastClick, cursorSeen;
};

// Records every change a control reports, and takes it as shown.
struct Recorder : ControlListener {
    void valueChanged(DrawContext*, Control* control) override {
        values.push_back(control->getValue());
        control->setDirty(false);
    }
    std::vector<float> values;
};

class GuiWindow : public ::testing::Test {
protected:
    void SetUp() override {
        releaseEverything();
        host = std::make_unique<HostWindow>(100, 100, 300, 200);
        frame = new Frame(Rect(0, 0, 300, 200), host->get(), &editor);
        knob = new StripKnob(Rect(220, 150, 252, 180), &recorder, 7, 128, 30, nullptr);
        frame->addView(knob);
        Frame::setKnobMode(kLinearMode);
        pump(30);
    }
    void TearDown() override {
        delete frame;
        releaseEverything();
    }
    POINT screen(int x, int y) const { return onScreen(frame->getSystemWindow(), x, y); }
    // Presses over the point, lets the script run inside the control's mouse
    // loop and waits until it is done.
    void drag(POINT at, std::vector<Step> script, WORD modifier = 0) {
        recorder.values.clear();
        editor.play(std::move(script));
        pressLeftAt(at, modifier);
        ASSERT_TRUE(pumpUntil([&] { return editor.finished() && !keyDown(VK_LBUTTON); }, 8000));
        if (modifier)
            sendKey(modifier, false);
        pump(20);
    }
    ScriptedEditor editor;
    Recorder recorder;
    std::unique_ptr<HostWindow> host;
    Frame* frame = nullptr;
    StripKnob* knob = nullptr;  // out of the way of the other views
};

TEST_F(GuiWindow, RealClicksGoToTheLaterOfOverlappingViewsEdgesIncludedInTheirOwnCoordinates) {
    for (const Point corner : {Point(0, 0), Point(30, 20)}) {
        SCOPED_TRACE(corner.h ? "in a container" : "in the frame");
        ProbeView* first = new ProbeView(Rect(10, 10, 60, 60));
        ProbeView* later = new ProbeView(Rect(40, 40, 100, 100));
        std::vector<View*> added = {first, later};
        if (corner.h) {
            auto* container = new ViewContainer(Rect(corner.h, corner.v, 200, 150), frame);
            container->addView(first);
            container->addView(later);
            added = {container};
        }
        for (View* view : added) frame->addView(view);
        const struct {
            int x, y;
            ProbeView* receiver;
        } rows[] = {{50, 50, later}, {60, 20, first}, {20, 60, first}, {100, 100, later}, {61, 20, nullptr}};
        for (const auto& row : rows) {
            const int firstBefore = first->clicks, laterBefore = later->clicks;
            clickAt(screen(corner.h + row.x, corner.v + row.y));
            EXPECT_EQ(first->clicks - firstBefore, row.receiver == first) << row.x << "," << row.y;
            EXPECT_EQ(later->clicks - laterBefore, row.receiver == later) << row.x << "," << row.y;
            if (row.receiver) {
                EXPECT_EQ(row.receiver->lastClick, Point(row.x, row.y));
                EXPECT_EQ(row.receiver->cursorSeen, Point(row.x, row.y)) << "the cursor the view reads";
            }
        }
        for (View* view : added) frame->removeView(view);
    }
}

TEST_F(GuiWindow, ALinearDragOfTwoHundredPixelsSpansTheRangeAThirdAsFarWithShiftWithoutAJumpMidDrag) {
    const struct {
        float start;
        POINT press;
        std::vector<POINT> moves;
        WORD modifier;
        float expected;
    } rows[] = {
        {0.2f, {236, 165}, {{0, -40}, {0, -100}}, 0, 0.7f},
        {0.5f, {236, 165}, {{30, 0}, {30, 20}}, 0, 0.55f},  // right counts like up, down like left
        {0.5f, {236, 165}, {{0, -150}}, 0, 1.0f},           // stops at the end
        {0.5f, {252, 180}, {{0, -20}}, 0, 0.6f},            // the bottom-right corner takes the press
        {0.1f, {236, 165}, {{0, -100}}, VK_SHIFT, 0.1f + 1.0f / 3.0f},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "from " << row.start << " with " << row.modifier);
        knob->setValue(row.start);
        const POINT at = screen(row.press.x, row.press.y);
        std::vector<Step> script;
        for (const POINT& m : row.moves) script.push_back(moveStep(at.x + m.x, at.y + m.y));
        script.push_back(releaseLeftStep());
        drag(at, script, row.modifier);
        EXPECT_NEAR(knob->getValue(), row.expected, 1e-4f);
    }

    knob->setValue(0.1f);
    const POINT at = screen(236, 165);
    drag(at, {moveStep(at.x, at.y - 50), keyStep(VK_SHIFT, true), moveStep(at.x, at.y - 51), moveStep(at.x, at.y - 100),
              releaseLeftStep()});
    // Shift counts from the first move after it: 51 pixels at full speed, 49 at a third.
    EXPECT_NEAR(knob->getValue(), 0.1f + 51.0f / 200.0f + 49.0f / 300.0f, 1e-4f);
    ASSERT_EQ(recorder.values.size(), 4u);  // the press, 50 up, 1 more with shift, 49 more
    for (size_t i = 1; i < recorder.values.size(); ++i)
        EXPECT_GT(recorder.values[i], recorder.values[i - 1]) << "change " << i;
    EXPECT_NEAR(recorder.values[2], 0.1f + 51.0f / 200.0f, 1e-4f);
}

}  // namespace
}  // namespace tine
