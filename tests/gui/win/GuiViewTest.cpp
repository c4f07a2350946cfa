// The view tree, the frame's window, drawing through containers, idle
// redraws, and clicks routed from real mouse input.

#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "GuiTestSupport.h"
#include "gui/Frame.h"
#include "gui/Bitmap.h"
#include "gui/OffscreenContext.h"
#include "gui/ViewContainer.h"

namespace tine {
namespace {

using namespace guitest;

// A view that fills itself with one colour and records what reaches it.
class ProbeView : public View {
public:
    ProbeView(const Rect& r, Color c, bool* destroyed = nullptr) : View(r), colour(c), destroyedFlag(destroyed) {}
    ~ProbeView() override {
        if (destroyedFlag)
            *destroyedFlag = true;
    }
    void draw(DrawContext* context) override {
        ++draws;
        context->setFillColor(colour);
        context->fillRect(Rect(size.left - 1, size.top - 1, size.right, size.bottom));
        setDirty(false);
    }
    void mouse(DrawContext* context, const Point& where) override {
        ++clicks;
        lastClick = where;
        if (context)
            context->getMouseLocation(cursorSeen);
    }
    bool onDrop(void** items, int32_t count, int32_t type, const Point&) override {
        if (!acceptDrops)
            return false;
        ++drops;
        droppedText = count > 0 ? static_cast<const char*>(items[0]) : "";
        return true;
    }

    Color colour;
    bool* destroyedFlag;
    int draws = 0;
    int clicks = 0;
    int drops = 0;
    bool acceptDrops = true;
    std::string droppedText;
    Point lastClick{-1, -1};
    Point cursorSeen{-1, -1};
};

TEST(GuiView, ReferencesSharedWithContainersDestroyAtTheLastForget) {
    bool destroyed = false;
    ViewContainer* container = new ViewContainer(Rect(0, 0, 100, 100), nullptr);
    ProbeView* probe = new ProbeView(Rect(0, 0, 10, 10), kRedColor, &destroyed);
    container->addView(probe);
    probe->remember();
    EXPECT_EQ(probe->getNbReference(), 2);
    EXPECT_EQ(probe->getParentView(), container);
    EXPECT_TRUE(container->isChild(probe));

    container->removeView(probe, true);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(probe->getNbReference(), 1);
    EXPECT_FALSE(container->isChild(probe));
    probe->forget();
    EXPECT_TRUE(destroyed);

    // Removing without forget hands the reference back; the container's own
    // destruction releases the children it still holds.
    bool kept = false, released = false;
    ProbeView* keep = new ProbeView(Rect(0, 0, 5, 5), kRedColor, &kept);
    container->addView(keep);
    container->addView(new ProbeView(Rect(0, 0, 5, 5), kRedColor, &released));
    container->removeView(keep, false);
    container->forget();
    EXPECT_TRUE(released);
    EXPECT_FALSE(kept);
    keep->forget();
    EXPECT_TRUE(kept);
}

TEST(GuiView, ContainerKeepsChildOrderAndIndexes) {
    ViewContainer* container = new ViewContainer(Rect(0, 0, 100, 100), nullptr);
    ProbeView* views[3];
    for (int i = 0; i < 3; ++i) {
        views[i] = new ProbeView(Rect(i, 0, i + 5, 5), kRedColor);
        container->addView(views[i]);
    }
    container->removeView(views[1], false);
    EXPECT_EQ(container->getNbViews(), 2);
    EXPECT_EQ(container->getView(0), views[0]);
    EXPECT_EQ(container->getView(1), views[2]);
    EXPECT_EQ(container->getView(2), nullptr);
    EXPECT_EQ(container->getView(-1), nullptr);
    views[1]->forget();

    // addView with rectangles sets both and marks the view dirty.
    ProbeView* placed = new ProbeView(Rect(), kRedColor);
    placed->setDirty(false);
    container->addView(placed, Rect(10, 20, 30, 40), Rect(12, 22, 28, 38));
    Rect area;
    placed->getMouseableArea(area);
    EXPECT_EQ(placed->getViewSize(), Rect(10, 20, 30, 40));
    EXPECT_EQ(area, Rect(12, 22, 28, 38));
    EXPECT_TRUE(placed->isDirty());
    EXPECT_TRUE(container->isDirty());
    container->forget();
}

TEST(GuiView, ContainerDrawsBackgroundAndChildrenAtItsOffsetThroughTheOffscreen) {
    ViewContainer* container = new ViewContainer(Rect(10, 20, 60, 50), nullptr);
    container->setBackgroundColor(kBlueColor);
    ProbeView* child = new ProbeView(Rect(5, 5, 15, 10), kRedColor);
    container->addView(child);

    OffscreenContext canvas(nullptr, 80, 80, kBlackColor);
    container->draw(&canvas);
    EXPECT_EQ(canvas.getPoint(Point(9, 19)), kBlackColor);  // outside
    EXPECT_EQ(canvas.getPoint(Point(10, 20)), kBlueColor);  // the container's corner
    EXPECT_EQ(canvas.getPoint(Point(59, 49)), kBlueColor);
    EXPECT_EQ(canvas.getPoint(Point(60, 50)), kBlackColor);
    EXPECT_EQ(canvas.getPoint(Point(15, 25)), kRedColor);  // the child's corner moved by the container
    EXPECT_EQ(canvas.getPoint(Point(24, 29)), kRedColor);
    EXPECT_EQ(canvas.getPoint(Point(25, 29)), kBlueColor);
    EXPECT_FALSE(container->isDirty());

    // Direct drawing gives the same picture and restores the offset.
    container->setOffscreenDrawing(false);
    OffscreenContext direct(nullptr, 80, 80, kBlackColor);
    direct.setDrawingOffset(Point(0, 0));
    container->draw(&direct);
    EXPECT_EQ(direct.getPoint(Point(15, 25)), kRedColor);
    EXPECT_EQ(direct.getPoint(Point(10, 20)), kBlueColor);
    EXPECT_EQ(direct.getDrawingOffset(), Point(0, 0));

    // With the background bitmap, the bitmap fills the container from its offset.
    Bitmap* panel = new Bitmap(159);
    container->setBackground(panel);
    container->setBackgroundOffset(Point(40, 30));
    container->setOffscreenDrawing(true);
    container->draw(&canvas);
    std::vector<Color> expected;
    {
        OffscreenContext source(nullptr, panel);
        expected = grab(source.getSystemContext(), 40, 30, 5, 5);
    }
    EXPECT_EQ(grab(canvas.getSystemContext(), 10, 20, 5, 5), expected);
    panel->forget();
    container->forget();
}

class GuiFrameTest : public ::testing::Test {
protected:
    void SetUp() override { releaseEverything(); }
    void TearDown() override {
        delete frame;
        frame = nullptr;
        releaseEverything();
    }
    void open(int x, int y, int width, int height) {
        host = std::make_unique<HostWindow>(x, y, width, height);
        frame = new Frame(Rect(0, 0, width, height), host->get(), &editor);
        ASSERT_NE(frame->getSystemWindow(), nullptr);
        pump(30);
    }

