// Drawing context, offscreen context and bitmaps, checked pixel by pixel.

#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "gui/Bitmap.h"
#include "gui/OffscreenContext.h"

namespace tine {
namespace {

using guitest::grab;

constexpr Color kPaper{12, 34, 56};

struct Canvas {
    OffscreenContext context;
    Canvas(int width, int height) : context(nullptr, width, height, kPaper) {}
    HDC dc() { return context.getSystemContext(); }
    Color at(int x, int y) { return fromColorRef(GetPixel(dc(), x, y)); }
    void clear() {
        RECT all = {0, 0, context.getWidth(), context.getHeight()};
        HBRUSH paper = CreateSolidBrush(toColorRef(kPaper));
        FillRect(dc(), &all, paper);
        DeleteObject(paper);
    }
    // Leftmost and rightmost columns holding any pixel other than the paper.
    void inkColumns(int& first, int& last) {
        first = -1;
        last = -1;
        for (int x = 0; x < context.getWidth(); ++x)
            for (int y = 0; y < context.getHeight(); ++y)
                if (at(x, y) != kPaper) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
    }
};

TEST(GuiDrawContext, OutlineAndFillCoverExactlyTheRectangleAndItsInside) {
    Canvas canvas(24, 20);
    ASSERT_TRUE(canvas.context.isValid());
    const Rect r(3, 4, 12, 10);
    canvas.context.setFrameColor(kRedColor);
    canvas.context.drawRect(r);
    canvas.context.setFillColor(kGreenColor);
    canvas.context.fillRect(r);

    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 24; ++x) {
            const bool inside = x > r.left && x < r.right && y > r.top && y < r.bottom;
            const bool outline = !inside && x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
            const Color expected = inside ? kGreenColor : (outline ? kRedColor : kPaper);
            ASSERT_EQ(canvas.at(x, y), expected) << "pixel " << x << "," << y;
        }
    }
}

TEST(GuiDrawContext, DrawingOffsetMovesLinesAndFills) {
    Canvas canvas(30, 30);
    canvas.context.setDrawingOffset(Point(10, 5));
    canvas.context.setFillColor(kBlueColor);
    canvas.context.fillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(canvas.at(11, 6), kBlueColor);
    EXPECT_EQ(canvas.at(13, 8), kBlueColor);
    EXPECT_EQ(canvas.at(14, 8), kPaper);
    EXPECT_EQ(canvas.at(1, 1), kPaper);
    EXPECT_EQ(canvas.context.getPoint(Point(1, 1)), kBlueColor);
}

TEST(GuiDrawContext, LeftAlignedTextStartsOnePixelInsideTheRectangle) {
    Canvas canvas(120, 30);
    canvas.context.setFont(3);
    canvas.context.setFontColor(kWhiteColor);
    // Where the glyph's own ink begins when the text starts at x = 0.
    TextOutA(canvas.dc(), 0, 5, "H", 1);
    int bearing = 0, last = 0;
    canvas.inkColumns(bearing, last);
    ASSERT_GE(bearing, 0);

    for (int left : {10, 37}) {
        canvas.clear();
        canvas.context.drawString("H", Rect(left, 0, 110, 30), false, kLeftText);
        int first = 0;
        canvas.inkColumns(first, last);
        EXPECT_EQ(first, left + 1 + bearing) << "rectangle from " << left;
    }

    // Right alignment ends inside the right edge; centring splits the slack.
    canvas.clear();
    canvas.context.drawString("H", Rect(10, 0, 110, 30), false, kRightText);
    int rightFirst = 0, rightLast = 0;
    canvas.inkColumns(rightFirst, rightLast);
    EXPECT_LT(rightLast, 110);
    EXPECT_GT(rightLast, 100);
    canvas.clear();
    canvas.context.drawString("H", Rect(10, 0, 110, 30), false, kCenterText);
    int centreFirst = 0, centreLast = 0;
    canvas.inkColumns(centreFirst, centreLast);
    EXPECT_NEAR((centreFirst + centreLast) / 2.0, 60.0, 2.0);
}

