#pragma once
// The root of a view tree: one native child window inside the host's window,
// a list of top-level views drawn over a background bitmap, the focus view,
// idle redrawing of what changed, cursors and drops of files or text.

#include <windows.h>

#include "gui/View.h"

namespace tine {

class Bitmap;
class DrawContext;
class DropTarget;

// Cursor kinds of Frame::setCursor.
enum CursorKind : int32_t {
    kCursorDefault = 0,
    kCursorWait,
    kCursorVSize,
    kCursorHSize,
    kCursorSizeAll,
    kCursorNESWSize,
    kCursorNWSESize,
};

// Knob modes of Frame::setKnobMode: 2 drags in a line, anything else around.
enum KnobMode : int32_t {
    kCircularMode = 0,
    kLinearMode = 2,
};

class Frame : public View {
public:
    // Creates the frame's window as a visible child of parentWindow at (0, 0),
    // the frame's width and height at scale percent (see setScale). Without a
    // parent no window exists.
    Frame(const Rect& size, HWND parentWindow, FrameOwner* owner, int32_t scale = 100);

    ~Frame() override;
    void draw(DrawContext* context = nullptr) override;
    void drawRect(DrawContext* context, const Rect& updateRect) override;
    void mouse(DrawContext* context, const Point& where) override;
    void update(DrawContext* context) override;
    int32_t onKeyDown(KeyCode& key) override;
    int32_t onKeyUp(KeyCode& key) override;
    bool onDrop(void** items, int32_t count, int32_t type, const Point& where) override;
    bool onWheel(DrawContext* context, const Point& where, float distance) override;
    FrameOwner* getEditor() override;

    // Takes over the caller's reference. False when the list cannot grow.
    virtual bool addView(View* view);
    virtual bool removeView(View* view, bool withForget = true);
    virtual bool removeAll(bool withForget = true);
    virtual bool isChild(View* view);
    virtual int32_t getNbViews();
    virtual View* getView(int32_t index);

    // Resizes the frame's window and the wrapping windows up to the first
    // captioned one. False when closed or when the size is unchanged.
    bool setSize(int32_t width, int32_t height);

    // Shows the frame at 100, 150 or 200 percent of its size (anything else
    // reads as 100) and resizes the windows as setSize does. The views keep
    // their native size and coordinates: they draw into a picture of the
    // frame that goes to the window enlarged (whole pixels doubled at 200 %,
    // smoothed at 150 %), and mouse positions are scaled back.
    void setScale(int32_t percent);
    int32_t getScale() const { return scale; }
    // A length of the frame in the window's pixels.
    int32_t toWindow(int32_t length) const { return length * scale / 100; }
    // A pixel of the window in the frame's coordinates.
    Point fromWindow(int32_t x, int32_t y) const;
    // A point of the frame on the screen.
    POINT toScreen(const Point& where) const;

    // For DrawContext. While scaled, a context on the frame's window draws
    // into the picture openCanvas hands out (null at 100 %: it draws on the
    // window itself); closeCanvas shows the picture through the window's
    // device context the context was made for.
    HDC openCanvas();
    void closeCanvas(HDC windowContext);
    // The window that encloses the editor: the owner for dialogs.
    HWND getOuterWindow();

    void setFocusView(View* view);
    View* getFocusView() const { return focusView; }
    // The cursor relative to the frame's window.
    void getCurrentLocation(Point& where);
    View* getViewAt(const Point& where);

    void beginEdit(int32_t tag);
    void endEdit(int32_t tag);
    void idleWhileTracking();
    // Redraws what is dirty, once the frame has been drawn.
    void idle();
    // Draws one top-level view, or everything, at once.
    void redraw(View* view = nullptr);

    void setCursor(int32_t kind);
    uint32_t getTicks();

    static void setKnobMode(int32_t mode);
    int32_t getKnobMode() const;

    void setBackground(Bitmap* bitmap);
    Bitmap* getBackground() const { return background; }
    HWND getSystemWindow() const { return window; }
    HWND getParentWindow() const { return parentWindow; }
    bool isOpen() const { return open; }

    // The target of a shell shortcut (".lnk"), resolved without asking the
    // user. False when the file is no shortcut or does not resolve.
    static bool resolveShortcut(const char* shortcut, char* target, int32_t targetSize);

    // The frame's window procedure; public for the window class only.
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    int32_t routeKey(int32_t (View::*handler)(KeyCode&), KeyCode& key);
    bool anyViewDirty();
    void resizeWindows(int32_t width, int32_t height);
    void present(HDC windowContext);
    void dropCanvas();

    FrameOwner* editor;
    HWND parentWindow;
    Bitmap* background;
    int32_t viewCount;
    int32_t viewCapacity;
    View** views;
    View* focusView;
    bool firstDraw;
    bool open;
    bool dropTargetRegistered;
    HWND window;
    DrawContext* paintContext;
    HCURSOR savedCursor;
    DropTarget* dropTarget;
    bool oleInitialised;
    int32_t scale;
    // The frame's picture at its native size while it is scaled.
    HDC canvas;
    HBITMAP canvasBitmap;
    HGDIOBJ canvasOldBitmap;
    int32_t canvasWidth, canvasHeight;
    int32_t canvasUsers;
    bool canvasComplete;  // drawn whole since it was made
    bool canvasStale;     // to be made anew once its last user is done
    DWORD lastPresent;
};

}  // namespace tine