    ScriptedEditor editor;
    std::unique_ptr<HostWindow> host;
    Frame* frame = nullptr;
};

TEST_F(GuiFrameTest, WindowIsAVisibleChildWithTheFrameSizeAndPerModuleClass) {
    open(50, 50, 200, 120);
    HWND window = frame->getSystemWindow();
    EXPECT_EQ(GetParent(window), host->get());
    EXPECT_TRUE(IsWindowVisible(window));
    const SIZE size = windowSize(window);
    EXPECT_EQ(size.cx, 200);
    EXPECT_EQ(size.cy, 120);
    char className[64] = {0};
    GetClassNameA(window, className, sizeof(className));
    char expected[64];
    std::snprintf(expected, sizeof(expected), "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(GetModuleHandleA(nullptr))));
    EXPECT_STREQ(className, expected);
    EXPECT_EQ(frame->getEditor(), &editor);
    EXPECT_GT(frame->getTicks(), 0u);

    // A second frame shares the class; the class lives until the last goes.
    HostWindow other(300, 50, 50, 50);
    Frame* second = new Frame(Rect(0, 0, 50, 50), other.get(), nullptr);
    EXPECT_NE(second->getSystemWindow(), nullptr);
    delete second;
    WNDCLASSA info;
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), expected, &info));
}

TEST_F(GuiFrameTest, ViewsAreAddedRemovedAndGrowBeyondTenEntries) {
    open(50, 50, 200, 120);
    std::vector<ProbeView*> probes;
    for (int i = 0; i < 25; ++i) {
        probes.push_back(new ProbeView(Rect(i, 0, i + 4, 4), kRedColor));
        ASSERT_TRUE(frame->addView(probes.back()));
        EXPECT_EQ(probes.back()->getFrame(), frame);
    }
    EXPECT_EQ(frame->getNbViews(), 25);
    EXPECT_TRUE(frame->removeView(probes[3], true));
    EXPECT_EQ(frame->getView(3), probes[4]);
    EXPECT_EQ(frame->getView(23), probes[24]);
    EXPECT_EQ(frame->getView(24), nullptr);
    EXPECT_TRUE(frame->isChild(probes[0]));
    EXPECT_FALSE(frame->isChild(probes[3]));
}