TEST(GuiDrawContext, OpaqueTextFillsItsBackgroundAndTransparentTextDoesNot) {
    Canvas canvas(80, 20);
    canvas.context.setFont(2);
    canvas.context.setFontColor(kWhiteColor);
    canvas.context.setFillColor(kBlueColor);
    canvas.context.drawString("Tine", Rect(0, 0, 80, 20), true, kLeftText);
    EXPECT_EQ(canvas.at(3, 10), kBlueColor);  // between the text's edge and the first glyph
    canvas.clear();
    canvas.context.drawString("Tine", Rect(0, 0, 80, 20), false, kLeftText);
    EXPECT_EQ(canvas.at(3, 10), kPaper);
    EXPECT_EQ(GetBkMode(canvas.dc()), TRANSPARENT);
}

TEST(GuiDrawContext, FontNumbersOutsideTheTableUseTheBoldDefault) {
    Canvas canvas(80, 20);
    canvas.context.setFontColor(kWhiteColor);
    auto render = [&](int number) {
        canvas.clear();
        canvas.context.setFont(number);
        canvas.context.drawString("Tine 42", Rect(0, 0, 80, 20), false, kLeftText);
        return grab(canvas.dc(), 0, 0, 80, 20);
    };
    const auto nine = render(9);
    EXPECT_EQ(canvas.context.getFont(), 0);
    EXPECT_EQ(canvas.context.getFontSize(), 12);
    EXPECT_EQ(nine, render(0));
    EXPECT_NE(nine, render(3));  // the same size, normal weight
    EXPECT_EQ(render(-1), nine);
}

TEST(GuiDrawContext, StringWidthGrowsWithTextAndFontSize) {
    Canvas canvas(10, 10);
    canvas.context.setFont(5);
    const int small = canvas.context.getStringWidth("Tinemaster");
    canvas.context.setFont(1);
    const int large = canvas.context.getStringWidth("Tinemaster");
    EXPECT_GT(small, 20);
    EXPECT_GT(large, small);
    EXPECT_EQ(canvas.context.getStringWidth(""), 0);
}

TEST(GuiDrawContext, MouseButtonsReportRightButtonWithShiftAsTwelve) {
    guitest::HostWindow host(40, 40, 80, 80);
    guitest::moveMouseTo(70, 70);
    guitest::pumpUntil([] { return guitest::cursorAt(70, 70); }, 1000);
    ASSERT_TRUE(guitest::holdKey(VK_SHIFT));
    guitest::sendMouse(MOUSEEVENTF_RIGHTDOWN);
    guitest::pumpUntil([] { return guitest::keyDown(VK_RBUTTON); }, 1000);
    DrawContext context(nullptr, nullptr, host.get());
    const int32_t buttons = context.getMouseButtons();
    guitest::releaseEverything();
    EXPECT_EQ(buttons, kRButton | kShift);
    EXPECT_EQ(context.getMouseButtons(), 0);

    // The cursor relative to the window's client area.
    Point where;
    context.getMouseLocation(where);
    EXPECT_EQ(where, Point(30, 30));
}

// ---- bitmaps ---------------------------------------------------------------

TEST(GuiBitmap, EveryResourceLoadsWithItsSize) {
    struct Expected {
        int id, width, height;
    };
    const Expected all[] = {{130, 32, 3840}, {143, 6, 12},  {145, 56, 28}, {146, 56, 28}, {147, 15, 28},
                            {148, 15, 28},   {149, 30, 28}, {150, 24, 28}, {151, 52, 28}, {152, 52, 28},
                            {157, 6, 12},    {158, 432, 70}, {159, 432, 177}};
    for (const Expected& e : all) {
        Bitmap* bitmap = new Bitmap(e.id);
        EXPECT_TRUE(bitmap->isLoaded()) << e.id;
        EXPECT_EQ(bitmap->getWidth(), e.width) << e.id;
        EXPECT_EQ(bitmap->getHeight(), e.height) << e.id;
        bitmap->forget();
    }
    Bitmap* missing = new Bitmap(4711);
    EXPECT_FALSE(missing->isLoaded());
    EXPECT_EQ(missing->getWidth(), 0);
    Canvas canvas(8, 8);
    missing->draw(&canvas.context, Rect(0, 0, 8, 8));  // draws nothing, does not fail
    EXPECT_EQ(canvas.at(4, 4), kPaper);
    missing->forget();
}

