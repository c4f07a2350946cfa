#pragma once
// A view that groups children over a background bitmap or colour. It draws
// through an offscreen bitmap so a redraw never flickers, and moves points and
// the drawing offset into its own coordinates for its children.

#include "gui/View.h"

namespace tine {

class Bitmap;
class OffscreenContext;

class ViewContainer : public View {
public:
    ViewContainer(const Rect& size, Frame* frame, Bitmap* background = nullptr);

    ~ViewContainer() override;
    void draw(DrawContext* context) override;
    void drawRect(DrawContext* context, const Rect& updateRect) override;
    void mouse(DrawContext* context, const Point& where) override;
    void update(DrawContext* context) override;
    int32_t onKeyDown(KeyCode& key) override;
    int32_t onKeyUp(KeyCode& key) override;
    bool onDrop(void** items, int32_t count, int32_t type, const Point& where) override;
    bool onWheel(DrawContext* context, const Point& where, float distance) override;
    void looseFocus(DrawContext* context = nullptr) override;
    void takeFocus(DrawContext* context = nullptr) override;
    bool isDirty() override;
    void setViewSize(const Rect& rect) override;
    bool removed(View* parent) override;
    bool attached(View* parent) override;

    virtual void addView(View* view, const Rect& size, const Rect& mouseableArea);
    // Takes over the caller's reference to the view.
    virtual void addView(View* view);
    virtual void removeView(View* view, bool withForget = true);
    virtual void removeAll(bool withForget = true);
    virtual bool isChild(View* view);
    virtual int32_t getNbViews();
    virtual View* getView(int32_t index);
    virtual void setBackgroundColor(Color colour);
    virtual void setBackground(Bitmap* bitmap);
    virtual Bitmap* getBackground();
    virtual void setBackgroundOffset(const Point& offset);
    virtual void setMode(int32_t mode);
    virtual int32_t getMode();
    virtual void setOffscreenDrawing(bool flag);

    bool getOffscreenDrawing() const { return offscreenDrawing; }

private:
    struct Node {
        View* view;
        Node* next;
        Node* previous;
    };

    void destroyOffscreen();
    // Moves the context into this container's coordinates and back.
    void enter(DrawContext* context, Point& savedOffset, Point& savedOrigin);
    void leave(DrawContext* context, const Point& savedOffset, const Point& savedOrigin);
    void unlink(Node* node);

    Node* firstNode;
    Node* lastNode;
    Bitmap* background;
    int32_t mode;
    bool offscreenDrawing;
    OffscreenContext* offscreen;
    Color backgroundColor;
    Point backgroundOffset;
};

}  // namespace tine