TEST_F(GuiFrameTest, RealClicksGoToTheLaterOfOverlappingViewsAndCountEdges) {
    open(60, 60, 240, 160);
    ProbeView* first = new ProbeView(Rect(10, 10, 60, 60), kRedColor);
    ProbeView* later = new ProbeView(Rect(40, 40, 100, 100), kGreenColor);
    frame->addView(first);
    frame->addView(later);
    HWND window = frame->getSystemWindow();

    clickAt(onScreen(window, 50, 50));  // inside both
    EXPECT_EQ(later->clicks, 1);
    EXPECT_EQ(first->clicks, 0);
    EXPECT_EQ(later->lastClick, Point(50, 50));

    clickAt(onScreen(window, 60, 20));  // the first one's right edge
    EXPECT_EQ(first->clicks, 1);
    EXPECT_EQ(first->lastClick, Point(60, 20));
    clickAt(onScreen(window, 20, 60));  // its bottom edge
    EXPECT_EQ(first->clicks, 2);
    clickAt(onScreen(window, 61, 20));  // one pixel beyond
    EXPECT_EQ(first->clicks, 2);
    EXPECT_EQ(later->clicks, 1);

    // A view that takes no mouse lets the click through to the one below.
    later->setMouseEnabled(false);
    clickAt(onScreen(window, 50, 50));
    EXPECT_EQ(first->clicks, 3);
    EXPECT_EQ(later->clicks, 1);
}

TEST_F(GuiFrameTest, ContainersRouteRealClicksInTheirOwnCoordinates) {
    open(60, 60, 240, 160);
    ViewContainer* container = new ViewContainer(Rect(30, 20, 200, 140), frame);
    ProbeView* first = new ProbeView(Rect(10, 10, 60, 60), kRedColor);
    ProbeView* later = new ProbeView(Rect(40, 40, 100, 100), kGreenColor);
    container->addView(first);
    container->addView(later);
    frame->addView(container);
    HWND window = frame->getSystemWindow();

    clickAt(onScreen(window, 30 + 50, 20 + 50));
    EXPECT_EQ(later->clicks, 1);
    EXPECT_EQ(later->lastClick, Point(50, 50));
    // The cursor a child reads while tracking is in the same coordinates.
    EXPECT_EQ(later->cursorSeen, Point(50, 50));

    clickAt(onScreen(window, 30 + 100, 20 + 100));  // the later one's bottom-right corner
    EXPECT_EQ(later->clicks, 2);
    clickAt(onScreen(window, 30 + 20, 20 + 60));  // the first one's bottom edge
    EXPECT_EQ(first->clicks, 1);
}

TEST_F(GuiFrameTest, IdleRedrawsOnlyAfterTheFirstDrawAndOnlyWhatIsDirty) {
    open(60, 60, 200, 100);
    ProbeView* a = new ProbeView(Rect(0, 0, 20, 20), kRedColor);
    ProbeView* b = new ProbeView(Rect(30, 0, 50, 20), kGreenColor);
    ViewContainer* container = new ViewContainer(Rect(100, 0, 180, 60), frame);
    ProbeView* inner = new ProbeView(Rect(5, 5, 25, 25), kBlueColor);
    container->addView(inner);
    frame->addView(a);
    frame->addView(b);
    frame->addView(container);
    // Let any paint from showing the window pass, then count from zero.
    pump(50);
    a->draws = b->draws = inner->draws = 0;
    a->setDirty(true);
    frame->setDirty(false);

    frame->redraw();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    EXPECT_EQ(inner->draws, 1);

    frame->idle();  // nothing dirty
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);

    b->setDirty(true);
    inner->setDirty(true);
    frame->idle();
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);
    EXPECT_EQ(inner->draws, 2);
    EXPECT_FALSE(b->isDirty());
    EXPECT_FALSE(container->isDirty());

    // What idle drew is on the screen: read the window back.
    HWND window = frame->getSystemWindow();
    HDC dc = GetDC(window);
    EXPECT_EQ(fromColorRef(GetPixel(dc, 40, 10)), kGreenColor);
    EXPECT_EQ(fromColorRef(GetPixel(dc, 110, 10)), kBlueColor);
    EXPECT_EQ(fromColorRef(GetPixel(dc, 104, 4)), kBlackColor);  // the container's own background
    ReleaseDC(window, dc);
}

