#pragma once
// The base of everything the toolkit shows: a reference-counted rectangle in
// its parent's coordinates that draws itself, takes clicks, keys, the wheel
// and drops, and tracks whether it must be drawn again. The order of the
// virtual operations is fixed; subclasses add theirs after the last one.

#include <cstdint>

#include "gui/Geometry.h"

namespace tine {

class DrawContext;
class Frame;
class FrameOwner;

// A key as the host reports it: a character, a virtual key code and modifier bits.
struct KeyCode {
    int32_t character;
    unsigned char virt;
    unsigned char modifier;
};

class View {
public:
    explicit View(const Rect& size);

    virtual ~View();
    virtual void draw(DrawContext* context);
    virtual void drawRect(DrawContext* context, const Rect& updateRect);
    virtual bool checkUpdate(const Rect& updateRect);
    virtual void mouse(DrawContext* context, const Point& where);
    virtual void update(DrawContext* context);
    virtual void notify(View* sender, const char* message);
    // -1: not handled.
    virtual int32_t onKeyDown(KeyCode& key);
    virtual int32_t onKeyUp(KeyCode& key);
    // items: type 0 file names (char*), the dropped text otherwise.
    virtual bool onDrop(void** items, int32_t count, int32_t type, const Point& where);
    virtual bool onWheel(DrawContext* context, const Point& where, float distance);
    virtual void looseFocus(DrawContext* context = nullptr);
    virtual void takeFocus(DrawContext* context = nullptr);
    virtual bool isDirty();
    virtual void setDirty(bool flag = true);
    virtual void setMouseEnabled(bool flag = true);
    virtual bool getMouseEnabled();
    virtual void setMouseableArea(const Rect& area);
    virtual void getMouseableArea(Rect& area);
    virtual bool isInside(const Point& where);
    virtual void setTransparency(bool flag);
    virtual bool getTransparency();
    virtual void setViewSize(const Rect& rect);
    virtual void setFrame(Frame* frame);
    virtual void setParentView(View* parent);
    virtual FrameOwner* getEditor();
    virtual bool removed(View* parent);
    virtual bool attached(View* parent);
    // Releases one reference; the last one destroys the view.
    virtual void forget();
    virtual void remember();
    virtual int32_t getNbReference();

    const Rect& getViewSize() const { return size; }
    int32_t getWidth() const { return size.width(); }
    int32_t getHeight() const { return size.height(); }
    Frame* getFrame() const { return frame; }
    View* getParentView() const { return parentView; }

    View(const View&) = delete;
    View& operator=(const View&) = delete;

protected:
    int32_t referenceCount;
    Rect size;
    Rect mouseableArea;
    Frame* frame;
    View* parentView;
    bool dirty;
    bool mouseEnabled;
    bool transparency;
};

}  // namespace tine