TEST(GuiBitmap, OpaqueDrawCopiesTheSourceRegionToTheOffsetDestination) {
    Bitmap* strip = new Bitmap(159);
    ASSERT_TRUE(strip->isLoaded());
    std::vector<Color> expected;
    {
        // A bitmap sits in one device context at a time: read it, then let go.
        OffscreenContext source(nullptr, strip);
        expected = grab(source.getSystemContext(), 100, 50, 20, 10);
    }
    Canvas canvas(40, 40);
    canvas.context.setDrawingOffset(Point(3, 2));
    strip->draw(&canvas.context, Rect(5, 5, 25, 15), Point(100, 50));
    EXPECT_EQ(grab(canvas.dc(), 8, 7, 20, 10), expected);
    EXPECT_EQ(canvas.at(7, 7), kPaper);
    EXPECT_EQ(canvas.at(28, 7), kPaper);
    strip->forget();
}

// A test image: a white border around a red middle.
Bitmap* framedRedSquare() {
    Bitmap* bitmap = new Bitmap(10, 10, kWhiteColor);
    OffscreenContext painter(nullptr, bitmap);
    painter.setFillColor(kRedColor);
    painter.fillRect(Rect(2, 2, 8, 8));  // pixels 3..7
    return bitmap;
}

void paintPattern(Canvas& canvas) {
    for (int y = 0; y < canvas.context.getHeight(); ++y)
        for (int x = 0; x < canvas.context.getWidth(); ++x)
            SetPixel(canvas.dc(), x, y, RGB(x * 9, y * 7, 128));
}

TEST(GuiBitmap, TransparentDrawOfAllWhiteLeavesDestinationAndBitmapUnchanged) {
    Bitmap* white = new Bitmap(16, 12, kWhiteColor);
    Canvas canvas(30, 30);
    paintPattern(canvas);
    const auto before = grab(canvas.dc(), 0, 0, 30, 30);
    white->drawTransparent(&canvas.context, Rect(4, 6, 20, 18));
    EXPECT_EQ(grab(canvas.dc(), 0, 0, 30, 30), before);

    OffscreenContext inside(nullptr, white);
    for (const Color& c : grab(inside.getSystemContext(), 0, 0, 16, 12))
        ASSERT_EQ(c, kWhiteColor);
    white->forget();
}

TEST(GuiBitmap, TransparentDrawKeepsOnlyTheOtherColoursAndLeavesTheBitmapAlone) {
    Bitmap* square = framedRedSquare();
    Canvas canvas(30, 30);
    paintPattern(canvas);
    const auto before = grab(canvas.dc(), 0, 0, 30, 30);
    square->drawTransparent(&canvas.context, Rect(10, 10, 20, 20));
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            const bool red = x >= 13 && x <= 17 && y >= 13 && y <= 17;
            ASSERT_EQ(canvas.at(x, y), red ? kRedColor : before[static_cast<size_t>(y * 30 + x)])
                << x << "," << y;
        }
    }

    // Another transparent colour takes effect at the next draw: now red is
    // left out and the white border is copied.
    square->setTransparentColor(kRedColor);
    paintPattern(canvas);
    square->drawTransparent(&canvas.context, Rect(10, 10, 20, 20));
    EXPECT_EQ(canvas.at(10, 10), kWhiteColor);
    EXPECT_EQ(canvas.at(15, 15), before[15 * 30 + 15]);

    OffscreenContext inside(nullptr, square);
    EXPECT_EQ(inside.getPoint(Point(0, 0)), kWhiteColor);
    EXPECT_EQ(inside.getPoint(Point(5, 5)), kRedColor);
    square->forget();
}

TEST(GuiBitmap, ReferencesKeepTheBitmapUntilTheLastForget) {
    Bitmap* bitmap = new Bitmap(143);
    bitmap->remember();
    EXPECT_EQ(bitmap->getNbReference(), 2);
    {
        OffscreenContext user(nullptr, bitmap);  // remembers while it draws into it
        EXPECT_EQ(bitmap->getNbReference(), 3);
    }
    bitmap->forget();
    EXPECT_EQ(bitmap->getNbReference(), 1);
    EXPECT_TRUE(bitmap->isLoaded());
    bitmap->forget();
}

}  // namespace
}  // namespace tine