TEST_F(GuiFrameTest, IdleWaitsForTheFirstDraw) {
    host = std::make_unique<HostWindow>(60, 60, 100, 100);
    // A frame without a window is never drawn, so idle never draws.
    Frame* detached = new Frame(Rect(0, 0, 100, 100), nullptr, nullptr);
    ProbeView* probe = new ProbeView(Rect(0, 0, 10, 10), kRedColor);
    detached->addView(probe);
    probe->setDirty(true);
    detached->idle();
    EXPECT_EQ(probe->draws, 0);
    EXPECT_EQ(detached->getTicks(), 0u);
    EXPECT_EQ(detached->getSystemWindow(), nullptr);
    delete detached;
}

TEST_F(GuiFrameTest, SetSizeGrowsTheFrameAndWrappingWindowsUpToTheOuterOne) {
    host = std::make_unique<HostWindow>(40, 40, 200, 100);
    HWND wrapper = makeChildWindow(host->get(), 200, 100);
    frame = new Frame(Rect(0, 0, 200, 100), wrapper, &editor);
    EXPECT_FALSE(frame->setSize(200, 100));
    EXPECT_EQ(frame->getOuterWindow(), host->get());

    EXPECT_TRUE(frame->setSize(260, 130));
    EXPECT_EQ(frame->getWidth(), 260);
    for (HWND w : {frame->getSystemWindow(), wrapper, host->get()}) {
        const SIZE s = windowSize(w);
        EXPECT_EQ(s.cx, 260);
        EXPECT_EQ(s.cy, 130);
    }
}

TEST_F(GuiFrameTest, SetSizeLeavesMuchLargerParentsAlone) {
    host = std::make_unique<HostWindow>(40, 40, 500, 400);
    frame = new Frame(Rect(0, 0, 200, 100), host->get(), &editor);
    EXPECT_TRUE(frame->setSize(220, 120));
    SIZE s = windowSize(frame->getSystemWindow());
    EXPECT_EQ(s.cx, 220);
    EXPECT_EQ(s.cy, 120);
    s = windowSize(host->get());
    EXPECT_EQ(s.cx, 500);
    EXPECT_EQ(s.cy, 400);
    // The frame's window is its own outer window when the parent is far larger.
    EXPECT_EQ(frame->getOuterWindow(), frame->getSystemWindow());
}

TEST_F(GuiFrameTest, OuterWindowStopsAtTheCaptionedWindow) {
    host = std::make_unique<HostWindow>(40, 40, 220, 140, WS_OVERLAPPED | WS_CAPTION);
    RECT client;
    GetClientRect(host->get(), &client);
    frame = new Frame(Rect(0, 0, client.right, client.bottom), host->get(), &editor);
    EXPECT_EQ(frame->getOuterWindow(), host->get());
}

TEST_F(GuiFrameTest, DropsGoToTheLastViewThatTakesThemAndNotWhileAViewHasFocus) {
    open(60, 60, 200, 100);
    ProbeView* below = new ProbeView(Rect(0, 0, 100, 100), kRedColor);
    ProbeView* above = new ProbeView(Rect(50, 0, 150, 100), kGreenColor);
    frame->addView(below);
    frame->addView(above);
    char text[] = "C:\\piano.fxb";
    void* items[] = {text};
    above->acceptDrops = false;
    EXPECT_TRUE(frame->onDrop(items, 1, 0, Point(60, 10)));
    EXPECT_EQ(below->drops, 1);
    EXPECT_EQ(below->droppedText, "C:\\piano.fxb");
    above->acceptDrops = true;
    EXPECT_TRUE(frame->onDrop(items, 1, 0, Point(60, 10)));
    EXPECT_EQ(above->drops, 1);
    EXPECT_FALSE(frame->onDrop(items, 1, 0, Point(170, 10)));

    frame->setFocusView(below);
    EXPECT_FALSE(frame->onDrop(items, 1, 0, Point(60, 10)));
    EXPECT_EQ(above->drops, 1);
}

TEST(GuiFrame, ShortcutsResolveToTheirTarget) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    const std::string target = std::string(folder) + "tine-shortcut-target.fxb";
    const std::string shortcut = std::string(folder) + "tine-shortcut.lnk";
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    IShellLinkA* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&link))));
    link->SetPath(target.c_str());
    IPersistFile* persist = nullptr;
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))));
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(SUCCEEDED(persist->Save(wide, TRUE)));
    persist->Release();
    link->Release();

    char resolved[MAX_PATH] = {0};
    EXPECT_TRUE(Frame::resolveShortcut(shortcut.c_str(), resolved, sizeof(resolved)));
    EXPECT_EQ(lstrcmpiA(resolved, target.c_str()), 0) << resolved;
    EXPECT_FALSE(Frame::resolveShortcut(target.c_str(), resolved, sizeof(resolved)));

    DeleteFileA(shortcut.c_str());
    DeleteFileA(target.c_str());
    CoUninitialize();
}

}  // namespace
}  // namespace tine
